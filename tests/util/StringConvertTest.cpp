#include <gtest/gtest.h>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/StringConvert.h"

namespace {

using testsupport::MachineTest;

struct Utf8Case {
    const wchar_t* wide;
    const char* utf8;
};

// Both libraries' UTF-8 forms agree on well-formed text, including characters
// beyond the BMP, which travel as one surrogate pair and one four-byte sequence.
TEST(Utf8Conversion, RoundTripsWellFormedText) {
    const Utf8Case cases[] = {
        {L"", ""},
        {L"pos:500", "pos:500"},
        {L"\u00E9t\u00E9", "\xC3\xA9t\xC3\xA9"},
        {L"\u20AC 5", "\xE2\x82\xAC 5"},
        {L"\u4E2D\u6587", "\xE4\xB8\xAD\xE6\x96\x87"},
        {L"a\xD83D\xDE00z", "a\xF0\x9F\x98\x80z"},  // U+1F600
        {L"\xDBFF\xDFFF", "\xF4\x8F\xBF\xBF"},      // U+10FFFF, the last code point
    };
    for (const Utf8Case& c : cases) {
        EXPECT_EQ(WideToUtf8Text(c.wide), c.utf8) << c.utf8;
        EXPECT_EQ(WideToUtf8(c.wide), c.utf8) << c.utf8;
        EXPECT_EQ(Utf8TextToWide(c.utf8), c.wide) << c.utf8;
        EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << c.utf8;
    }
}

TEST(Utf8Conversion, LoneSurrogatesBecomeReplacementCharacters) {
    const Utf8Case cases[] = {
        {L"a\xD800", "a\xEF\xBF\xBD"},
        {L"\xDC00z", "\xEF\xBF\xBDz"},
        {L"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // reversed pair
    };
    for (const Utf8Case& c : cases) EXPECT_EQ(WideToUtf8Text(c.wide), c.utf8) << c.utf8;
}

TEST(Utf8Conversion, StrictDecoderRejectsMalformedText) {
    const char* cases[] = {
        "\x80",              // lone continuation byte
        "ab\xC1\x81",        // overlong form of "A"
        "\xED\xA0\x80",      // encoded surrogate
        "\xE2\x82",          // cut off by the end
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xC3(",             // wrong continuation byte
        "\xFF",
    };
    for (const char* text : cases) EXPECT_EQ(Utf8ToWide(text), L"") << testing::PrintToString(text);
}

// The lenient decoder takes what it can, but never reads beyond the text: a
// sequence cut off by the end would otherwise pull in the string's terminator.
TEST(Utf8Conversion, LenientDecoderStaysInsideTheText) {
    const Utf8Case cases[] = {
        {L"\xFFFD", "\xE2\x82"},
        {L"ab\xFFFD", "ab\xF0\x9F\x98"},
        {L"\xFFFD"
         L"a",
         "\x80"
         "a"},
        {L"\xFFFD\xFFFD", "\xFE\xFF"},
        {L"\xFFFD", "\xFD\xBF\xBF\xBF\xBF\xBF"},  // six-byte form beyond Unicode
    };
    for (const Utf8Case& c : cases) EXPECT_EQ(Utf8TextToWide(c.utf8), c.wide) << testing::PrintToString(c.utf8);
}

class CodePageConversion : public MachineTest {};

// The default machine has ANSI code page 1252 and OEM code page 437, so the
// same character gives different bytes in the two forms.
TEST_F(CodePageConversion, AnsiAndOemFormsDiffer) {
    ASSERT_EQ(GetACP(), 1252u);
    ASSERT_EQ(GetOEMCP(), 437u);
    struct Case {
        const wchar_t* wide;
        const char* ansi;
        const char* oem;
    } cases[] = {
        {L"abc", "abc", "abc"},
        {L"\u00E9", "\xE9", "\x82"},
        {L"C:\\M\u00FCller", "C:\\M\xFCller", "C:\\M\x81ller"},
        {L"\u20AC", "\x80", "?"},  // the euro sign has no OEM 437 byte
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToOemString(c.wide), c.oem);
        std::string oem;
        WideToOem(c.wide, oem);
        EXPECT_EQ(oem, c.oem);
        EXPECT_EQ(WideToAnsi(c.wide), c.ansi);
        std::string ansi;
        WideStringToAnsi(c.wide, ansi);
        EXPECT_EQ(ansi, c.ansi);
        EXPECT_EQ(WideToAnsiString(c.wide), c.ansi);
        if (std::string(c.oem) != "?") {
            EXPECT_EQ(ToWideString(c.ansi), c.wide);
            EXPECT_EQ(AnsiToWideCounted(c.ansi), c.wide);
        }
    }
}

TEST_F(CodePageConversion, CountedFormsKeepInnerNulsAndTerminatedFormsStop) {
    const std::string ansi("a\0\xE9", 3);
    const std::wstring wide(L"a\0\u00E9", 3);
    EXPECT_EQ(AnsiToWideCounted(ansi), wide);
    EXPECT_EQ(AnsiToWideString(ansi), wide);
    EXPECT_EQ(WideToAnsi(wide), ansi);
    EXPECT_EQ(ToWideString(ansi), L"a");
    std::wstring out = L"old";
    AnsiToWide(ansi, out);
    EXPECT_EQ(out, L"a");
    AnsiStringToWide("", out);
    EXPECT_EQ(out, L"");
    EXPECT_EQ(ToOemString(wide), "a");
    EXPECT_EQ(AnsiToWideCounted(""), L"");
}

TEST_F(CodePageConversion, ConvertsBetweenUtf8AndAnsi) {
    EXPECT_EQ(Utf8TextToAnsi("M\xC3\xBCller"), "M\xFCller");
    EXPECT_EQ(AnsiTextToUtf8("M\xFCller"), "M\xC3\xBCller");
    EXPECT_EQ(Utf8ToAnsi("M\xC3\xBCller"), "M\xFCller");
    EXPECT_EQ(AnsiToUtf8("M\xFCller"), "M\xC3\xBCller");
    EXPECT_EQ(Utf8ToAnsi("M\xC3"), "");  // the strict form refuses malformed text
}

TEST_F(CodePageConversion, FollowsAnotherProfilesCodePage) {
    machine.profile().ansiCodePage = 936;
    EXPECT_EQ(WideToAnsi(L"\u4E2D\u6587"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(AnsiToWideCounted("\xD6\xD0\xCE\xC4"), L"\u4E2D\u6587");
}

TEST(CrtConversion, ConvertsAsciiInTheCLocale) {
    EXPECT_EQ(MultiByteToWideCrt("setup_01"), L"setup_01");
    EXPECT_EQ(WideToMultiByteCrt(L"setup_01"), "setup_01");
    EXPECT_EQ(MultiByteToWideCrt(""), L"");
}

class Utf8FilePaths : public MachineTest {};

TEST_F(Utf8FilePaths, ReachTheFileSystemThroughTheWidePath) {
    const std::string folder = "C:\\Users\\User\\Documents\\M\xC3\xBCller \xE4\xB8\xAD";
    ASSERT_TRUE(CreateDirectoryUtf8(folder.c_str(), nullptr));
    EXPECT_EQ(GetFileAttributesUtf8(folder.c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(PathIsDirectoryW(L"C:\\Users\\User\\Documents\\M\u00FCller \u4E2D"));

    const std::string file = folder + "\\a.txt";
    HANDLE handle =
        CreateFileUtf8(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(handle, "xyz", 3, &written, nullptr));
    CloseHandle(handle);
    EXPECT_EQ(ReadHostFile(Host(L"C:\\Users\\User\\Documents\\M\u00FCller \u4E2D\\a.txt")), "xyz");

    // A malformed path names no file at all.
    EXPECT_EQ(GetFileAttributesUtf8("C:\\Users\\User\\Documents\\M\xC3"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(CreateDirectoryUtf8("C:\\Users\\User\\Documents\\\xFF", nullptr));
}

}  // namespace
