// Starting an engine: refused starts, a second start, Stop racing the start,
// and the limits of every request the engine makes.
#include <curl/curl.h>

#include <functional>

#include "platform/files/FileSystem.h"
#include "tests/download/EngineScenario.h"

namespace downloadtest {
namespace {

using StartScenario = EngineScenario;

TEST_F(StartScenario, RefusedStartsEndTheCallersWaitWithEventFour) {
    StartMirrors(MiB, {{}});
    const std::string longTarget = "C:\\Users\\User\\Documents\\" + std::string(260, 'a') + ".exe";
    const std::string text = Manifest(Urls());
    struct Case {
        const char* name;
        std::function<HRESULT(DownloaderCurl&)> start;
    } cases[] = {
        {"BufferWithLongTarget",
         [&](DownloaderCurl& e) { return e.StartFromBuffer(text.data(), static_cast<int>(text.size()), longTarget); }},
        {"UrlWithLongTarget", [&](DownloaderCurl& e) { return e.StartFromUrl(server->Url(0), longTarget); }},
        {"UrlWithLongUrl",
         [&](DownloaderCurl& e) { return e.StartFromUrl("http://127.0.0.1/" + std::string(600, 'u'), Target()); }},
    };
    for (const Case& c : cases) {
        EventRecorder recorder;
        DownloaderCurl refused;
        refused.SetTuning(FastTuning());
        refused.SetEventCallback(recorder.Callback());
        EXPECT_EQ(E_INVALIDARG, c.start(refused)) << c.name;
        ASSERT_TRUE(recorder.WaitForEnd(std::chrono::seconds(2))) << c.name;
        const FiredEvent ending = recorder.Ending();
        EXPECT_EQ(4, ending.event) << c.name;
        EXPECT_EQ(0, ending.value) << c.name;
        EXPECT_EQ(0u, ending.data) << c.name;
        EXPECT_EQ(DownloadState_Failed, refused.GetState()) << c.name;
        EXPECT_FALSE(refused.IsRunning()) << c.name;
    }
}

TEST_F(StartScenario, SecondStartIsRefusedWhileRunningAndWorksAfterTheEnd) {
    std::vector<rig::MirrorConfig> configs(2);
    for (rig::MirrorConfig& config : configs) config.connectionRate = 4 * MiB;
    StartMirrors(2 * MiB, configs);
    StartEngine(Manifest(Urls()), FastTuning());
    EXPECT_EQ(E_FAIL, engine->StartFromBuffer(manifest.data(), static_cast<int>(manifest.size()), Target()));
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    // The same engine downloads again (the finished target is verified and kept).
    std::remove(TargetHost().c_str());
    EventRecorder again;
    engine->SetEventCallback(again.Callback());
    ASSERT_EQ(S_OK, engine->StartFromBuffer(manifest.data(), static_cast<int>(manifest.size()), Target()));
    ASSERT_TRUE(again.WaitForEnd(std::chrono::seconds(20)));
    EXPECT_EQ(5, again.Ending().event);
    EXPECT_EQ(digests.whole, rig::DigestHostFile(TargetHost()));
}

TEST_F(StartScenario, StopAtAnyMomentOfTheStartLeavesTheEngineStopped) {
    StartMirrors(MiB, {{}, {}});
    const std::string text = Manifest(Urls());
    // Stops spread over the manifest, the probe and the part set-up.
    for (int delayUs : {0, 50, 200, 500, 1000, 2000, 3000, 5000, 8000, 12000}) {
        std::remove(TargetHost().c_str());
        EventRecorder recorder;
        auto stopped = std::make_unique<DownloaderCurl>();
        stopped->SetTuning(FastTuning());
        stopped->SetEventCallback(recorder.Callback());
        ASSERT_EQ(S_OK, stopped->StartFromBuffer(text.data(), static_cast<int>(text.size()), Target()));
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
        stopped->Stop();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_FALSE(stopped->IsRunning()) << delayUs;
        // A download that had already finished may have said so; nothing else.
        if (stopped->GetState() != DownloadState_Finished) {
            EXPECT_EQ(0, recorder.Count(DOWNLOAD_EVENT_FINISHED)) << delayUs;
        }
    }
}

TEST_F(StartScenario, RedirectLoopsAndOtherSchemesEndTheRequestAtOnce) {
    rig::MirrorConfig looping;
    looping.faults.push_back({rig::FaultKind::Redirect, rig::kNoLimit, rig::kNoLimit, 0, -1, 404, 0, "mirror:0"});
    rig::MirrorConfig elsewhere;
    elsewhere.faults.push_back(
        {rig::FaultKind::Redirect, rig::kNoLimit, rig::kNoLimit, 0, -1, 404, 0, "ftp://127.0.0.1:1/p"});
    StartMirrors(MiB, {looping, elsewhere});
    DownloaderCurl probe;
    probe.SetTuning(FastTuning());
    for (int mirror : {0, 1}) {
        const auto before = std::chrono::steady_clock::now();
        EXPECT_EQ(-1, probe.GetDownloadFileLenth(server->Url(mirror).c_str())) << mirror;
        EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count(), 1.0) << mirror;
    }
    // Mirror 0 was asked a bounded number of times.
    EXPECT_LE(server->Requests(0).size(), 6u);
    EXPECT_TRUE(server->Requests(1).size() == 1u);
}

TEST_F(StartScenario, ManifestUrlServingSomethingHugeIsRefused) {
    // The "manifest" is the 20 MiB package itself.
    StartMirrors(20 * MiB, {{}});
    engine = std::make_unique<DownloaderCurl>();
    engine->SetTuning(FastTuning());
    engine->SetEventCallback(events.Callback());
    ASSERT_EQ(S_OK, engine->StartFromUrl(server->Url(0), Target()));
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(ConfigDownloadError, engine->GetErrorCode());
    EXPECT_EQ(4, events.Ending().event);
    std::uint64_t served = 0;
    for (const rig::RequestRecord& record : server->Requests(0)) served += record.bodyBytes;
    // Three attempts, each cut off near the limit rather than at 20 MiB.
    EXPECT_LT(served, 3 * (DownloaderCurl::kManifestBodyLimit + 2 * MiB));
    EXPECT_FALSE(PathFileExistsA((Target() + ".cfg").c_str()));
}

}  // namespace
}  // namespace downloadtest
