#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "formats/zip/JZip.h"
#include "formats/zip/ZipCipher.h"
#include "formats/zip/ZipWriterApi.h"
#include "platform/Win32.h"
#include "tests/formats/zip/ZipTestTools.h"
#include "tests/support/MachineFixture.h"

namespace {

using ziptest::Quote;
using ziptest::Read16;
using ziptest::Read32;

class ZipWriterTest : public testsupport::MachineTest {
protected:
    void SetUp() override { ASSERT_TRUE(CreateDirectoryW(L"C:\\work", nullptr)); }

    void Put(const std::wstring& path, const std::string& bytes) { WriteHostFile(Host(path), bytes); }
    std::string Bytes(const std::wstring& path) { return ReadHostFile(Host(path)); }
};

// Central directory entries of an archive, read from its end record.
struct CentralEntry {
    std::uint16_t madeBy, needed, flags, method;
    std::uint32_t dosTime, crc, compressed, uncompressed, attributes, offset;
    std::uint16_t extraLength;
    std::string name;
};

std::vector<CentralEntry> Central(const std::string& zip) {
    std::vector<CentralEntry> entries;
    std::size_t end = zip.size() - 22;
    EXPECT_EQ(Read32(zip, end), 0x06054B50u);
    std::size_t at = Read32(zip, end + 16);
    for (unsigned i = 0; i < Read16(zip, end + 10); ++i) {
        EXPECT_EQ(Read32(zip, at), 0x02014B50u);
        CentralEntry e{Read16(zip, at + 4),  Read16(zip, at + 6),  Read16(zip, at + 8),  Read16(zip, at + 10),
                       Read32(zip, at + 12), Read32(zip, at + 16), Read32(zip, at + 20), Read32(zip, at + 24),
                       Read32(zip, at + 38), Read32(zip, at + 42), Read16(zip, at + 30), {}};
        e.name = zip.substr(at + 46, Read16(zip, at + 28));
        entries.push_back(e);
        at += 46 + e.name.size() + e.extraLength + Read16(zip, at + 32);
    }
    return entries;
}

const char* kCheckArchive = R"(
import sys, zipfile
archive, folder = sys.argv[1], sys.argv[2]
password = sys.argv[3].encode() if len(sys.argv) > 3 else None
with zipfile.ZipFile(archive) as z:
    if password: z.setpassword(password)
    bad = z.testzip()
    if bad: sys.exit("bad entry " + bad)
    for info in z.infolist():
        data = z.read(info)
        if info.is_dir(): continue
        with open(folder + "/" + info.filename, "rb") as f:
            if f.read() != data: sys.exit("differs: " + info.filename)
print("ok", len(z.infolist()))
)";

TEST_F(ZipWriterTest, JZipLayoutHasSizesInTheLocalHeadersAndNoDescriptors) {
    Put(L"C:\\work\\install.log", ziptest::LogText(5000));
    Put(L"C:\\work\\trace.GZ", "already packed bytes");
    JZip zip;
    ASSERT_TRUE(zip.Create(L"C:\\work\\logs.zip", ""));
    EXPECT_TRUE(zip.AddFile(L"C:\\work\\install.log", L"logs\\install.log"));
    EXPECT_TRUE(zip.AddFile(L"C:\\work\\trace.GZ", L"trace.GZ"));
    EXPECT_TRUE(zip.NoOp(7));
    EXPECT_TRUE(zip.Close());
    std::string bytes = Bytes(L"C:\\work\\logs.zip");

    std::vector<CentralEntry> entries = Central(bytes);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "logs/install.log");
    EXPECT_EQ(entries[0].method, 8);
    EXPECT_EQ(entries[0].flags, 0x2);
    EXPECT_EQ(entries[1].method, 0);
    EXPECT_EQ(entries[1].flags, 0);
    EXPECT_EQ(entries[1].compressed, 20u);
    for (const CentralEntry& e : entries) {
        EXPECT_EQ(e.madeBy, 0x0B17);
        EXPECT_EQ(e.needed, 20);
        EXPECT_EQ(e.extraLength, 9);
        EXPECT_EQ(e.attributes >> 16, 0x8000u | 0x100 | 0x80) << e.name;
        // The local header repeats the final fields, followed by the 17-byte timestamp field.
        std::size_t at = e.offset;
        EXPECT_EQ(Read32(bytes, at), 0x04034B50u);
        EXPECT_EQ(Read16(bytes, at + 6), e.flags);
        EXPECT_EQ(Read32(bytes, at + 14), e.crc);
        EXPECT_EQ(Read32(bytes, at + 18), e.compressed);
        EXPECT_EQ(Read32(bytes, at + 22), e.uncompressed);
        EXPECT_EQ(Read16(bytes, at + 28), 17);
        EXPECT_EQ(Read16(bytes, at + 30 + e.name.size()), 0x5455);
        EXPECT_EQ(bytes[at + 34 + e.name.size()], 0x07);
        // No descriptor: the next record starts right after the data.
        std::size_t next = at + 30 + e.name.size() + 17 + e.compressed;
        EXPECT_NE(Read32(bytes, next), 0x08074B50u);
    }
    EXPECT_EQ(entries[1].offset, 30 + entries[0].name.size() + 17 + entries[0].compressed);
}

TEST_F(ZipWriterTest, ArchivesPassInfoZipAndPythonForEveryKindOfEntry) {
    std::string big = ziptest::LogText(10 * 1024 * 1024);
    Put(L"C:\\work\\text.txt", ziptest::LogText(70000));
    Put(L"C:\\work\\packed.GZ", std::string(3000, 'g'));
    Put(L"C:\\work\\empty.txt", "");
    Put(L"C:\\work\\big.log", big);

    HZIP zip = ZipCreateFile(L"C:\\work\\out\\..\\plain.zip", nullptr);
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipAddFile(zip, L"text.txt", L"C:\\work\\text.txt"), ZR_OK);
    EXPECT_EQ(ZipAddFile(zip, L"packed.GZ", L"C:\\work\\packed.GZ"), ZR_OK);
    EXPECT_EQ(ZipAddFile(zip, L"empty.txt", L"C:\\work\\empty.txt"), ZR_OK);
    EXPECT_EQ(ZipAddFolder(zip, L"folder"), ZR_OK);
    EXPECT_EQ(ZipAddFile(zip, L"big.log", L"C:\\work\\big.log"), ZR_OK);
    EXPECT_EQ(ZipClose(zip), ZR_OK);

    // The same 10 MiB file into a page-file mapping, kept as a file afterwards.
    HZIP memory = ZipCreateMemory(nullptr, 12 * 1024 * 1024, nullptr);
    ASSERT_NE(memory, nullptr);
    EXPECT_EQ(ZipAddMemory(memory, L"big.log", big.data(), static_cast<DWORD>(big.size())), ZR_OK);
    void* buffer = nullptr;
    DWORD length = 0;
    EXPECT_EQ(ZipGetMemory(memory, &buffer, &length), ZR_OK);
    ASSERT_NE(buffer, nullptr);
    Put(L"C:\\work\\memory.zip", std::string(static_cast<const char*>(buffer), length));
    EXPECT_EQ(ZipClose(memory), ZR_OK);

    HZIP secret = ZipCreateFile(L"C:\\work\\secret.zip", "pa55word");
    ASSERT_NE(secret, nullptr);
    EXPECT_EQ(ZipAddFile(secret, L"text.txt", L"C:\\work\\text.txt"), ZR_OK);
    EXPECT_EQ(ZipAddFile(secret, L"packed.GZ", L"C:\\work\\packed.GZ"), ZR_OK);
    EXPECT_EQ(ZipAddFile(secret, L"empty.txt", L"C:\\work\\empty.txt"), ZR_OK);
    EXPECT_EQ(ZipAddFolder(secret, L"folder\\"), ZR_OK);
    EXPECT_EQ(ZipClose(secret), ZR_OK);

    std::string work = Host(L"C:\\work");
    for (const char* name : {"plain.zip", "memory.zip"}) {
        std::string archive = work + "/" + name;
        ziptest::ToolRun tested = ziptest::Run("unzip -t " + Quote(archive));
        EXPECT_EQ(tested.status, 0) << name << "\n" << tested.output;
        ziptest::ToolRun python = ziptest::Python(kCheckArchive, {archive, work});
        EXPECT_EQ(python.status, 0) << name << "\n" << python.output;
    }
    std::string secretArchive = work + "/secret.zip";
    ziptest::ToolRun tested = ziptest::Run("unzip -t -P pa55word " + Quote(secretArchive));
    EXPECT_EQ(tested.status, 0) << tested.output;
    ziptest::ToolRun wrong = ziptest::Run("unzip -t -P wrong " + Quote(secretArchive));
    EXPECT_NE(wrong.status, 0) << wrong.output;
    std::string extracted = work + "/extracted";
    ziptest::ToolRun unpacked =
        ziptest::Run("unzip -q -P pa55word -d " + Quote(extracted) + " " + Quote(secretArchive));
    EXPECT_EQ(unpacked.status, 0) << unpacked.output;
    EXPECT_EQ(ReadHostFile(extracted + "/text.txt"), ReadHostFile(work + "/text.txt"));
    EXPECT_EQ(ReadHostFile(extracted + "/packed.GZ"), std::string(3000, 'g'));
    ziptest::ToolRun python = ziptest::Python(kCheckArchive, {secretArchive, work, "pa55word"});
    EXPECT_EQ(python.status, 0) << python.output;

    // Every kind of entry as the table says: folder stored with its own
    // attributes, ".GZ" stored, the empty file deflated.
    std::vector<CentralEntry> entries = Central(Bytes(L"C:\\work\\plain.zip"));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[1].method, 0);
    EXPECT_EQ(entries[2].method, 8);
    EXPECT_EQ(entries[2].uncompressed, 0u);
    EXPECT_EQ(entries[3].name, "folder/");
    EXPECT_EQ(entries[3].method, 0);
    EXPECT_EQ(entries[3].attributes, 0x41C00010u);
}

TEST_F(ZipWriterTest, EncryptedEntriesUseDescriptorsAndCarryTheCheckByte) {
    std::string text = ziptest::LogText(3000);
    HZIP zip = ZipCreateFile(L"C:\\work\\secret.zip", "key");
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipAddMemory(zip, L"a.txt", text.data(), static_cast<DWORD>(text.size())), ZR_OK);
    EXPECT_EQ(ZipAddMemory(zip, L"b.txt", text.data(), static_cast<DWORD>(text.size())), ZR_OK);
    EXPECT_EQ(ZipAddFolder(zip, L"dir"), ZR_OK);
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    std::string bytes = Bytes(L"C:\\work\\secret.zip");
    std::vector<CentralEntry> entries = Central(bytes);
    ASSERT_EQ(entries.size(), 3u);
    std::vector<std::string> heads;
    for (int i = 0; i < 2; ++i) {
        const CentralEntry& e = entries[static_cast<size_t>(i)];
        EXPECT_EQ(e.flags, 9);
        std::size_t data = e.offset + 30 + e.name.size() + 17;
        EXPECT_EQ(Read16(bytes, e.offset + 6), 9);
        EXPECT_EQ(Read32(bytes, e.offset + 14), 0u);  // the CRC follows in the descriptor
        std::size_t descriptor = data + e.compressed;
        EXPECT_EQ(Read32(bytes, descriptor), 0x08074B50u);
        EXPECT_EQ(Read32(bytes, descriptor + 4), e.crc);
        EXPECT_EQ(Read32(bytes, descriptor + 8), e.compressed);
        std::string head = bytes.substr(data, 12);
        heads.push_back(head.substr(0, 11));
        ReaderDecryptKeys keys("key");
        keys.Decrypt(reinterpret_cast<std::uint8_t*>(head.data()), head.size());
        EXPECT_EQ(static_cast<std::uint8_t>(head[11]), (e.dosTime >> 8) & 0xFF);
    }
    // The random part of the headers comes from the system generator.
    EXPECT_NE(heads[0], heads[1]);
    // A folder is never encrypted.
    EXPECT_EQ(entries[2].flags, 0);
}

TEST_F(ZipWriterTest, UnseekableOutputGetsDescriptorsAndPassesTheTools) {
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
    std::string collected;
    std::thread drain([&] {
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0) collected.append(buffer, got);
    });
    std::string text = ziptest::LogText(100000);
    HZIP zip = ZipCreateHandle(writeEnd, nullptr);
    ASSERT_NE(zip, nullptr);
    EXPECT_EQ(ZipAddMemory(zip, L"log.txt", text.data(), static_cast<DWORD>(text.size())), ZR_OK);
    EXPECT_EQ(ZipAddMemory(zip, L"copy.gz", "gz", 2), ZR_OK);
    // A stored entry whose size nobody knows cannot be described afterwards.
    HANDLE sourceRead = nullptr;
    HANDLE sourceWrite = nullptr;
    ASSERT_TRUE(CreatePipe(&sourceRead, &sourceWrite, nullptr, 0));
    DWORD put = 0;
    WriteFile(sourceWrite, "abc", 3, &put, nullptr);
    CloseHandle(sourceWrite);
    EXPECT_EQ(ZipAddHandle(zip, L"stream.zip", sourceRead), ZR_NOCHANGE);
    CloseHandle(sourceRead);
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    CloseHandle(writeEnd);
    drain.join();
    CloseHandle(readEnd);

    std::vector<CentralEntry> entries = Central(collected);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].flags, 8);
    EXPECT_EQ(entries[1].flags, 8);
    EXPECT_EQ(entries[0].attributes, 0x80000000u);
    Put(L"C:\\work\\piped.zip", collected);
    WriteHostFile(Host(L"C:\\work\\log.txt"), text);
    WriteHostFile(Host(L"C:\\work\\copy.gz"), "gz");
    std::string archive = Host(L"C:\\work\\piped.zip");
    ziptest::ToolRun tested = ziptest::Run("unzip -t " + Quote(archive));
    EXPECT_EQ(tested.status, 0) << tested.output;
    ziptest::ToolRun python = ziptest::Python(kCheckArchive, {archive, Host(L"C:\\work")});
    EXPECT_EQ(python.status, 0) << python.output;
}

TEST_F(ZipWriterTest, MemoryBufferOfExactlyTheArchiveSizeIsEnough) {
    std::string text = ziptest::LogText(20000);
    std::vector<char> large(100000);
    HZIP first = ZipCreateMemory(large.data(), static_cast<DWORD>(large.size()), nullptr);
    ASSERT_EQ(ZipAddMemory(first, L"a.txt", text.data(), static_cast<DWORD>(text.size())), ZR_OK);
    void* buffer = nullptr;
    DWORD needed = 0;
    ASSERT_EQ(ZipGetMemory(first, &buffer, &needed), ZR_OK);
    EXPECT_EQ(buffer, large.data());
    // A second call does not write the directory again.
    DWORD again = 0;
    EXPECT_EQ(ZipGetMemory(first, &buffer, &again), ZR_OK);
    EXPECT_EQ(again, needed);
    EXPECT_EQ(ZipAddMemory(first, L"late.txt", "x", 1), ZR_ENDED);
    EXPECT_EQ(ZipClose(first), ZR_OK);

    std::vector<char> exact(needed);
    HZIP fits = ZipCreateMemory(exact.data(), needed, nullptr);
    EXPECT_EQ(ZipAddMemory(fits, L"a.txt", text.data(), static_cast<DWORD>(text.size())), ZR_OK);
    DWORD length = 0;
    EXPECT_EQ(ZipGetMemory(fits, &buffer, &length), ZR_OK);
    EXPECT_EQ(length, needed);
    EXPECT_EQ(ZipClose(fits), ZR_OK);

    std::vector<char> small(needed - 1);
    HZIP tooSmall = ZipCreateMemory(small.data(), needed - 1, nullptr);
    EXPECT_EQ(ZipAddMemory(tooSmall, L"a.txt", text.data(), static_cast<DWORD>(text.size())), ZR_OK);
    EXPECT_EQ(ZipGetMemory(tooSmall, &buffer, &length), ZR_WRITE);
    EXPECT_EQ(ZipAddMemory(tooSmall, L"b.txt", "b", 1), ZR_FAILED);
    EXPECT_EQ(ZipClose(tooSmall), ZR_OK);

    std::vector<char> tiny(100);
    HZIP full = ZipCreateMemory(tiny.data(), 100, nullptr);
    EXPECT_EQ(ZipAddMemory(full, L"a.txt", text.data(), static_cast<DWORD>(text.size())), ZR_MEMSIZE);
    EXPECT_EQ(ZipAddMemory(full, L"b.txt", "b", 1), ZR_FAILED);
    EXPECT_EQ(ZipClose(full), ZR_WRITE);
    EXPECT_EQ(ZipCreateMemory(tiny.data(), 0, nullptr), nullptr);
    EXPECT_EQ(ZipLastWriterResult(), ZR_MEMSIZE);
}

TEST_F(ZipWriterTest, SourcesOfFourGibibytesAreRefusedAndTheArchiveStaysSound) {
    HANDLE sparse = CreateFileW(L"C:\\work\\huge.bin", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(sparse, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size{};
    size.QuadPart = 0x100000000LL;
    ASSERT_TRUE(SetFilePointerEx(sparse, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(sparse));
    CloseHandle(sparse);
    Put(L"C:\\work\\small.txt", "small");

    JZip zip;
    ASSERT_TRUE(zip.Create(L"C:\\work\\logs.zip", nullptr));
    EXPECT_FALSE(zip.AddFile(L"C:\\work\\huge.bin", L"huge.bin"));
    EXPECT_EQ(zip.LastResult(), ZR_TOOLARGE);
    char text[80];
    ZipFormatMessage(ZR_RECENT, text, sizeof(text));
    EXPECT_STREQ(text, "Caller: entry or archive too large (4 GiB or more)");
    EXPECT_TRUE(zip.AddFile(L"C:\\work\\small.txt", L"small.txt"));
    zip.Close();
    ziptest::ToolRun tested = ziptest::Run("unzip -t " + Quote(Host(L"C:\\work\\logs.zip")));
    EXPECT_EQ(tested.status, 0) << tested.output;
    EXPECT_EQ(Central(Bytes(L"C:\\work\\logs.zip")).size(), 1u);
}

TEST_F(ZipWriterTest, JZipReportsEveryRefusal) {
    Put(L"C:\\work\\a.txt", "a");
    JZip zip;
    EXPECT_FALSE(zip.AddFile(L"C:\\work\\a.txt", L"a.txt"));  // no archive yet
    EXPECT_FALSE(zip.Create(L"C:\\missing\\folder\\x.zip", nullptr));
    EXPECT_EQ(zip.LastResult(), ZR_NOFILE);
    ASSERT_TRUE(zip.Create(L"C:\\work\\x.zip", nullptr));
    EXPECT_FALSE(zip.AddFile(L"C:\\work\\none.txt", L"none.txt"));
    EXPECT_FALSE(zip.AddFile(L"C:\\work\\a.txt", L""));
    EXPECT_EQ(zip.LastResult(), ZR_ARGS);
    EXPECT_FALSE(zip.AddFile(L"C:\\work\\a.txt", std::wstring(300, L'n').c_str()));
    EXPECT_TRUE(zip.AddFile(L"C:\\work\\a.txt", L"a.txt"));
    EXPECT_TRUE(zip.Close());
    EXPECT_FALSE(zip.AddFile(L"C:\\work\\a.txt", L"b.txt"));
    EXPECT_EQ(Central(Bytes(L"C:\\work\\x.zip")).size(), 1u);
    // Creating again closes the first archive, which keeps its entry.
    ASSERT_TRUE(zip.Create(L"C:\\work\\y.zip", nullptr));
    EXPECT_TRUE(zip.AddFile(L"C:\\work\\a.txt", L"a.txt"));
    ASSERT_TRUE(zip.Create(L"C:\\work\\z.zip", nullptr));
    EXPECT_EQ(Central(Bytes(L"C:\\work\\y.zip")).size(), 1u);
}

TEST_F(ZipWriterTest, HandlesAreCheckedAndClosedHandlesRefused) {
    EXPECT_EQ(ZipAddFolder(nullptr, L"x"), ZR_ARGS);
    void* buffer = reinterpret_cast<void*>(1);
    DWORD length = 5;
    EXPECT_EQ(ZipGetMemory(nullptr, &buffer, &length), ZR_ARGS);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(length, 0u);
    HZIP zip = ZipCreateFile(L"C:\\work\\x.zip", nullptr);
    ASSERT_TRUE(IsZipWriterHandle(zip));
    EXPECT_EQ(ZipGetMemory(zip, &buffer, &length), ZR_NOTMMAP);
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    EXPECT_FALSE(IsZipWriterHandle(zip));
    EXPECT_EQ(ZipAddFolder(zip, L"late"), ZR_ARGS);
    EXPECT_EQ(ZipClose(zip), ZR_ARGS);
    HZIP reader = ZipRegisterHandle(ZIP_HANDLE_READER, nullptr);
    EXPECT_EQ(ZipAddFolder(reader, L"x"), ZR_ZMODE);
    EXPECT_EQ(ZipClose(reader), ZR_ZMODE);
    ZipUnregisterHandle(reader);
}

TEST(ZipMessages, TextsAreCutToTheBufferAndTheFullLengthReturned) {
    char text[10];
    EXPECT_EQ(ZipFormatMessage(ZR_NOFILE, text, sizeof(text)), 25u);
    EXPECT_STREQ(text, "Couldn't ");
    EXPECT_EQ(ZipFormatMessage(ZR_NOFILE, nullptr, 0), 25u);
    struct Case {
        ZRESULT code;
        const char* text;
    } cases[] = {{ZR_OK, "Success"},
                 {ZR_NODUPH, "Culdn't duplicate handle"},
                 {ZR_MEMSIZE, "Caller: not enough space allocated for memory zipfile"},
                 {ZR_FLATE, "Zip-bug: an internal error during flation"},
                 {0x12345, "unknown zip result code"}};
    for (const Case& c : cases) {
        char buffer[100];
        ZipFormatMessage(c.code, buffer, sizeof(buffer));
        EXPECT_STREQ(buffer, c.text);
    }
    ZipAddFolder(nullptr, L"x");
    char recent[100];
    ZipFormatMessage(ZR_RECENT, recent, sizeof(recent));
    EXPECT_STREQ(recent, "Caller: faulty arguments");
}

TEST_F(ZipWriterTest, DosTimesAreLocalAndExecutablesGetTheExecuteBit) {
    // A zone far from UTC shows whether the DOS time is the local reading.
    const char* previous = std::getenv("TZ");
    std::string saved = previous != nullptr ? previous : "";
    ::setenv("TZ", "JST-9", 1);
    ::tzset();
    std::string exe(512, '\0');
    exe[0] = 'M';
    exe[1] = 'Z';
    exe[60] = static_cast<char>(0x80);
    exe.replace(0x80, 4, std::string("PE\0\0", 4));
    Put(L"C:\\work\\setup.exe", exe);
    std::string notExe = exe;
    notExe[0x80] = 'X';
    Put(L"C:\\work\\data.bin", notExe);
    HZIP zip = ZipCreateFile(L"C:\\work\\x.zip", nullptr);
    EXPECT_EQ(ZipAddFile(zip, L"setup.exe", L"C:\\work\\setup.exe"), ZR_OK);
    EXPECT_EQ(ZipAddFile(zip, L"data.bin", L"C:\\work\\data.bin"), ZR_OK);
    EXPECT_EQ(ZipClose(zip), ZR_OK);
    std::vector<CentralEntry> entries = Central(Bytes(L"C:\\work\\x.zip"));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].attributes & 0x400000u, 0x400000u);
    EXPECT_EQ(entries[1].attributes & 0x400000u, 0u);

    HANDLE file =
        CreateFileW(L"C:\\work\\setup.exe", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME written{};
    ASSERT_TRUE(GetFileTime(file, nullptr, nullptr, &written));
    CloseHandle(file);
    std::time_t seconds = static_cast<std::time_t>(
        ((static_cast<std::uint64_t>(written.dwHighDateTime) << 32 | written.dwLowDateTime) / 10000000ULL) -
        11644473600ULL);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    std::uint32_t expected =
        static_cast<std::uint32_t>(((local.tm_year + 1900 - 1980) * 512 + (local.tm_mon + 1) * 32 + local.tm_mday)
                                   << 16) |
        static_cast<std::uint32_t>(local.tm_hour * 2048 + local.tm_min * 32 + local.tm_sec / 2);
    EXPECT_EQ(entries[0].dosTime, expected);
    if (previous != nullptr) ::setenv("TZ", saved.c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
}

}  // namespace
