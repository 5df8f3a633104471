// A download scenario: loopback mirrors serving a generated package, an
// engine with short timings, and a record of the events it fired.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <cstdio>
#include <cstdlib>

#include "download/DownloaderCurl.h"
#include "util/Log.h"
#include "tests/download/rig/MirrorRig.h"
#include "tests/support/MachineFixture.h"

namespace downloadtest {

struct FiredEvent {
    int event;
    int value;
    std::uintptr_t data;
};

// Collects events 4, 5, 7 and 8 (and counts 3) from any engine thread.
class EventRecorder {
public:
    EventCallback Callback() {
        return [this](int event, int value, void* data) {
            std::lock_guard<std::mutex> guard(m_lock);
            if (event == DOWNLOAD_EVENT_PROGRESS) {
                ++m_progressCount;
                return 0;
            }
            m_events.push_back({event, value, reinterpret_cast<std::uintptr_t>(data)});
            if (event == DOWNLOAD_EVENT_FAILED || event == DOWNLOAD_EVENT_FINISHED) m_ended.notify_all();
            return 0;
        };
    }
    // True when event 4 or 5 arrives within the limit.
    bool WaitForEnd(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> guard(m_lock);
        return m_ended.wait_for(guard, limit, [this] { return CountLocked(4) + CountLocked(5) > 0; });
    }
    int Count(int event) {
        std::lock_guard<std::mutex> guard(m_lock);
        return event == DOWNLOAD_EVENT_PROGRESS ? m_progressCount : CountLocked(event);
    }
    std::vector<FiredEvent> Events() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_events;
    }
    // The first event 4 or 5.
    FiredEvent Ending() {
        std::lock_guard<std::mutex> guard(m_lock);
        for (const FiredEvent& fired : m_events)
            if (fired.event == 4 || fired.event == 5) return fired;
        return {0, 0, 0};
    }

private:
    int CountLocked(int event) const {
        int count = 0;
        for (const FiredEvent& fired : m_events) count += fired.event == event;
        return count;
    }
    std::mutex m_lock;
    std::condition_variable m_ended;
    std::vector<FiredEvent> m_events;
    int m_progressCount = 0;
};

class EngineScenario : public testsupport::MachineTest {
protected:
    static constexpr std::uint64_t MiB = 1048576;

    // Timings short enough for a test, in the real proportions.
    static DownloadTuning FastTuning() {
        DownloadTuning tuning;
        tuning.supervisorPeriodMs = 100;
        tuning.stallLimitMs = 600;
        tuning.lowSpeedTimeSeconds = 2;
        tuning.startDelayMs = 5;
        tuning.pingTimeoutMs = 300;
        tuning.headTimeoutSeconds = 5;
        tuning.loadCheckTimeoutSeconds = 5;
        tuning.manifestTimeoutSeconds = 5;
        tuning.osCode = 18;  // below Windows 10: no ping, manifest order
        // Splits only on the periodic pass, so that each scenario sees one
        // order of events; the split on a part's end has its own test.
        tuning.promptSplits = false;
        return tuning;
    }

    void SetUp() override {
        // DOWNLOAD_TEST_LOG=1 shows the engine's log lines while debugging.
        if (std::getenv("DOWNLOAD_TEST_LOG"))
            GetLog()->SetCallback([](const char* text) { return std::fprintf(stderr, "%s", text); });
    }

    void TearDown() override {
        // Mirrors first: their sockets close and any blocked transfer ends at once.
        if (server) server->Stop();
        engine.reset();
    }

    // Starts `configs.size()` mirrors serving a package of `size` bytes.
    void StartMirrors(std::uint64_t size, const std::vector<rig::MirrorConfig>& configs, std::uint64_t seed = 7) {
        server = std::make_unique<rig::MirrorRig>(rig::Content{size, seed});
        std::string error;
        ASSERT_TRUE(server->Start(configs, {}, &error)) << error;
        digests = rig::DigestPackage(server->Package());
    }

    std::vector<std::string> Urls() const {
        std::vector<std::string> urls;
        for (int i = 0; i < server->MirrorCount(); ++i) urls.push_back(server->Url(i));
        return urls;
    }

    std::string Manifest(const std::vector<std::string>& urls, const rig::ManifestOptions& options = {}) const {
        return rig::GenerateManifest(server->Package().size, digests, urls, options);
    }

    // Target in the test machine's Documents folder.
    std::string Target() const { return "C:\\Users\\User\\Documents\\package.exe"; }
    std::string TargetHost() const { return Host(L"C:\\Users\\User\\Documents\\package.exe"); }

    void StartEngine(const std::string& manifestText, const DownloadTuning& tuning) {
        manifest = manifestText;
        engine = std::make_unique<DownloaderCurl>();
        engine->SetTuning(tuning);
        ASSERT_EQ(S_OK, engine->SetEventCallback(events.Callback()));
        started = std::chrono::steady_clock::now();
        ASSERT_EQ(S_OK, engine->StartFromBuffer(manifest.data(), static_cast<int>(manifest.size()), Target()));
    }

    // Waits for the end (watchdog bound) and for the engine to stop running.
    bool WaitForEnd(int seconds = 20) {
        if (!events.WaitForEnd(std::chrono::seconds(seconds))) return false;
        elapsed = std::chrono::steady_clock::now() - started;
        for (int i = 0; i < 200 && engine->IsRunning(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return !engine->IsRunning();
    }

    double ElapsedSeconds() const { return std::chrono::duration<double>(elapsed).count(); }

    // Expects state 5 with event 5 and the package's exact bytes.
    void ExpectGoodFile() {
        EXPECT_EQ(DownloadState_Finished, engine->GetState());
        EXPECT_EQ(5, events.Ending().event);
        EXPECT_EQ(0, events.Count(4));
        EXPECT_EQ(digests.whole, rig::DigestHostFile(TargetHost()));
    }

    // Requests for the package with exactly this Range header, over all mirrors.
    int RangeRequests(const std::string& range, int* mirror = nullptr) const {
        int count = 0;
        for (int i = 0; i < server->MirrorCount(); ++i)
            for (const rig::RequestRecord& record : server->Requests(i))
                if (record.method == "GET" && record.range == range) {
                    ++count;
                    if (mirror) *mirror = i;
                }
        return count;
    }

    EventRecorder events;  // outlives the engine that calls it
    rig::PackageDigests digests;
    // Package requests with this Range header on one mirror.
    int RangeRequestsOn(int mirror, const std::string& range) const {
        int count = 0;
        for (const rig::RequestRecord& record : server->Requests(mirror))
            count += record.method == "GET" && record.range == range;
        return count;
    }

    // Package requests (HEAD and GET) of one mirror.
    std::vector<rig::RequestRecord> PackageRequests(int mirror) const {
        std::vector<rig::RequestRecord> found;
        for (const rig::RequestRecord& record : server->Requests(mirror))
            if (record.target.find("/download/") == 0) found.push_back(record);
        return found;
    }

    std::unique_ptr<rig::MirrorRig> server;
    std::unique_ptr<DownloaderCurl> engine;
    std::string manifest;
    std::chrono::steady_clock::time_point started;
    std::chrono::steady_clock::duration elapsed{};
};

}  // namespace downloadtest
