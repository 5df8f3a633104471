#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/zip/JUnzip.h"
#include "formats/zip/ZipReaderApi.h"
#include "formats/zip/ZipWriterApi.h"
#include "platform/Win32.h"
#include "tests/formats/zip/ZipTestTools.h"
#include "tests/support/MachineFixture.h"

namespace {

using ziptest::Quote;

class ZipReaderTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(L"C:\\src", nullptr));
        ASSERT_TRUE(CreateDirectoryW(L"C:\\src\\sub", nullptr));
        ASSERT_TRUE(CreateDirectoryW(L"C:\\out", nullptr));
        text = ziptest::LogText(200000);
        WriteHostFile(Host(L"C:\\src\\log.txt"), text);
        WriteHostFile(Host(L"C:\\src\\sub\\empty.txt"), "");
        WriteHostFile(Host(L"C:\\src\\sub\\notes.txt"), "notes\n");
    }

    // Runs a tool in the source folder.
    void Tool(const std::string& command) {
        ziptest::ToolRun run = ziptest::Run("cd " + Quote(Host(L"C:\\src")) + " && " + command);
        ASSERT_EQ(run.status, 0) << command << "\n" << run.output;
    }

    std::string Out(const std::wstring& relative) { return ReadHostFile(Host(L"C:\\out\\" + relative)); }

    std::string text;
};

const char* kPythonArchive = R"(
import sys, zipfile
archive, method = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED if method == "deflated" else zipfile.ZIP_STORED) as z:
    z.write("log.txt")
    z.write("sub")
    z.write("sub/empty.txt")
    z.write("sub/notes.txt")
)";

TEST_F(ZipReaderTest, ExtractsArchivesOfInfoZipAndPythonByteForByte) {
    struct Case {
        const char* name;
        std::string make;
        const char* password;
    } cases[] = {
        {"stored.zip", "zip -q -0 -r ../stored.zip log.txt sub", nullptr},
        {"deflated.zip", "zip -q -9 -r ../deflated.zip log.txt sub", nullptr},
        {"encrypted.zip", "zip -q -P s3cret -r ../encrypted.zip log.txt sub", "s3cret"},
        {"py-deflated.zip", "", nullptr},
        {"py-stored.zip", "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string archive = Host(L"C:\\") + "/" + c.name;
        if (c.make.empty()) {
            std::string method = std::string(c.name).find("deflated") != std::string::npos ? "deflated" : "stored";
            ziptest::ToolRun run =
                ziptest::Run("cd " + Quote(Host(L"C:\\src")) + " && /usr/bin/python3 - " + Quote(archive) + " " +
                             method + " <<'END'\n" + kPythonArchive + "\nEND");
            ASSERT_EQ(run.status, 0) << run.output;
        } else {
            Tool(c.make);
        }
        std::filesystem::remove_all(Host(L"C:\\out"));
        ASSERT_TRUE(CreateDirectoryW(L"C:\\out", nullptr));
        JUnzip unzip;
        std::wstring path = L"C:\\" + std::wstring(c.name, c.name + std::strlen(c.name));
        ASSERT_TRUE(unzip.OpenFromFile(path.c_str(), c.password));
        ASSERT_TRUE(unzip.SetBaseDir(L"C:\\out"));
        EXPECT_EQ(unzip.GetItemCount(), 4);
        EXPECT_TRUE(unzip.UnzipAll());
        EXPECT_TRUE(Out(L"log.txt") == text);
        EXPECT_EQ(Out(L"sub\\notes.txt"), "notes\n");
        EXPECT_TRUE(PathFileExistsW(L"C:\\out\\sub\\empty.txt"));
        EXPECT_TRUE(PathIsDirectoryW(L"C:\\out\\sub"));
        std::vector<JUnzipItem> items;
        ASSERT_TRUE(unzip.ListItems(&items));
        ASSERT_EQ(items.size(), 4u);
        EXPECT_EQ(items[0].name, L"log.txt");
        EXPECT_EQ(items[0].size, text.size());
    }
}

TEST_F(ZipReaderTest, WrongPasswordCrcErrorAndTruncationAreErrors) {
    Tool("zip -q -P right ../secret.zip log.txt");
    // zip picks the encryption header's bytes at random, so a wrong password passes the one
    // check byte in one archive of 256; the inflater or the CRC check refuses the entry then.
    // Such an archive is made again, so that what follows sees the check byte's own refusal.
    for (int attempt = 0; attempt < 8; ++attempt) {
        HZIP probe = ZipOpenFile(L"C:\\secret.zip", "wrong");
        ASSERT_NE(probe, nullptr);
        ASSERT_EQ(ZipSetBaseDir(probe, L"C:\\out"), ZR_OK);
        ZRESULT result = ZipUnzipToFile(probe, 0, L"probe.txt");
        ZipCloseReader(probe);
        DeleteFileW(L"C:\\out\\probe.txt");
        if (result == ZR_PASSWORD) break;
        Tool("rm -f ../secret.zip && zip -q -P right ../secret.zip log.txt");
    }
    for (const char* password : {"wrong", static_cast<const char*>(nullptr)}) {
        HZIP zip = ZipOpenFile(L"C:\\secret.zip", password);
        ASSERT_NE(zip, nullptr);
        ASSERT_EQ(ZipSetBaseDir(zip, L"C:\\out"), ZR_OK);
        EXPECT_EQ(ZipUnzipToFile(zip, 0, L"log.txt"), ZR_PASSWORD);
        EXPECT_FALSE(PathFileExistsW(L"C:\\out\\log.txt"));
        char buffer[64];
        EXPECT_EQ(ZipUnzipToMemory(zip, 0, buffer, sizeof(buffer)), ZR_PASSWORD);
        wchar_t message[64];
        ZipFormatMessageW(ZR_RECENT, message, 64);
        EXPECT_STREQ(message, L"Correct password required");
        ZipCloseReader(zip);
    }

    // A stored entry with one data byte changed fails its CRC check.
    Tool("zip -q -0 ../stored.zip log.txt");
    std::string bytes = ReadHostFile(Host(L"C:\\stored.zip"));
    bytes[30 + 7 + 28 + 1000] ^= 0x01;  // inside the data, past the header and its extra field
    WriteHostFile(Host(L"C:\\bad-crc.zip"), bytes);
    HZIP zip = ZipOpenFile(L"C:\\bad-crc.zip", nullptr);
    ASSERT_NE(zip, nullptr);
    ZipSetBaseDir(zip, L"C:\\out");
    EXPECT_EQ(ZipUnzipToFile(zip, 0, L"log.txt"), ZR_CORRUPT);
    EXPECT_FALSE(PathFileExistsW(L"C:\\out\\log.txt"));
    ZipCloseReader(zip);

    // Cut archives: no end record, or data missing before the directory.
    std::string good = ReadHostFile(Host(L"C:\\stored.zip"));
    WriteHostFile(Host(L"C:\\cut.zip"), good.substr(0, good.size() / 2));
    EXPECT_EQ(ZipOpenFile(L"C:\\cut.zip", nullptr), nullptr);
    EXPECT_EQ(ZipLastReaderResult(), ZR_NOFILE);
    EXPECT_EQ(ZipOpenMemory(good.data(), static_cast<DWORD>(good.size() - 30), nullptr), nullptr);
    EXPECT_EQ(ZipOpenFile(L"C:\\none.zip", nullptr), nullptr);
}

TEST_F(ZipReaderTest, HostileNamesNeverLeaveTheBaseFolder) {
    ASSERT_TRUE(CreateDirectoryW(L"C:\\elsewhere", nullptr));
    std::filesystem::create_directory_symlink(Host(L"C:\\elsewhere"), Host(L"C:\\out\\linked"));
    const char* script = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    for name in ["../x", "a/../../x", "/etc/x", "C:\\x", "a\\..\\..\\x", "..\\x", "linked/x", "a/./b/../ok.txt"]:
        z.writestr(zipfile.ZipInfo(name), "hostile " + name)
    link = zipfile.ZipInfo("link")
    link.create_system = 3
    link.external_attr = 0xA1FF << 16
    z.writestr(link, "../../elsewhere")
    z.writestr(zipfile.ZipInfo("link/y"), "through the link")
)";
    ziptest::ToolRun made = ziptest::Python(script, {Host(L"C:\\hostile.zip")});
    ASSERT_EQ(made.status, 0) << made.output;
    HZIP zip = ZipOpenFile(L"C:\\hostile.zip", nullptr);
    ASSERT_NE(zip, nullptr);
    ASSERT_EQ(ZipSetBaseDir(zip, L"C:\\out\\"), ZR_OK);
    struct Case {
        int index;
        ZRESULT expected;
    };
    // Entry 8, the link entry, becomes a plain file holding its text.
    const Case cases[] = {{0, ZR_UNSAFENAME}, {1, ZR_UNSAFENAME}, {2, ZR_UNSAFENAME}, {3, ZR_UNSAFENAME},
                          {4, ZR_UNSAFENAME}, {5, ZR_UNSAFENAME}, {6, ZR_UNSAFENAME}, {7, ZR_OK},
                          {8, ZR_OK},         {9, ZR_NOFILE}};
    for (const Case& c : cases) {
        ZipEntryInfo info{};
        ASSERT_EQ(ZipGetItem(zip, c.index, &info), ZR_OK);
        EXPECT_EQ(ZipUnzipToFile(zip, c.index, info.name), c.expected) << c.index;
    }
    ZipCloseReader(zip);
    EXPECT_EQ(Out(L"a\\ok.txt"), "hostile a/./b/../ok.txt");
    EXPECT_EQ(Out(L"link"), "../../elsewhere");
    EXPECT_FALSE(PathIsDirectoryW(L"C:\\out\\link"));
    EXPECT_TRUE(std::filesystem::is_empty(Host(L"C:\\elsewhere")));
    EXPECT_FALSE(PathFileExistsW(L"C:\\x"));
    EXPECT_FALSE(PathFileExistsW(L"C:\\out\\x"));
    // Nothing was written anywhere on the machine but inside the base folder.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Host(L"C:\\"))) {
        std::string path = entry.path().string();
        EXPECT_TRUE(path.find("hostile") == std::string::npos || path.find("hostile.zip") != std::string::npos) << path;
    }
    // A caller's relative target that climbs out is refused as well.
    JUnzip unzip;
    ASSERT_TRUE(unzip.OpenFromFile(L"C:\\hostile.zip", nullptr));
    ASSERT_TRUE(unzip.SetBaseDir(L"C:\\out"));
    EXPECT_FALSE(unzip.UnzipItem(L"A/./B/../OK.TXT", L"..\\escaped.txt", nullptr));
    EXPECT_FALSE(PathFileExistsW(L"C:\\escaped.txt"));
    EXPECT_TRUE(unzip.UnzipItem(L"A/./B/../OK.TXT", L"C:\\chosen\\ok.txt", nullptr));
    EXPECT_TRUE(PathFileExistsW(L"C:\\chosen\\ok.txt"));
    EXPECT_FALSE(unzip.UnzipAll());
}

TEST_F(ZipReaderTest, CancelRemovesThePartialFileAndReportsFailure) {
    std::string big = ziptest::LogText(3 * 1024 * 1024);
    HZIP writer = ZipCreateFile(L"C:\\big.zip", nullptr);
    ASSERT_EQ(ZipAddMemory(writer, L"big.log", big.data(), static_cast<DWORD>(big.size())), ZR_OK);
    ASSERT_EQ(ZipClose(writer), ZR_OK);
    JUnzip unzip;
    ASSERT_TRUE(unzip.OpenFromFile(L"C:\\big.zip", nullptr));
    ASSERT_TRUE(unzip.SetBaseDir(L"C:\\out"));
    std::atomic<int> cancel{1};
    EXPECT_FALSE(unzip.UnzipItem(L"big.log", L"big.log", &cancel));
    EXPECT_EQ(ZipLastReaderResult(), ZR_CANCELLED);
    EXPECT_FALSE(PathFileExistsW(L"C:\\out\\big.log"));
    cancel = 0;
    EXPECT_TRUE(unzip.UnzipItem(L"big.log", L"big.log", &cancel));
    EXPECT_TRUE(Out(L"big.log") == big);
}

TEST_F(ZipReaderTest, ReadsTheWritersArchivesWithTimesAttributesAndMemoryChunks) {
    // Our own writer: encrypted entries with descriptors, from a file with known times.
    HANDLE file = CreateFileW(L"C:\\src\\log.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME written{};
    written.dwHighDateTime = 0x01D9A000u;  // 2023
    FILETIME accessed = written;
    accessed.dwHighDateTime += 1;
    ASSERT_TRUE(SetFileTime(file, nullptr, &accessed, &written));
    CloseHandle(file);
    ASSERT_TRUE(SetFileAttributesW(L"C:\\src\\log.txt", FILE_ATTRIBUTE_READONLY));
    HZIP writer = ZipCreateFile(L"C:\\ours.zip", "pw");
    ASSERT_EQ(ZipAddFile(writer, L"dir\\log.txt", L"C:\\src\\log.txt"), ZR_OK);
    ASSERT_EQ(ZipAddFolder(writer, L"empty"), ZR_OK);
    ASSERT_EQ(ZipClose(writer), ZR_OK);

    std::string archive = ReadHostFile(Host(L"C:\\ours.zip"));
    HZIP zip = ZipOpenMemory(archive.data(), static_cast<DWORD>(archive.size()), "pw");
    ASSERT_NE(zip, nullptr);
    ZipEntryInfo info{};
    ASSERT_EQ(ZipGetItem(zip, -1, &info), ZR_OK);
    EXPECT_EQ(info.index, 2);
    EXPECT_EQ(ZipGetItem(zip, 2, &info), ZR_ARGS);
    int index = 7;
    EXPECT_EQ(ZipFindItem(zip, L"missing.txt", true, &index, &info), ZR_NOTFOUND);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(info.index, -1);
    EXPECT_EQ(ZipFindItem(zip, L"DIR\\LOG.TXT", false, &index, &info), ZR_NOTFOUND);
    ASSERT_EQ(ZipFindItem(zip, L"DIR\\LOG.TXT", true, &index, &info), ZR_OK);
    EXPECT_EQ(index, 0);
    EXPECT_STREQ(info.name, L"dir\\log.txt");
    EXPECT_EQ(info.uncompressedSize, text.size());
    EXPECT_EQ(info.attributes & FILE_ATTRIBUTE_READONLY, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    // Whole seconds from the timestamp field.
    auto seconds = [](const FILETIME& t) {
        return ((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000000ULL;
    };
    EXPECT_EQ(seconds(info.writeTime), seconds(written));
    EXPECT_EQ(seconds(info.accessTime), seconds(accessed));
    ASSERT_EQ(ZipGetItem(zip, 1, &info), ZR_OK);
    EXPECT_EQ(info.attributes & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));

    std::string collected;
    char chunk[7000];
    ZRESULT result = ZR_MORE;
    for (int calls = 0; result == ZR_MORE && calls < 1000; ++calls) {
        DWORD produced = 0;
        result = ZipUnzipToMemory(zip, 0, chunk, sizeof(chunk), &produced);
        collected.append(chunk, produced);
    }
    EXPECT_EQ(result, ZR_OK);
    EXPECT_TRUE(collected == text);
    ASSERT_EQ(ZipSetBaseDir(zip, L"C:\\out"), ZR_OK);
    EXPECT_EQ(ZipUnzipToFile(zip, 0, L"dir\\log.txt"), ZR_OK);
    EXPECT_TRUE(Out(L"dir\\log.txt") == text);
    EXPECT_EQ(GetFileAttributesW(L"C:\\out\\dir\\log.txt") & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ZipUnzipToFile(zip, 1, L"empty\\"), ZR_OK);
    EXPECT_TRUE(PathIsDirectoryW(L"C:\\out\\empty"));
    EXPECT_EQ(ZipCloseReader(zip), ZR_OK);
    EXPECT_EQ(ZipGetItem(zip, 0, &info), ZR_ARGS);
    HZIP other = ZipCreateMemory(nullptr, 1000, nullptr);
    EXPECT_EQ(ZipGetItem(other, 0, &info), ZR_ZMODE);
    ZipClose(other);
}

}  // namespace
