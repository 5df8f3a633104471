// The target file's positioned writes and the hasher that digests it while
// it is written out of order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/BlockVerifier.h"
#include "download/TargetFile.h"
#include "download/TargetHasher.h"
#include "tests/support/MachineFixture.h"
#include "util/Md5.h"

namespace {

class TargetHasherTest : public testsupport::MachineTest {
protected:
    static constexpr std::uint64_t kBlock = 1000;  // small blocks keep the fixtures small

    static std::string Bytes(std::size_t size) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
        return bytes;
    }
    static std::string Md5Of(const std::string& bytes) {
        Md5 md5;
        std::string hex;
        md5.DigestHex(bytes.data(), bytes.size(), hex);
        return hex;
    }
    const std::string path = "C:\\Users\\User\\Documents\\target.bin";
};

TEST_F(TargetHasherTest, RangesMergeAndTouchingOnesJoin) {
    const TargetHasher::Ranges merged =
        TargetHasher::Merge({{50, 60}, {0, 10}, {10, 20}, {15, 30}, {70, 70}, {55, 65}});
    const TargetHasher::Ranges expected = {{0, 30}, {50, 65}};
    EXPECT_EQ(expected, merged);
}

TEST_F(TargetHasherTest, OutOfOrderWritesGiveTheDigestsOfOneSequentialPass) {
    const std::string content = Bytes(4500);  // four full blocks and a short one
    TargetFile file;
    ASSERT_TRUE(file.Create(path));
    TargetHasher hasher;
    hasher.Reset(content.size(), kBlock);
    // Written back to front in uneven pieces; the hasher steps in between.
    TargetHasher::Ranges written;
    for (std::uint64_t end = content.size(); end > 0;) {
        const std::uint64_t start = end > 700 ? end - 700 : 0;
        ASSERT_EQ(end - start, file.WriteAt(start, content.data() + start, static_cast<std::size_t>(end - start)));
        written.emplace_back(start, end);
        written = TargetHasher::Merge(written);
        while (hasher.Step(file, written)) {
        }
        end = start;
    }
    EXPECT_EQ(content.size(), hasher.WholeConsumed());  // the prefix reached the end in the background
    EXPECT_EQ(Md5Of(content), hasher.FinishWhole(file));
    BlockVerifier sequential(kBlock);
    sequential.Feed(reinterpret_cast<const unsigned char*>(content.data()), content.size());
    sequential.Finish();
    EXPECT_EQ(sequential.Whole(), Md5Of(content));
    EXPECT_EQ(sequential.Blocks(), hasher.FinishBlocks(file));
    ASSERT_EQ(5u, sequential.Blocks().size());
    EXPECT_EQ(Md5Of(content.substr(4000)), sequential.Blocks()[4]);
}

TEST_F(TargetHasherTest, ShortFileLacksItsLastBlocks) {
    const std::string content = Bytes(2500);
    TargetFile file;
    ASSERT_TRUE(file.Create(path));
    ASSERT_EQ(2500u, file.WriteAt(0, content.data(), content.size()));
    TargetHasher hasher;
    hasher.Reset(4500, kBlock);  // the manifest's size
    EXPECT_EQ(Md5Of(content), hasher.FinishWhole(file));
    const std::vector<std::string> blocks = hasher.FinishBlocks(file);
    ASSERT_EQ(3u, blocks.size());
    EXPECT_EQ(Md5Of(content.substr(2000)), blocks[2]);
}

TEST_F(TargetHasherTest, ClosedFileReadsAndWritesNothing) {
    TargetFile file;
    char byte = 'x';
    EXPECT_EQ(0u, file.WriteAt(0, &byte, 1));
    ASSERT_TRUE(file.Create(path));
    EXPECT_EQ(1u, file.WriteAt(5, &byte, 1));
    char back[8] = {};
    EXPECT_EQ(6u, file.ReadAt(0, back, sizeof(back)));  // a hole reads as zeros, the end stops it
    EXPECT_EQ('x', back[5]);
    EXPECT_EQ(0, file.Close());
    EXPECT_EQ(0u, file.ReadAt(0, back, 1));
    EXPECT_EQ(6u, ReadHostFile(Host(L"C:\\Users\\User\\Documents\\target.bin")).size());
}

}  // namespace
