#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/Win32.h"
#include "tests/platform/DescriptorLimit.h"
#include "tests/support/MachineFixture.h"

namespace {

class CodePagesTest : public testsupport::MachineTest {
protected:
    std::string Narrow(UINT page, const std::wstring& text, BOOL* usedDefault = nullptr) {
        int bytes =
            WideCharToMultiByte(page, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, usedDefault);
        std::string out(static_cast<size_t>(bytes), '\0');
        WideCharToMultiByte(page, 0, text.c_str(), static_cast<int>(text.size()), out.data(), bytes, nullptr,
                            usedDefault);
        return out;
    }
    std::wstring Wide(UINT page, const std::string& text) {
        int units = MultiByteToWideChar(page, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring out(static_cast<size_t>(units), L'\0');
        MultiByteToWideChar(page, 0, text.c_str(), static_cast<int>(text.size()), out.data(), units);
        return out;
    }
};

TEST_F(CodePagesTest, AnsiAndOemPagesDifferAsOnAWesternSystem) {
    struct Case {
        UINT page;
        std::wstring wide;
        std::string narrow;
    } cases[] = {
        {CP_ACP, L"caf\u00E9", "caf\xE9"},    // 1252
        {CP_OEMCP, L"caf\u00E9", "caf\x82"},  // 437
        {CP_UTF8, L"caf\u00E9", "caf\xC3\xA9"},
        {936, L"\u4E2D\u6587", "\xD6\xD0\xCE\xC4"},      // GBK
        {CP_UTF8, L"\xD83D\xDE00", "\xF0\x9F\x98\x80"},  // a pair is one four-byte sequence
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Narrow(c.page, c.wide), c.narrow) << c.page;
        EXPECT_EQ(Wide(c.page, c.narrow), c.wide) << c.page;
    }
}

TEST_F(CodePagesTest, UnmappableCharactersBecomeTheDefaultCharacter) {
    BOOL used = FALSE;
    EXPECT_EQ(Narrow(CP_ACP, L"a\u4E2Db", &used), "a?b");
    EXPECT_TRUE(used);
    EXPECT_EQ(Narrow(CP_ACP, L"x\xD83D\xDE00y"), "x?y");    // one character, one "?"
    EXPECT_EQ(Narrow(CP_UTF8, L"\xD800"), "\xEF\xBF\xBD");  // a lone half
    EXPECT_EQ(Wide(CP_UTF8,
                   "a\xFF"
                   "b"),
              L"a\uFFFDb");
}

TEST_F(CodePagesTest, SizesTerminatorsAndErrors) {
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, nullptr, 0), 4);  // counts the NUL
    wchar_t small[2];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, small, 2), 0);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", 0, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "\xC0\xAF", 2, nullptr, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_NO_UNICODE_TRANSLATION);
    std::string inner("a\0b", 3);
    EXPECT_EQ(Wide(CP_ACP, inner), std::wstring(L"a\0b", 3));  // counted conversions keep inner NULs
    EXPECT_TRUE(IsDBCSLeadByteEx(936, 0xD6));
    EXPECT_FALSE(IsDBCSLeadByte(0xD6));  // 1252 has no lead bytes
}

TEST_F(CodePagesTest, ProfileCodePagesAreHonoured) {
    machine.profile().ansiCodePage = 1251;
    EXPECT_EQ(GetACP(), 1251u);
    EXPECT_EQ(Narrow(CP_ACP, L"\u0416"), "\xC6");  // Cyrillic Zhe in 1251
}

// A converter that could not be opened once (no descriptor for its module)
// must be tried again, not remembered as failed for the thread's life.
TEST_F(CodePagesTest, FailedConverterIsNotRemembered) {
    std::thread([this] {
        const std::string text = "caf\xE9";
        // The C library reads its converter list once per process: read it before descriptors run out.
        EXPECT_EQ(Wide(1252, text), L"caf\u00E9");
        {
            testsupport::DescriptorsRunOut exhausted;
            if (MultiByteToWideChar(1258, 0, text.c_str(), 4, nullptr, 0) != 0)
                GTEST_SKIP() << "the converter module was loaded by an earlier test in this process";
        }
        EXPECT_EQ(Wide(1258, text), L"caf\u00E9");
    }).join();
}

TEST(MachineRoot, NoPredictableSharedFolderWithoutHome) {
    std::string saved[3];
    const char* names[] = {"WEBINSTALLER_MACHINE_ROOT", "XDG_DATA_HOME", "HOME"};
    for (int i = 0; i < 3; ++i) {
        const char* value = std::getenv(names[i]);
        saved[i] = value != nullptr ? value : "";
        ::unsetenv(names[i]);
    }
    std::string root = platform::Machine::DefaultRoot();
    for (int i = 0; i < 3; ++i)
        if (!saved[i].empty()) ::setenv(names[i], saved[i].c_str(), 1);
    EXPECT_NE(0u, root.rfind("/tmp/.local", 0)) << root;
    EXPECT_EQ(root.find("/tmp/webinstaller/"), std::string::npos) << root;
}

}  // namespace
