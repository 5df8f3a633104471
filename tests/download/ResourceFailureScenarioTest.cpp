// Downloads meeting a failing resource: a target that takes fewer bytes
// than offered (a full disk) and a transfer handle that cannot be made.
#include <curl/curl.h>

#include "download/TargetFile.h"
#include "net/CurlHandle.h"
#include "tests/download/EngineScenario.h"

namespace downloadtest {
namespace {

using ResourceFailureScenario = EngineScenario;

// 4,000,000 bytes over two mirrors: four parts of 1,000,000.
constexpr std::uint64_t kSize = 4000000;

// Lifts the size limit however the test ends.
struct ScopedSizeLimit {
    explicit ScopedSizeLimit(std::uint64_t bytes) { TargetFile::LimitSizeForTests(bytes); }
    ~ScopedSizeLimit() { TargetFile::LimitSizeForTests(TargetFile::kNoSizeLimit); }
};

struct ScopedHandleFailures {
    ~ScopedHandleFailures() { net::FailNextHandleCreations(0); }
};

TEST_F(ResourceFailureScenario, ShortWritesCountOnlyTheBytesThatReachedTheFile) {
    // The last part crosses the limit 500 bytes in and is then refused every byte.
    constexpr std::uint64_t kLimit = 3000500;
    ScopedSizeLimit limit(kLimit);
    StartMirrors(kSize, {{}, {}});
    StartEngine(Manifest(Urls()), FastTuning());
    bool sawShortWrite = false;
    DownloadProgress progress;
    for (int i = 0; i < 1000 && !sawShortWrite; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_EQ(S_OK, engine->GetProgress(&progress));
        for (const auto& [id, item] : progress.items)
            sawShortWrite |= item.result == CURLE_WRITE_ERROR && item.status != E_Status_Runing;
    }
    ASSERT_TRUE(sawShortWrite);
    // Neither the engine's count nor any part's position runs past the bytes written.
    EXPECT_LE(static_cast<std::uint64_t>(progress.downloaded), kLimit);
    std::uint64_t positions = 0;
    for (const auto& [id, item] : progress.items) {
        EXPECT_LE(item.pos, kLimit > item.start ? kLimit : item.start) << "part " << id;
        positions += item.pos - item.start;
    }
    EXPECT_LE(positions, kLimit);
    EXPECT_FALSE(events.Count(DOWNLOAD_EVENT_FINISHED));

    // Space again: the retries write the rest from where the bytes stopped.
    TargetFile::LimitSizeForTests(TargetFile::kNoSizeLimit);
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    EXPECT_EQ(static_cast<int>(kSize), events.Ending().value);
}

TEST_F(ResourceFailureScenario, FailedHandleCreationFailsThePartAndItsRetryGoesOn) {
    ScopedHandleFailures restore;
    rig::MirrorConfig paced;
    paced.connectionRate = 4.0 * MiB;  // a quarter second per part
    rig::MirrorConfig dropping = paced;
    rig::Fault drop;
    drop.kind = rig::FaultKind::Drop;
    drop.offset = 1300000;
    drop.times = 1;
    dropping.faults.push_back(drop);
    StartMirrors(kSize, {paced, dropping});

    engine = std::make_unique<DownloaderCurl>();
    engine->SetTuning(FastTuning());
    EventCallback record = events.Callback();
    std::atomic<bool> armed{false};
    // Once the dropped part has ended (the others run by then), the next two
    // transfers, its retries, get no handle.
    ASSERT_EQ(S_OK, engine->SetEventCallback([&](int event, int value, void* data) {
        if (event == DOWNLOAD_EVENT_PART_DONE && value == 1 && !armed.exchange(true)) net::FailNextHandleCreations(2);
        return record(event, value, data);
    }));
    manifest = Manifest(Urls());
    started = std::chrono::steady_clock::now();
    ASSERT_EQ(S_OK, engine->StartFromBuffer(manifest.data(), static_cast<int>(manifest.size()), Target()));
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    EXPECT_EQ(0, net::FailNextHandleCreations(0));  // both failures were met
    DownloadProgress progress;
    engine->GetProgress(&progress);
    int withoutHandle = 0;
    for (const auto& [id, item] : progress.items) {
        if (item.result != CURLE_FAILED_INIT) continue;
        ++withoutHandle;
        EXPECT_EQ(E_Status_StopByFail, item.status) << "part " << id;
        EXPECT_EQ(item.start, item.pos) << "part " << id;  // nothing was written for it
    }
    EXPECT_EQ(2, withoutHandle);
}

}  // namespace
}  // namespace downloadtest
