// Archives are untrusted: no entry may land outside the output folder, by
// its name ("../x", an absolute name) or through a link entry.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

#include "formats/sevenzip/C7ZOperator.h"
#include "tests/formats/sevenzip/SevenZipTestTools.h"

namespace {

namespace fs = std::filesystem;
using sevenziptest::Quote;
using sevenziptest::SevenZipTest;

// Python's zipfile writes any name and marks link entries by their Unix mode.
const char* kHostileZip = R"(
import sys, zipfile
archive, absolute = sys.argv[1], sys.argv[2]
def link(z, name, target):
    info = zipfile.ZipInfo(name)
    info.create_system = 3
    info.external_attr = 0o120777 << 16
    z.writestr(info, target)
with zipfile.ZipFile(archive, "w") as z:
    z.writestr("../escape.txt", "escaped")
    z.writestr("../../escape2.txt", "escaped")
    z.writestr(absolute + "/absolute.txt", "absolute")
    link(z, "up", "../outside")
    z.writestr("up/through-up.txt", "through a relative link")
    link(z, "rooted", absolute + "/outside")
    z.writestr("rooted/through-rooted.txt", "through an absolute link")
)";

class EntrySafetyTest : public SevenZipTest {
protected:
    // Every path under the machine's C: drive outside C:\out, and each link
    // inside C:\out resolving outside it.
    std::vector<std::string> Escapes() {
        std::vector<std::string> found;
        const fs::path out = fs::weakly_canonical(Host(L"C:\\out"));
        for (const char* name :
             {"escape.txt", "escape2.txt", "absolute.txt", "outside/through-up.txt", "outside/through-rooted.txt"}) {
            for (const fs::path& base : {fs::path(Host(L"C:\\")), out.parent_path().parent_path()}) {
                if (fs::exists(base / name)) found.push_back((base / name).string());
            }
        }
        for (const auto& entry : fs::recursive_directory_iterator(out)) {
            if (!entry.is_symlink()) continue;
            fs::path target = fs::weakly_canonical(entry.path());
            std::string relative = fs::relative(target, out).string();
            if (relative.rfind("..", 0) == 0) found.push_back(entry.path().string() + " -> " + target.string());
        }
        return found;
    }
};

TEST_F(EntrySafetyTest, HostileZipEntriesStayInsideTheOutputFolder) {
    ASSERT_TRUE(CreateDirectoryW(L"C:\\outside", nullptr));
    ziptest::ToolRun made = ziptest::Python(kHostileZip, {Host(L"C:\\hostile.zip"), Host(L"C:\\")});
    ASSERT_EQ(made.status, 0) << made.output;
    C7ZOperator op;
    std::string error;
    op.ExtractFromFile("C:\\hostile.zip", "C:\\out", nullptr, error);
    EXPECT_EQ(Escapes(), std::vector<std::string>{});
    // The plain entries that the archiver kept arrive inside the folder.
    EXPECT_EQ(Out(L"escape.txt"), "escaped");
}

TEST_F(EntrySafetyTest, LinkEntriesOfA7zArchiveDoNotLeadOutside) {
    ASSERT_TRUE(CreateDirectoryW(L"C:\\outside", nullptr));
    fs::create_symlink("../outside", Host(L"C:\\src\\sub\\up"));
    fs::create_symlink(Host(L"C:\\outside"), Host(L"C:\\src\\rooted"));
    MakeArchive(L"C:\\links.7z", "-snl");
    C7ZOperator op;
    std::string error;
    op.ExtractFromFile("C:\\links.7z", "C:\\out", nullptr, error);
    EXPECT_EQ(Escapes(), std::vector<std::string>{});
    EXPECT_EQ(Out(L"readme.txt"), "read me\n");
}

TEST_F(SevenZipTest, TwoExtractionsAtOnceDoNotInterleave) {
    MakeArchive(L"C:\\a.7z", "-mx1");
    MakeArchive(L"C:\\b.7z", "-mx1 -ppw");
    ASSERT_TRUE(CreateDirectoryW(L"C:\\out2", nullptr));
    bool okA = false, okB = false;
    sevenziptest::Events eventsA, eventsB;
    std::thread a([&] {
        C7ZOperator op;
        op.SetEventCallback(eventsA.Callback());
        std::string error;
        okA = op.ExtractFromFile("C:\\a.7z", "C:\\out", nullptr, error);
    });
    std::thread b([&] {
        C7ZOperator op;
        op.SetEventCallback(eventsB.Callback());
        std::string error;
        okB = op.ExtractFromFile("C:\\b.7z", "C:\\out2", "pw", error);
    });
    a.join();
    b.join();
    EXPECT_TRUE(okA);
    EXPECT_TRUE(okB);
    ExpectFilesOut();
    for (const auto& [name, bytes] : files) EXPECT_TRUE(ReadHostFile(Host(L"C:\\out2\\" + name)) == bytes);
    // Each operator hears only its own run.
    EXPECT_TRUE(eventsA.Values(k7zEventError).empty());
    EXPECT_TRUE(eventsB.Values(k7zEventError).empty());
    EXPECT_EQ(eventsA.Values(k7zEventProgress).back(), 100);
    EXPECT_EQ(eventsB.Values(k7zEventProgress).back(), 100);
}

}  // namespace
