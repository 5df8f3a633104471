// The unpack step over real packages: a 7z payload made by 7zz, packed by
// our packing step, unpacked in memory and through a temporary archive; and
// packages that lie about their regions, each with its code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "platform/Win32.h"
#include "setup/SetupInfoBlock.h"
#include "setup/SetupInfoErrors.h"
#include "setup/SetupInfoFile.h"
#include "setup/SetupInfoPack.h"
#include "setup/SetupInfoUnpack.h"
#include "tests/formats/zip/ZipTestTools.h"
#include "tests/support/MachineFixture.h"

namespace {

using ziptest::Quote;

const std::wstring kPackage = L"C:\\Users\\Public\\package.exe";
const std::wstring kPayload = L"C:\\Users\\Public\\payload.7z";
const std::wstring kTarget = L"C:\\Program Files\\Demo";
const std::string kUninstaller = "MZ uninstaller image";

struct Recorder {
    std::vector<std::pair<int, int>> events;
    EventCallback Callback() {
        return [this](int event, int value, void*) {
            events.emplace_back(event, value);
            return 0;
        };
    }
    // The unpack step's own events (0, 1, 2), without the front-end's.
    std::vector<std::pair<int, int>> Own() const {
        std::vector<std::pair<int, int>> own;
        for (const auto& e : events)
            if (e.first < 100) own.push_back(e);
        return own;
    }
};

class UnpackPackageTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        SetUnpackLastError(0);
        std::filesystem::create_directories(Host(L"C:\\src\\bin"));
        WriteHostFile(Host(L"C:\\src\\bin\\Demo.exe"), std::string(200000, 'x') + "end");
        WriteHostFile(Host(L"C:\\src\\readme.txt"), "hello\n");
        ziptest::ToolRun run = ziptest::Run("cd " + Quote(Host(L"C:\\src")) + " && " + Quote(SEVENZIP_TOOL) +
                                            " a -bd -mx1 " + Quote(Host(kPayload)) + " .");
        ASSERT_EQ(run.status, 0) << run.output;
        SetupInfoBlock record;
        WriteText(record.m_installFolderName, "Demo");
        WriteText(record.m_productName, "Demo");
        WriteText(record.m_version, "2.0.4.9");
        std::vector<unsigned char> image(kUninstaller.begin(), kUninstaller.end());
        ASSERT_EQ(S_OK, PackPackage(kPackage.c_str(), image, kPayload.c_str(), record));
        ASSERT_EQ(S_OK, ReadPackageInfo(kPackage.c_str(), packed));
    }

    void ExpectInstalled(const std::wstring& folder) {
        EXPECT_EQ(ReadHostFile(Host(folder + L"\\bin\\Demo.exe")), std::string(200000, 'x') + "end");
        EXPECT_EQ(ReadHostFile(Host(folder + L"\\readme.txt")), "hello\n");
        EXPECT_EQ(ReadHostFile(Host(folder + L"\\uninstall.exe")), kUninstaller);
        std::string copy = ReadHostFile(Host(folder + L"\\uninstall.exe.bin"));
        ASSERT_EQ(copy.size(), kSetupInfoBlockSize);
        EXPECT_EQ(std::memcmp(copy.data(), &packed, kSetupInfoBlockSize), 0);
    }

    std::size_t TempEntries() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        std::error_code ignored;
        std::size_t count = 0;
        for (auto it = std::filesystem::directory_iterator(Host(temp), ignored);
             it != std::filesystem::directory_iterator(); ++it)
            ++count;
        return count;
    }

    void Rewrite(const SetupInfoBlock& record) {
        std::string bytes = ReadHostFile(Host(kPackage));
        bytes.replace(kPackageHeadSize, kSetupInfoBlockSize, reinterpret_cast<const char*>(&record),
                      kSetupInfoBlockSize);
        WriteHostFile(Host(kPackage), bytes);
    }

    SetupInfoBlock packed;
};

TEST_F(UnpackPackageTest, InstallsThroughMemoryAndThroughATemporaryArchive) {
    struct Case {
        const char* name;
        std::int64_t limit;
        const wchar_t* folder;
        std::wstring expected;
    } cases[] = {
        {"in memory, given folder", kUnpackMemoryLimit, L"C:\\Program Files\\Demo", kTarget},
        {"temporary archive", 0, L"C:\\Games\\Demo", L"C:\\Games\\Demo"},
        {"record's folder under Program Files", kUnpackMemoryLimit, nullptr, L"C:\\Program Files (x86)\\Demo"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder recorder;
        ASSERT_EQ(S_OK, UnpackPackageWithLimit(kPackage.c_str(), recorder.Callback(), c.folder, true, true, c.limit));
        ExpectInstalled(c.expected);
        EXPECT_EQ(GetUnpackedInstallPath(), c.expected);
        EXPECT_EQ(GetUnpackLastError(), 0);
        ASSERT_FALSE(recorder.events.empty());
        EXPECT_EQ(recorder.events.front(), std::make_pair(0, 0));
        EXPECT_EQ(recorder.events.back(), std::make_pair(1, 0));
        EXPECT_EQ(recorder.Own().size(), 2u);
        // Progress from the front-end reaches the end; no temporary folder stays.
        EXPECT_NE(std::find(recorder.events.begin(), recorder.events.end(), std::make_pair(100, 100)),
                  recorder.events.end());
        EXPECT_EQ(TempEntries(), 0u);
    }
}

TEST_F(UnpackPackageTest, MalformedPackagesFailWithTheirCodes) {
    const std::string good = ReadHostFile(Host(kPackage));
    const std::int64_t length = static_cast<std::int64_t>(good.size());
    auto withRecord = [&](auto change) {
        SetupInfoBlock record = packed;
        change(record);
        std::string bytes = good;
        bytes.replace(kPackageHeadSize, kSetupInfoBlockSize, reinterpret_cast<const char*>(&record),
                      kSetupInfoBlockSize);
        return bytes;
    };
    auto withRecordOffset = [&](std::int64_t offset) {
        std::string bytes = good;
        for (int i = 0; i < 8; ++i) bytes[32 + i] = static_cast<char>(static_cast<std::uint64_t>(offset) >> (8 * i));
        return bytes;
    };
    struct Case {
        const char* name;
        std::string bytes;
        const wchar_t* folder;
        int lastError;
        int eventValue;
    } cases[] = {
        {"shorter than its record offset field", good.substr(0, 20), kTarget.c_str(), kUnpackOffsetError, 10001},
        {"shorter than its record", good.substr(0, kPackageHeadSize + 4095), kTarget.c_str(), kUnpackOffsetError,
         10001},
        {"record offset beyond the end", withRecordOffset(length), kTarget.c_str(), kUnpackOffsetError, 10001},
        {"negative record offset", withRecordOffset(-64), kTarget.c_str(), kUnpackOffsetError, 10001},
        {"payload one byte beyond the end", withRecord([](SetupInfoBlock& r) { r.m_payloadSize += 1; }),
         kTarget.c_str(), kUnpackReadFileError, 10001},
        {"negative payload offset", withRecord([](SetupInfoBlock& r) { r.m_payloadOffset = -1; }), kTarget.c_str(),
         kUnpackReadFileError, 10001},
        {"negative payload size", withRecord([](SetupInfoBlock& r) { r.m_payloadSize = -5; }), kTarget.c_str(),
         kUnpackReadFileError, 10001},
        {"offset plus size overflows",
         withRecord([](SetupInfoBlock& r) { r.m_payloadSize = std::numeric_limits<std::int64_t>::max(); }),
         kTarget.c_str(), kUnpackReadFileError, 10001},
        {"uninstaller of 4 GiB", withRecord([](SetupInfoBlock& r) { r.m_uninstallerSize = 0xFFFFFFFFu; }),
         kTarget.c_str(), kUnpackMallocError, 10001},
        {"uninstaller beyond the end", withRecord([&](SetupInfoBlock& r) { r.m_uninstallerOffset = length - 2; }),
         kTarget.c_str(), kUnpackMallocError, 10001},
        {"payload that is no archive", withRecord([](SetupInfoBlock& r) { r.m_payloadOffset = kPackageHeadSize; }),
         kTarget.c_str(), kUnpackUnzipFileError, 10001},
        {"empty install folder", good, L"", kUnpackDirWriteError, 10002},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteHostFile(Host(kPackage), c.bytes);
        SetUnpackLastError(0);
        Recorder recorder;
        EXPECT_EQ(E_FAIL, UnpackPackage(kPackage.c_str(), recorder.Callback(), c.folder, true, true));
        EXPECT_EQ(GetUnpackLastError(), c.lastError);
        std::vector<std::pair<int, int>> expected = {{0, 0}, {2, c.eventValue}};
        EXPECT_EQ(recorder.Own(), expected);
        EXPECT_FALSE(PathFileExistsW((kTarget + L"\\uninstall.exe").c_str()));
    }
    // A missing package: the file layer's open error; a null path: 10000 and no event.
    Recorder missing;
    EXPECT_EQ(E_FAIL, UnpackPackage(L"C:\\absent.exe", missing.Callback(), kTarget.c_str(), true, true));
    EXPECT_EQ(GetUnpackLastError(), -1);
    EXPECT_EQ(GetUnpackErrorName(), "-1");
    Recorder none;
    EXPECT_EQ(E_POINTER, UnpackPackage(nullptr, none.Callback(), kTarget.c_str(), true, true));
    EXPECT_EQ(GetUnpackLastError(), kUnpackPointNull);
    EXPECT_TRUE(none.events.empty());
}

TEST_F(UnpackPackageTest, WithoutTheUninstallerFlagOnlyThePayloadIsWritten) {
    ASSERT_EQ(S_OK, UnpackPackage(kPackage.c_str(), nullptr, kTarget.c_str(), true, false));
    EXPECT_EQ(ReadHostFile(Host(kTarget + L"\\readme.txt")), "hello\n");
    EXPECT_FALSE(PathFileExistsW((kTarget + L"\\uninstall.exe").c_str()));
}

}  // namespace
