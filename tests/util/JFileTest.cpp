#include <gtest/gtest.h>

#include <cerrno>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/JFile.h"

namespace {

class JFileTest : public testsupport::MachineTest {};

TEST(JFileModes, ComeFromTheTableAndRefuseUnsoundCombinations) {
    struct Case {
        int flags;
        const wchar_t* mode;  // null: refused
    } cases[] = {
        {JFILE_READ, L"r"},
        {JFILE_WRITE, L"w"},
        {JFILE_READ | JFILE_TEXT, L"rt"},
        {JFILE_READ | JFILE_BINARY, L"rb"},
        {JFILE_WRITE | JFILE_BINARY, L"wb"},
        {JFILE_READ | JFILE_WRITE | JFILE_TEXT, L"at"},
        {JFILE_READ | JFILE_TEXT | JFILE_BINARY, L"rt"},
        {JFILE_READ | JFILE_WRITE | JFILE_BINARY, nullptr},
        {JFILE_READ | JFILE_WRITE, nullptr},
        {JFILE_TEXT, nullptr},
        {0, nullptr},
        {JFILE_READ | 0x4000, nullptr},
    };
    for (const Case& c : cases) {
        const wchar_t* mode = JFileModeOf(c.flags);
        if (c.mode == nullptr) {
            EXPECT_EQ(mode, nullptr) << std::hex << c.flags;
        } else {
            ASSERT_NE(mode, nullptr) << std::hex << c.flags;
            EXPECT_STREQ(mode, c.mode) << std::hex << c.flags;
        }
    }
}

TEST_F(JFileTest, MissingFileWithoutWriteFailsWithMinusOne) {
    JFile file;
    EXPECT_EQ(file.Open(L"C:\\nothing\\here.bin", JFILE_READ | JFILE_BINARY), 0);
    EXPECT_EQ(file.GetError(), -1);
    EXPECT_EQ(file.Read(nullptr, 1), -1);
    EXPECT_EQ(file.Seek(0, SEEK_SET), -1);
    EXPECT_EQ(file.GetSize(), ~0ULL);
}

TEST_F(JFileTest, RefusedCombinationDoesNotTruncateAnExistingFile) {
    WriteHostFile(Host(L"C:\\data.bin"), "precious");
    JFile file;
    EXPECT_EQ(file.Open(L"C:\\data.bin", JFILE_READ | JFILE_WRITE | JFILE_BINARY), 0);
    EXPECT_EQ(file.GetError(), EINVAL);
    EXPECT_EQ(ReadHostFile(Host(L"C:\\data.bin")), "precious");
}

TEST_F(JFileTest, TextAppendCreatesFoldersAndStoresCrLf) {
    const wchar_t* path = L"C:\\a\\b\\c\\log.txt";
    for (int round = 0; round < 2; ++round) {
        JFile file;
        ASSERT_EQ(file.Open(path, JFILE_READ | JFILE_WRITE | JFILE_TEXT), 1);
        file.SeekToEnd();
        EXPECT_EQ(file.Write("line\n", 5), 5);
        file.Close();
    }
    EXPECT_EQ(ReadHostFile(Host(path)), "line\r\nline\r\n");
    JFile reader;
    ASSERT_EQ(reader.Open(path, JFILE_READ | JFILE_TEXT), 1);
    char buffer[32] = {0};
    EXPECT_EQ(reader.Read(buffer, sizeof(buffer)), 10);
    EXPECT_STREQ(buffer, "line\nline\n");
}

TEST_F(JFileTest, BinaryRoundTripSizeAndSeek) {
    const wchar_t* path = L"C:\\bin\\blob.dat";
    JFile writer;
    ASSERT_EQ(writer.Open(path, JFILE_WRITE | JFILE_BINARY), 1);
    std::string bytes = "ab\ncd\r\nef";
    writer.Write(bytes.data(), static_cast<int>(bytes.size()));
    EXPECT_EQ(writer.Tell(), 9);
    writer.Close();
    JFile reader;
    ASSERT_EQ(reader.Open(path, JFILE_READ | JFILE_BINARY), 1);
    EXPECT_EQ(reader.Seek(3, SEEK_SET), 0);
    EXPECT_EQ(reader.GetSize(), 9u);
    EXPECT_EQ(reader.Tell(), 3);  // GetSize keeps the position
    char buffer[16] = {0};
    EXPECT_EQ(reader.Read(buffer, 16), 6);
    EXPECT_STREQ(buffer, "cd\r\nef");
}

TEST_F(JFileTest, ReadOnlyFileCannotBeOpenedForWritingOrDeleted) {
    WriteHostFile(Host(L"C:\\ro.txt"), "keep");
    ASSERT_TRUE(SetFileAttributesW(L"C:\\ro.txt", FILE_ATTRIBUTE_READONLY));
    JFile file;
    EXPECT_EQ(file.Open(L"C:\\ro.txt", JFILE_WRITE | JFILE_BINARY), 0);
    EXPECT_EQ(file.GetError(), EACCES);
    EXPECT_FALSE(DeleteFileW(L"C:\\ro.txt"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadHostFile(Host(L"C:\\ro.txt")), "keep");
}

TEST_F(JFileTest, DestructorClosesAForgottenStream) {
    {
        JFile file;
        ASSERT_EQ(file.Open(L"C:\\left-open.txt", JFILE_WRITE | JFILE_BINARY), 1);
        file.Write("data", 4);
    }
    EXPECT_EQ(ReadHostFile(Host(L"C:\\left-open.txt")), "data");
}

}  // namespace
