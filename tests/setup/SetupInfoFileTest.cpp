// The record and its file routines: layout, bounded texts, package files
// that lie about their offsets, the uninstaller digest and the packing step.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/windowing/Dialogs.h"
#include "platform/windowing/TestDriver.h"
#include "platform/windowing/Windowing.h"
#include "setup/SetupInfoBlock.h"
#include "setup/SetupInfoErrors.h"
#include "setup/SetupInfoFile.h"
#include "setup/SetupInfoPack.h"
#include "tests/support/MachineFixture.h"

namespace {

const std::wstring kPackage = L"C:\\Users\\Public\\package.exe";
const std::wstring kPayload = L"C:\\Users\\Public\\payload.7z";

std::string Le64(std::int64_t value) {
    std::string bytes(8, '\0');
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>(static_cast<std::uint64_t>(value) >> (8 * i));
    return bytes;
}

std::string RecordBytes(const SetupInfoBlock& record) {
    return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

class SetupInfoFileTest : public testsupport::MachineTest {
protected:
    void WritePackage(const std::string& bytes) { WriteHostFile(Host(kPackage), bytes); }

    // A packed package with `uninstaller` and a small payload.
    SetupInfoBlock Pack(const std::string& uninstaller, const std::string& payload = "7z payload") {
        WriteHostFile(Host(kPayload), payload);
        SetupInfoBlock record;
        WriteText(record.m_productName, "Demo");
        std::vector<unsigned char> image(uninstaller.begin(), uninstaller.end());
        EXPECT_EQ(S_OK, PackPackage(kPackage.c_str(), image, kPayload.c_str(), record));
        SetupInfoBlock read;
        EXPECT_EQ(S_OK, ReadPackageInfo(kPackage.c_str(), read));
        return read;
    }
    // Rewrites the package's record (at its own offset).
    void Rewrite(const SetupInfoBlock& record) {
        std::string bytes = ReadHostFile(Host(kPackage));
        bytes.replace(kPackageHeadSize, kSetupInfoBlockSize, RecordBytes(record));
        WritePackage(bytes);
    }
};

TEST(SetupInfoBlockTest, StartsZeroWithTheMagic) {
    SetupInfoBlock record;
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    EXPECT_EQ(0, std::memcmp(bytes, "Vontarbe", 8));
    for (size_t i = 8; i < sizeof(record); ++i) ASSERT_EQ(0, bytes[i]) << "byte " << i;
}

TEST(SetupInfoBlockTest, TextsStayInsideTheirFields) {
    SetupInfoBlock record;
    WriteText(record.m_version, std::string(100, '9'));
    EXPECT_EQ(std::string(31, '9'), ReadText(record.m_version));
    EXPECT_EQ(0, record.m_shortProductName[0]) << "the next field is untouched";
    // A field with no NUL (as a hostile package may hold) reads as its width only.
    std::memset(record.m_date, 'x', sizeof(record.m_date));
    std::memset(record.m_helpLink, 'y', sizeof(record.m_helpLink));
    EXPECT_EQ(std::string(16, 'x'), ReadText(record.m_date));
    WriteText(record.m_date, "2026-11-27");
    EXPECT_EQ("2026-11-27", ReadText(record.m_date));
    EXPECT_EQ(0, record.m_date[15]);
}

TEST(SetupInfoBlockTest, ErrorNames) {
    struct Case {
        int code;
        const char* name;
    } cases[] = {{0, "NoError"},
                 {10000, "PointNull"},
                 {10001, "SetupFileError"},
                 {10002, "DirWriteError"},
                 {10003, "MallocBrror"},
                 {10004, "InstallFileError"},
                 {10005, "OpenFileError"},
                 {10006, "OffsetError"},
                 {10007, "ReadFileError"},
                 {10008, "UnzipFileError"},
                 {2, "2"},
                 {-1, "-1"}};
    for (const Case& c : cases) EXPECT_EQ(c.name, GetUnpackErrorName(c.code)) << c.code;
}

TEST_F(SetupInfoFileTest, PackedPackageReadsBackAndVerifies) {
    SetupInfoBlock record = Pack("uninstaller image", "payload bytes");
    EXPECT_EQ("Demo", ReadText(record.m_productName));
    EXPECT_EQ(kPackageHeadSize + 4096, record.m_uninstallerOffset);
    EXPECT_EQ(17u, record.m_uninstallerSize);
    EXPECT_EQ(record.m_uninstallerOffset + 17, record.m_payloadOffset);
    EXPECT_EQ(13, record.m_payloadSize);
    const std::string bytes = ReadHostFile(Host(kPackage));
    EXPECT_EQ(Le64(kPackageHeadSize), bytes.substr(32, 8));
    EXPECT_EQ("payload bytes", bytes.substr(static_cast<size_t>(record.m_payloadOffset)));
    EXPECT_TRUE(VerifyPackage(kPackage.c_str()));
    EXPECT_EQ(1, CheckPackage(kPackage.c_str()));
}

TEST_F(SetupInfoFileTest, MalformedPackagesAreRefused) {
    // Each package is a head with its record offset at byte 32, then `tail` bytes.
    struct Case {
        const char* what;
        std::int64_t recordOffset;
        size_t length;  // whole file
        HRESULT expected;
    } cases[] = {
        {"record ends at the end of the file", 40, 40 + 4096, S_OK},
        {"record one byte short", 40, 40 + 4095, E_FAIL},
        {"shorter than the offset field", 0, 20, E_FAIL},
        {"negative offset", -8, 8192, E_FAIL},
        {"offset beyond the file", 9000, 8192, E_FAIL},
        {"offset + 4096 overflows", std::numeric_limits<std::int64_t>::max() - 100, 8192, E_FAIL},
        {"smallest negative offset", std::numeric_limits<std::int64_t>::min(), 8192, E_FAIL},
    };
    for (const Case& c : cases) {
        std::string bytes(c.length, 'z');
        if (c.length >= 40) bytes.replace(32, 8, Le64(c.recordOffset));
        WritePackage(bytes);
        SetupInfoBlock record;
        EXPECT_EQ(c.expected, ReadPackageInfo(kPackage.c_str(), record)) << c.what;
        if (c.expected != S_OK) {
            EXPECT_FALSE(VerifyPackage(kPackage.c_str())) << c.what;
        }
    }
    SetupInfoBlock record;
    EXPECT_EQ(E_POINTER, ReadPackageInfo(nullptr, record));
    EXPECT_EQ(E_FAIL, ReadPackageInfo(L"C:\\Users\\Public\\missing.exe", record));
}

TEST_F(SetupInfoFileTest, UninstallerDigestAndRegionAreChecked) {
    SetupInfoBlock record = Pack("the uninstaller");
    struct Case {
        const char* what;
        std::int64_t offset;
        std::uint32_t size;
        bool flipDigest;
        bool expected;
    } cases[] = {
        {"as packed", record.m_uninstallerOffset, record.m_uninstallerSize, false, true},
        {"digest of other bytes", record.m_uninstallerOffset, record.m_uninstallerSize, true, false},
        {"one byte more", record.m_uninstallerOffset, record.m_uninstallerSize + 1, false, false},
        {"negative offset", -1, record.m_uninstallerSize, false, false},
        {"beyond the end", 1 << 30, 16, false, false},
        {"4 GiB request", record.m_uninstallerOffset, 0xFFFFFFFFu, false, false},
    };
    for (const Case& c : cases) {
        SetupInfoBlock changed = record;
        changed.m_uninstallerOffset = c.offset;
        changed.m_uninstallerSize = c.size;
        if (c.flipDigest) changed.m_uninstallerDigest[5] ^= 1;
        Rewrite(changed);
        EXPECT_EQ(c.expected, VerifyPackage(kPackage.c_str())) << c.what;
    }
    EXPECT_FALSE(VerifyPackage(nullptr));
}

TEST_F(SetupInfoFileTest, CorruptedPackageShowsTheMessage) {
    SetupInfoBlock record = Pack("uninstaller");
    record.m_uninstallerDigest[0] ^= 0xFF;
    Rewrite(record);
    std::atomic<int> result{-1};
    platform::DialogDriver driver([&] { result = CheckPackage(kPackage.c_str()); });
    ASSERT_NE(driver.Window(), nullptr);
    wchar_t text[128];
    GetDlgItemTextW(driver.Window(), platform::MessageBoxTextId, text, 128);
    EXPECT_STREQ(L"It looks like the setup file has been corrupted, please download again.", text);
    GetWindowTextW(driver.Window(), text, 128);
    EXPECT_STREQ(L"Error:", text);
    driver.Key(VK_RETURN);
    ASSERT_TRUE(driver.WaitFinished());
    EXPECT_EQ(0, result.load());
}

TEST_F(SetupInfoFileTest, RecordFilesHoldExactlyTheRecord) {
    SetupInfoBlock record;
    WriteText(record.m_version, "2.0.4.9");
    record.m_is64Bit = 1;
    const std::wstring path = L"C:\\Program Files\\Demo\\sub\\uninstall.exe.bin";
    ASSERT_EQ(S_OK, WriteInfoFile(path.c_str(), record));
    EXPECT_EQ(RecordBytes(record), ReadHostFile(Host(path)));
    SetupInfoBlock read;
    ASSERT_EQ(S_OK, ReadInfoFile(path.c_str(), read));
    EXPECT_EQ(0, std::memcmp(&read, &record, sizeof(record)));

    WriteHostFile(Host(path), std::string(4095, 'a'));
    EXPECT_EQ(E_FAIL, ReadInfoFile(path.c_str(), read));
    EXPECT_EQ("2.0.4.9", ReadText(read.m_version)) << "a failed read leaves the record";
    EXPECT_EQ(E_FAIL, ReadInfoFile(L"C:\\nowhere.bin", read));
    EXPECT_EQ(E_POINTER, ReadInfoFile(nullptr, read));
    EXPECT_EQ(E_POINTER, WriteInfoFile(nullptr, record));
}

}  // namespace
