#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/files/FileSystem.h"
#include "tests/support/MachineFixture.h"
#include "util/Md5.h"

namespace {

using testsupport::MachineTest;

std::string HexOfDigest(const unsigned char digest[16]) {
    char text[33];
    for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02X", digest[i]);
    return text;
}

struct Vector {
    const char* message;
    const char* digest;
};

// The test suite of RFC 1321, appendix A.5.
const Vector kRfcVectors[] = {
    {"", "D41D8CD98F00B204E9800998ECF8427E"},
    {"a", "0CC175B9C0F1B6A831C399E269772661"},
    {"abc", "900150983CD24FB0D6963F7D28E17F72"},
    {"message digest", "F96B697D7CB7938D525A2F31AAF161D0"},
    {"abcdefghijklmnopqrstuvwxyz", "C3FCD3D76192E4007DFB496CCA67E13B"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "D174AB98D277D9F5A5611C2C9F419D9F"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57EDF4A22BE3C955AC49DA2E2107B67A"},
};

TEST(Md5, DigestsTheStandardsVectors) {
    for (const Vector& v : kRfcVectors) {
        Md5 md5;
        unsigned char digest[16];
        md5.Digest(v.message, std::strlen(v.message), digest);
        EXPECT_EQ(HexOfDigest(digest), v.digest) << v.message;
        std::string upper, lower;
        md5.DigestHex(v.message, std::strlen(v.message), upper);
        EXPECT_EQ(upper, v.digest);
        md5.ToHexLower(lower);
        std::string expectedLower = v.digest;
        for (char& c : expectedLower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(lower, expectedLower);
    }
    std::string zero;
    Md5().ToHexLower(zero);
    EXPECT_EQ(zero, std::string(32, '0'));
}

// Feeding the data in pieces (across the 56- and 64-byte edges of the padding
// and the block buffer) gives the one-call digest.
TEST(Md5, PiecewiseUpdatesMatchOneCall) {
    std::vector<unsigned char> data(300);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<unsigned char>(i * 7 + 3);
    for (size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 300u}) {
        Md5 md5;
        unsigned char whole[16];
        md5.Digest(data.data(), length, whole);
        for (size_t piece : {1u, 3u, 63u, 64u, 100u}) {
            Md5::Context context;
            Md5::Init(context);
            for (size_t at = 0; at < length; at += piece)
                Md5::Update(context, data.data() + at, std::min(piece, length - at));
            unsigned char pieces[16];
            Md5::Final(context, pieces);
            EXPECT_EQ(HexOfDigest(pieces), HexOfDigest(whole)) << length << " in pieces of " << piece;
        }
    }
}

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

File TempFileOf(const std::vector<unsigned char>& bytes) {
    File file(std::tmpfile());
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file.get());
    return file;
}

std::vector<unsigned char> Pattern(size_t size) {
    std::vector<unsigned char> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<unsigned char>((i * 31) ^ (i >> 11));
    return bytes;
}

std::string DigestOf(const unsigned char* data, size_t size) {
    std::string hex;
    Md5().DigestHex(data, size, hex);
    return hex;
}

TEST(FileMd5, DigestsTheWholeFileAndKeepsThePosition) {
    const std::vector<unsigned char> bytes = Pattern(5000);
    File file = TempFileOf(bytes);
    ASSERT_EQ(std::fseek(file.get(), 1234, SEEK_SET), 0);
    char text[40];
    std::memset(text, 'X', sizeof(text));
    char* buffer = text;
    EXPECT_EQ(GetFileMd5(file.get(), &buffer, 33), 1);
    EXPECT_EQ(std::string(text), DigestOf(bytes.data(), bytes.size()));
    EXPECT_EQ(text[33], 'X');
    EXPECT_EQ(std::ftell(file.get()), 1234);

    // Md5::DigestFileHandle reads from where the stream stands.
    unsigned char digest[16];
    EXPECT_EQ(Md5().DigestFileHandle(file.get(), digest), 1);
    EXPECT_EQ(HexOfDigest(digest), DigestOf(bytes.data() + 1234, bytes.size() - 1234));
}

TEST(FileMd5, RefusesWhatItCannotDigest) {
    File file = TempFileOf(Pattern(10));
    char text[40];
    std::memset(text, 'X', sizeof(text));
    char* buffer = text;
    EXPECT_EQ(GetFileMd5(file.get(), &buffer, 32), 0);
    EXPECT_EQ(text[0], 'X') << "a short buffer must stay untouched";
    EXPECT_EQ(GetFileMd5(nullptr, &buffer, 33), 0);
    char* none = nullptr;
    EXPECT_EQ(GetFileMd5(file.get(), &none, 33), 0);
    unsigned char digest[16];
    EXPECT_EQ(Md5().DigestFileHandle(nullptr, digest), 0);
    std::vector<std::string> list;
    EXPECT_EQ(GetFileBlockMd5List(nullptr, 1024, list), 0);
    EXPECT_EQ(GetFileBlockMd5List(file.get(), 0, list), 0);
    EXPECT_TRUE(list.empty());
}

// A stream whose reads fail (here one opened only for writing) must not
// pass for an empty file.
TEST(FileMd5, ReadErrorsAreNoEndOfFile) {
    File file = TempFileOf(Pattern(10));
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/fd/%d", ::fileno(file.get()));
    FILE* writeOnly = std::fopen(path, "ab");
    ASSERT_NE(writeOnly, nullptr);
    char text[40] = {};
    char* buffer = text;
    EXPECT_EQ(GetFileMd5(writeOnly, &buffer, sizeof text), 0);
    EXPECT_EQ(text[0], 0);
    unsigned char digest[16];
    EXPECT_EQ(Md5().DigestFileHandle(writeOnly, digest), 0);
    std::vector<std::string> list = {"kept"};
    EXPECT_EQ(GetFileBlockMd5List(writeOnly, 4, list), 0);
    EXPECT_EQ(list, std::vector<std::string>({"kept"}));
    std::fclose(writeOnly);
}

TEST(FileMd5, ListsOneDigestPerBlock) {
    constexpr size_t kMiB = 1 << 20;
    struct Case {
        size_t fileSize;
        size_t blockSize;
        size_t blocks;
    } cases[] = {
        {kMiB * 5 / 2, kMiB, 3}, {0, kMiB, 0}, {250, 100, 3}, {200, 100, 2}, {99, 100, 1},
    };
    for (const Case& c : cases) {
        const std::vector<unsigned char> bytes = Pattern(c.fileSize);
        File file = TempFileOf(bytes);
        std::vector<std::string> list{"kept"};
        EXPECT_EQ(GetFileBlockMd5List(file.get(), c.blockSize, list), 1);
        ASSERT_EQ(list.size(), c.blocks + 1) << c.fileSize;
        for (size_t i = 0; i < c.blocks; ++i) {
            size_t start = i * c.blockSize;
            size_t length = std::min(c.blockSize, c.fileSize - start);
            EXPECT_EQ(list[i + 1], DigestOf(bytes.data() + start, length)) << "block " << i;
        }
        EXPECT_EQ(std::ftell(file.get()), static_cast<long>(c.fileSize)) << "position kept";
    }
}

// One flipped byte spoils exactly the digest of its own block.
TEST(FileMd5, AFlippedByteChangesOnlyItsBlock) {
    std::vector<unsigned char> bytes = Pattern(250);
    std::vector<std::string> good, bad;
    GetFileBlockMd5List(TempFileOf(bytes).get(), 100, good);
    bytes[150] ^= 0x01;
    GetFileBlockMd5List(TempFileOf(bytes).get(), 100, bad);
    ASSERT_EQ(good.size(), 3u);
    ASSERT_EQ(bad.size(), 3u);
    EXPECT_EQ(good[0], bad[0]);
    EXPECT_NE(good[1], bad[1]);
    EXPECT_EQ(good[2], bad[2]);
}

class Md5File : public MachineTest {};

TEST_F(Md5File, DigestsAFileByItsAnsiPath) {
    WriteHostFile(Host(L"C:\\Users\\User\\Documents\\abc.txt"), "abc");
    unsigned char digest[16];
    Md5 md5;
    EXPECT_EQ(md5.DigestFile("C:\\Users\\User\\Documents\\abc.txt", digest), 1);
    EXPECT_EQ(HexOfDigest(digest), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(md5.DigestFile("C:\\Users\\User\\Documents\\missing.txt", digest), 0);
    EXPECT_EQ(md5.DigestFile(nullptr, digest), 0);
}

}  // namespace
