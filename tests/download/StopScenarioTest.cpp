// Stopping and deleting an engine at any point, and one run with the real timings.
#include <cstdio>

#include "download/IcmpPinger.h"
#include "tests/download/EngineScenario.h"

namespace downloadtest {
namespace {

using StopScenario = EngineScenario;

TEST_F(StopScenario, StopDuringTheProbeEndsAsAFailedStart) {
    StartMirrors(MiB, {{}, {}});
    DownloadTuning tuning = FastTuning();
    tuning.osCode = 22;
    tuning.ping = [](const std::string&, int* milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        *milliseconds = 1;
        return true;
    };
    StartEngine(Manifest(Urls()), tuning);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(S_OK, engine->Stop());
    ASSERT_TRUE(WaitForEnd(5));
    EXPECT_EQ(DownloadState_Failed, engine->GetState());
    const FiredEvent ending = events.Ending();
    EXPECT_EQ(4, ending.event);
    EXPECT_EQ(0, ending.value);
    EXPECT_EQ(0u, ending.data);
    EXPECT_LT(ElapsedSeconds(), 1.0);
    // The probe stopped before its first HEAD request.
    EXPECT_TRUE(PackageRequests(0).empty());
}

TEST_F(StopScenario, StopDuringThePartsFiresNoEventAndLeavesStateZero) {
    std::vector<rig::MirrorConfig> slow(2);
    for (rig::MirrorConfig& config : slow) config.connectionRate = 256 * 1024;
    StartMirrors(8 * MiB, slow);
    StartEngine(Manifest(Urls()), FastTuning());
    for (int i = 0; i < 400 && events.Count(DOWNLOAD_EVENT_PROGRESS) < 10; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(engine->IsRunning());
    EXPECT_EQ(S_OK, engine->Stop());
    EXPECT_FALSE(engine->IsRunning());
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_EQ(0, events.Count(DOWNLOAD_EVENT_FAILED));
    EXPECT_EQ(0, events.Count(DOWNLOAD_EVENT_FINISHED));
    EXPECT_EQ(DownloadState_Idle, engine->GetState());
    const auto before = std::chrono::steady_clock::now();
    engine.reset();
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count(), 2.0);
}

TEST_F(StopScenario, DeletingARunningEngineStopsAndJoinsItsThreads) {
    std::vector<rig::MirrorConfig> slow(2);
    for (rig::MirrorConfig& config : slow) config.connectionRate = 256 * 1024;
    slow[1].faults.push_back({rig::FaultKind::Stall, 5 * MiB, rig::kNoLimit, 0, 1, 404, 0, ""});
    StartMirrors(8 * MiB, slow);
    StartEngine(Manifest(Urls()), FastTuning());
    for (int i = 0; i < 400 && events.Count(DOWNLOAD_EVENT_PROGRESS) < 10; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const auto before = std::chrono::steady_clock::now();
    engine.reset();  // while parts transfer and one mirror stalls
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count(), 2.0);
    EXPECT_EQ(0, events.Count(DOWNLOAD_EVENT_FINISHED));
}

TEST_F(StopScenario, ReleaseDownloaderDeletesOnItsOwnThread) {
    IDownloader* released = nullptr;
    ASSERT_TRUE(CreateDownloader(&released));
    EXPECT_FALSE(CreateDownloader(nullptr));
    EXPECT_EQ(1, ReleaseDownloader(released));
    WaitForReleasedDownloaders();
}

// The real timings: the 2 s supervisor period retries a dropped part.
TEST_F(StopScenario, RealTimingsRetryAFailedPartWithinOnePeriod) {
    // Mirror 1 drops its first part after 100,000 bytes, whichever part the
    // real ping order gives it (early enough that no split can have taken the
    // dropped bytes already).
    rig::MirrorConfig dropping;
    dropping.faults.push_back({rig::FaultKind::Drop, rig::kNoLimit, 100000, 0, 1, 404, 0, ""});
    StartMirrors(4000000, {{}, dropping});
    DownloadTuning real;                            // every default
    if (!IcmpPinger().IsReady()) real.osCode = 18;  // without raw sockets the ping cannot answer
    StartEngine(Manifest(Urls()), real);
    ASSERT_TRUE(WaitForEnd(20));
    ExpectGoodFile();
    unsigned long long first = 0, last = 0;
    for (const rig::RequestRecord& record : PackageRequests(1))
        if (record.method == "GET" && record.bodyBytes == 100000)
            std::sscanf(record.range.c_str(), "bytes=%llu-%llu", &first, &last);
    ASSERT_GT(last, first);
    // The rest went to mirror 0 (a split may have shortened its end first).
    const std::string retried = "bytes=" + std::to_string(first + 100000) + "-";
    int retries = 0;
    for (const rig::RequestRecord& record : PackageRequests(0))
        retries += record.range.compare(0, retried.size(), retried) == 0;
    EXPECT_EQ(1, retries);
    EXPECT_GE(ElapsedSeconds(), 1.9);
    EXPECT_LE(ElapsedSeconds(), 6.0);
}

}  // namespace
}  // namespace downloadtest
