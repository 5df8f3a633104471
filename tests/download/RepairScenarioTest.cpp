// The hash check after the last part: bad blocks fetched again, from a mirror
// that did not write them, a bounded number of times.
#include <algorithm>
#include <atomic>
#include <cstdio>

#include "download/BlockVerifier.h"
#include "tests/download/EngineScenario.h"

namespace downloadtest {
namespace {

using RepairScenario = EngineScenario;

rig::Fault CorruptBlock(std::uint64_t block, int times) {
    rig::Fault fault;
    fault.kind = rig::FaultKind::Corrupt;
    fault.offset = block;
    fault.times = times;
    return fault;
}

struct BadBlockCase {
    const char* name;
    int mirror;           // the mirror that sends the bad bytes
    std::uint64_t block;  // 1 MiB block index
    const char* repairRange;
};

class BadBlockScenario : public EngineScenario, public ::testing::WithParamInterface<BadBlockCase> {};

// A 3.5 MiB package on two mirrors: parts A 0..917,503, B ..1,835,007,
// A ..2,752,511, B ..3,670,015, so block 2 straddles an A and a B part.
TEST_P(BadBlockScenario, BadBlockIsFetchedAgainExactlyOnce) {
    const BadBlockCase& c = GetParam();
    std::vector<rig::MirrorConfig> configs(2);
    configs[static_cast<size_t>(c.mirror)].faults.push_back(CorruptBlock(c.block, 1));
    StartMirrors(3 * MiB + MiB / 2, configs);
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    EXPECT_EQ(1, RangeRequests(c.repairRange));
    EXPECT_NE("", engine->GetRepairLink());
    EXPECT_EQ(NoError, engine->GetErrorCode());
}

INSTANTIATE_TEST_SUITE_P(Cases, BadBlockScenario,
                         ::testing::Values(BadBlockCase{"ThirdBlock", 0, 2, "bytes=2097152-3145727"},
                                           BadBlockCase{"LastShortBlock", 1, 3, "bytes=3145728-3670015"}),
                         [](const ::testing::TestParamInfo<BadBlockCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(RepairScenario, RepairAvoidsTheMirrorThatWroteTheBadBlock) {
    // 8.5 MiB: part 0 (mirror A) covers 0..2,228,223. A split only ever
    // takes the second half of what a part has left, so block 0 stays A's
    // alone however the parts' pace differs (block 1 may not: a split can
    // hand its tail to B, and then both mirrors wrote it).
    std::vector<rig::MirrorConfig> configs(2);
    configs[0].faults.push_back(CorruptBlock(0, 1));
    StartMirrors(8 * MiB + MiB / 2, configs);
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    EXPECT_EQ(0, RangeRequestsOn(0, "bytes=0-1048575"));
    EXPECT_EQ(1, RangeRequestsOn(1, "bytes=0-1048575"));
    EXPECT_EQ(server->Url(1), engine->GetRepairLink());
}

// Package requests whose range starts inside [first, last].
int RequestsStartingIn(const std::vector<rig::RequestRecord>& records, std::uint64_t first, std::uint64_t last) {
    int count = 0;
    for (const rig::RequestRecord& record : records) {
        unsigned long long from = 0;
        if (record.method == "GET" && std::sscanf(record.range.c_str(), "bytes=%llu-", &from) == 1 && from >= first &&
            from <= last)
            ++count;
    }
    return count;
}

TEST_F(RepairScenario, MirrorServingABadBlockEveryTimeNeverGetsItsRepairOrThePiecesSplitFromIt) {
    // Block 0 lies in the first half of mirror A's first part (0..2 MiB),
    // which no split reaches. Paced mirrors make the 1 MiB repair last long
    // enough for the supervisor to split it.
    std::vector<rig::MirrorConfig> configs(2);
    for (rig::MirrorConfig& config : configs) config.connectionRate = 4 * MiB;
    configs[0].faults.push_back(CorruptBlock(0, -1));
    StartMirrors(8 * MiB, configs);
    DownloadTuning tuning = FastTuning();
    tuning.promptSplits = true;
    StartEngine(Manifest(Urls()), tuning);
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    EXPECT_EQ(NoError, engine->GetErrorCode());
    // Mirror A served its own first part and nothing of block 0 after it;
    // B took the repair (and any piece split from it).
    EXPECT_EQ(1, RequestsStartingIn(server->Requests(0), 0, 1048575));
    EXPECT_EQ(1, RangeRequestsOn(1, "bytes=0-1048575"));
    EXPECT_EQ(server->Url(1), engine->GetRepairLink());
}

TEST_F(RepairScenario, SingleMirrorRepairsAPassingCorruptionItself) {
    // Block 0 lies inside the first of the mirror's two parts.
    std::vector<rig::MirrorConfig> configs(1);
    configs[0].faults.push_back(CorruptBlock(0, 1));
    StartMirrors(3 * MiB, configs);
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    EXPECT_EQ(1, RangeRequestsOn(0, "bytes=0-1048575"));
    EXPECT_EQ(server->Url(0), engine->GetRepairLink());
}

TEST_F(RepairScenario, ProgressIsAnsweredWhileTheTargetIsDigested) {
    // 48 MiB with a bad block: the finish test reads the whole file, then
    // again after the repair. The polls must not wait for those reads.
    std::vector<rig::MirrorConfig> configs(2);
    configs[1].faults.push_back(CorruptBlock(40, 1));
    StartMirrors(48 * MiB, configs);
    StartEngine(Manifest(Urls()), FastTuning());
    std::atomic<bool> done{false};
    double longest = 0;
    std::thread poller([&] {
        while (!done) {
            const auto before = std::chrono::steady_clock::now();
            DownloadProgress progress;
            engine->GetProgress(&progress);
            engine->GetState();
            longest =
                std::max(longest, std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const bool ended = WaitForEnd(60);
    done = true;
    poller.join();
    ASSERT_TRUE(ended);
    ExpectGoodFile();
    // Against one read of the target as the finish test makes it, timed here
    // on this machine and build: a poll that waited for such a read would
    // take at least that long.
    const auto before = std::chrono::steady_clock::now();
    BlockVerifier verifier(kHashBlockSize);
    ASSERT_TRUE(DigestFileBlocks(Target(), &verifier));
    const double onePass = std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    EXPECT_LT(longest, std::max(0.05, onePass / 2)) << "one read of the target: " << onePass << " s";
}

TEST_F(RepairScenario, LowerCaseManifestDigestsStillVerify) {
    std::vector<rig::MirrorConfig> configs(2);
    configs[1].faults.push_back(CorruptBlock(0, 1));
    StartMirrors(2 * MiB + 100, configs);
    rig::ManifestOptions lower;
    lower.lowerCase = true;
    StartEngine(Manifest(Urls(), lower), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    EXPECT_EQ(1, RangeRequests("bytes=0-1048575"));
}

TEST_F(RepairScenario, LastingCorruptionGivesUpAfterBoundedRounds) {
    std::vector<rig::MirrorConfig> configs(2);
    configs[0].faults.push_back(CorruptBlock(0, -1));
    configs[1].faults.push_back(CorruptBlock(0, -1));
    StartMirrors(2 * MiB, configs);
    DownloadTuning tuning = FastTuning();
    StartEngine(Manifest(Urls()), tuning);
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(DownloadState_Failed, engine->GetState());
    EXPECT_EQ(CheckHashError, engine->GetErrorCode());
    EXPECT_EQ("CheckHashError", engine->GetErrorName());
    EXPECT_EQ(1, events.Count(DOWNLOAD_EVENT_FAILED));
    EXPECT_EQ(0, events.Count(DOWNLOAD_EVENT_FINISHED));
    EXPECT_EQ(tuning.maxRepairRounds, RangeRequests("bytes=0-1048575"));
}

TEST_F(RepairScenario, TargetThatCannotBeReadIsAFailureNotASuccess) {
    // Slow mirrors, so that the target can vanish while the parts still run.
    std::vector<rig::MirrorConfig> configs(2);
    for (rig::MirrorConfig& config : configs) config.connectionRate = 2 * MiB;
    StartMirrors(2 * MiB, configs);
    StartEngine(Manifest(Urls()), FastTuning());
    for (int i = 0; i < 200 && events.Count(DOWNLOAD_EVENT_PROGRESS) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(0, std::remove(TargetHost().c_str()));
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(DownloadState_Failed, engine->GetState());
    EXPECT_EQ(CheckHashError, engine->GetErrorCode());
    EXPECT_EQ(1, events.Count(DOWNLOAD_EVENT_FAILED));
    EXPECT_EQ(0, events.Count(DOWNLOAD_EVENT_FINISHED));
}

}  // namespace
}  // namespace downloadtest

namespace downloadtest {
namespace {

TEST_F(RepairScenario, EveryBlockMatchingFinishesWhateverTheWholeDigestSays) {
    // The block comparison decides: with every block as listed there is
    // nothing to repair, so the file is good even under a wrong whole digest.
    StartMirrors(3 * MiB + 777, {{}, {}});
    rig::PackageDigests listed = digests;
    listed.whole = "0123456789ABCDEF0123456789ABCDEF";
    StartEngine(rig::GenerateManifest(server->Package().size, listed, Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(DownloadState_Finished, engine->GetState());
    EXPECT_EQ(digests.whole, rig::DigestHostFile(TargetHost()));
    // And one bad block under the wrong whole digest is still repaired.
    server->Stop();
    engine.reset();
    std::vector<rig::MirrorConfig> configs(2);
    configs[1].faults.push_back(CorruptBlock(1, 1));
    StartMirrors(3 * MiB + 777, configs);
    listed = digests;
    listed.whole = "0123456789ABCDEF0123456789ABCDEF";
    EventRecorder second;
    engine = std::make_unique<DownloaderCurl>();
    engine->SetTuning(FastTuning());
    ASSERT_EQ(S_OK, engine->SetEventCallback(second.Callback()));
    manifest = rig::GenerateManifest(server->Package().size, listed, Urls());
    ASSERT_EQ(S_OK, engine->StartFromBuffer(manifest.data(), static_cast<int>(manifest.size()), Target()));
    ASSERT_TRUE(second.WaitForEnd(std::chrono::seconds(20)));
    for (int i = 0; i < 200 && engine->IsRunning(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(DownloadState_Finished, engine->GetState());
    EXPECT_EQ(digests.whole, rig::DigestHostFile(TargetHost()));
    EXPECT_EQ(1, RangeRequests("bytes=1048576-2097151"));
}

}  // namespace
}  // namespace downloadtest
