#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <string>

#include "formats/sevenzip/ArchiverEntry.h"
#include "formats/sevenzip/C7ZOperator.h"
#include "tests/formats/sevenzip/SevenZipTestTools.h"

namespace {

using sevenziptest::Events;
using sevenziptest::SevenZipTest;

TEST_F(SevenZipTest, ExtractsArchivesOfTheToolAndReportsTheirFaults) {
    MakeArchive(L"C:\\plain.7z", "");
    MakeArchive(L"C:\\locked.7z", "-psecret");
    // One byte of the packed data flipped, in the middle of the big file's stream.
    std::string bytes = ReadHostFile(Host(L"C:\\plain.7z"));
    std::string corrupt = bytes;
    corrupt[bytes.size() / 2] = static_cast<char>(corrupt[bytes.size() / 2] ^ 0x55);
    WriteHostFile(Host(L"C:\\corrupt.7z"), corrupt);

    struct Case {
        const char* name;
        const char* archive;
        const char* password;
        bool ok;
        std::vector<int> statuses;  // each must be among the errors sent
    } cases[] = {
        {"plain", "C:\\plain.7z", nullptr, true, {}},
        {"plain with a password given", "C:\\plain.7z", "unused", true, {}},
        {"right password", "C:\\locked.7z", "secret", true, {}},
        {"no password", "C:\\locked.7z", nullptr, false, {kArchiverStatusNoPassword, 263}},
        {"empty password is none", "C:\\locked.7z", "", false, {kArchiverStatusNoPassword, 263}},
        {"wrong password", "C:\\locked.7z", "wrong", false, {kArchiverStatusDataError, 263}},
        {"corrupted byte", "C:\\corrupt.7z", nullptr, false, {kArchiverStatusArchiveErrors, 263}},
        {"missing archive", "C:\\absent.7z", nullptr, false, {263}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveTreeHost();
        Events events;
        C7ZOperator op;
        op.SetEventCallback(events.Callback());
        std::string error;
        EXPECT_EQ(op.ExtractFromFile(c.archive, "C:\\out", c.password, error), c.ok) << error;
        for (int status : c.statuses) EXPECT_TRUE(events.HasError(status)) << status;
        if (c.ok) {
            ExpectFilesOut();
            EXPECT_TRUE(events.Values(k7zEventError).empty());
            EXPECT_EQ(op.GetLastError(), 0);
        } else {
            EXPECT_EQ(op.GetLastError(), 263);
            EXPECT_FALSE(error.empty());
        }
    }
}

TEST_F(SevenZipTest, ExtractsFromMemoryAndRemovesItsTemporaryFolder) {
    MakeArchive(L"C:\\plain.7z", "-mx1");
    std::string bytes = ReadHostFile(Host(L"C:\\plain.7z"));
    for (bool remove : {true, false}) {
        SCOPED_TRACE(remove);
        RemoveTreeHost();
        Events events;
        C7ZOperator op;
        op.SetEventCallback(events.Callback());
        std::string error;
        ASSERT_TRUE(op.ExtractFromMemory(bytes.data(), bytes.size(), "C:\\out", nullptr, error, remove)) << error;
        ExpectFilesOut();
        // Progress climbs to the end.
        std::vector<int> progress = events.Values(k7zEventProgress);
        ASSERT_FALSE(progress.empty());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_EQ(progress.back(), 100);
        EXPECT_EQ(TempEntries(), remove ? 0u : 1u);
        ClearTemp();
    }
    // Bytes that are no archive: the work folder goes, the failure is 263.
    Events events;
    C7ZOperator op;
    op.SetEventCallback(events.Callback());
    std::string error;
    std::string junk = "not an archive at all";
    EXPECT_FALSE(op.ExtractFromMemory(junk.data(), junk.size(), "C:\\out", nullptr, error, true));
    EXPECT_EQ(error, "Read 7z file error");
    EXPECT_TRUE(events.HasError(263));
}

TEST_F(SevenZipTest, NullArgumentsFailWithoutAStatus) {
    Events events;
    C7ZOperator op;
    op.SetEventCallback(events.Callback());
    std::string error;
    char byte = 0;
    EXPECT_FALSE(op.ExtractFromMemory(nullptr, 1, "C:\\out", nullptr, error, true));
    EXPECT_FALSE(op.ExtractFromMemory(&byte, 1, nullptr, nullptr, error, true));
    EXPECT_FALSE(op.ExtractFromFile("C:\\x.7z", nullptr, nullptr, error));
    EXPECT_TRUE(events.all.empty());
}

TEST_F(SevenZipTest, OverwritesExistingFilesWithoutAsking) {
    MakeArchive(L"C:\\plain.7z", "-mx1");
    WriteHostFile(Host(L"C:\\out\\readme.txt"), "an older text that is longer than the new one\n");
    std::string error;
    C7ZOperator op;
    ASSERT_TRUE(op.ExtractFromFile("C:\\plain.7z", "C:\\out", nullptr, error)) << error;
    ExpectFilesOut();
}

TEST_F(SevenZipTest, CompressedArchivesPassTheToolsTest) {
    for (const char* password : {static_cast<const char*>(nullptr), "pass word"}) {
        SCOPED_TRACE(password ? password : "none");
        DeleteFileW(L"C:\\made.7z");
        C7ZOperator op;
        ASSERT_TRUE(op.Compress("C:\\src", "C:\\made.7z", password));
        std::string test = std::string("t -bd ") + (password ? "-p" + sevenziptest::Quote(password) : "-p-") + " " +
                           sevenziptest::Quote(Host(L"C:\\made.7z"));
        ziptest::ToolRun run = Tool(test);
        EXPECT_EQ(run.status, 0) << run.output;
        RemoveTreeHost();
        std::string error;
        ASSERT_TRUE(op.ExtractFromFile("C:\\made.7z", "C:\\out", password, error)) << error;
        ExpectFilesOut();
    }
    C7ZOperator op;
    EXPECT_FALSE(op.Compress("C:\\no such folder", "C:\\none.7z", nullptr));
}

TEST_F(SevenZipTest, AlonemainRestoresTheSignalHandlersAndHelpsWithoutArguments) {
    auto handler = +[](int) {};
    std::signal(SIGINT, handler);
    std::string program = "7z";
    char* argv[] = {program.data(), nullptr};
    EXPECT_EQ(alonemain(1, argv, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(std::signal(SIGINT, SIG_DFL), handler);
    // A command-line error is status 255 and exit code 7.
    std::string bad = "-no-such-switch";
    char* badArgv[] = {program.data(), bad.data(), nullptr};
    struct Seen {
        std::vector<int> codes;
    } seen;
    EXPECT_EQ(alonemain(
                  2, badArgv, &seen, [](void* c, int code) { static_cast<Seen*>(c)->codes.push_back(code); }, nullptr),
              7);
    EXPECT_EQ(seen.codes, std::vector<int>{255});
}

}  // namespace
