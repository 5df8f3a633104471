// The scripted runs of the report tests: a test clock, a machine with one
// network adapter, English, an install log and a device log, and a profile
// service that answers with a token.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files/FileSystem.h"
#include "stats/StatsClock.h"
#include "stats/StatsRecords.h"
#include "tests/stats/StatsServerFixture.h"
#include "ui/lang/Language.h"
#include "util/SystemIdentity.h"

namespace statstest {

inline std::atomic<std::uint64_t> g_seconds{1000};
inline std::uint64_t ScriptClock() { return g_seconds.load(); }
inline void Advance(std::uint64_t seconds) { g_seconds += seconds; }

inline const char* const kLogPath = "C:\\Users\\User\\Documents\\Tessarovinde\\Log\\install.log";
inline const char* const kZipPath = "C:\\Users\\User\\Documents\\Tessarovinde\\Log\\install.zip";

inline StatsReportSettings Settings() {
    StatsReportSettings settings;
    settings.runId = "5F0C3A0E9B2D4C1A8E7F6D5C4B3A2910";
    settings.shortName = "tessarovinde";
    settings.option = "";
    settings.source = "official";
    settings.version = "1072";
    settings.logPath = kLogPath;
    settings.domain = "tessarovinde.invalid";
    settings.productId = "1083";
    settings.productName = "Tessarovinde";
    settings.registeredUserName = "registered@example.invalid";
    settings.startMode = "online";
    settings.x64Product = true;
    settings.os64Bit = true;
    settings.silent = false;
    settings.installType = "new";
    return settings;
}

class ReportRunTest : public StatsServerTest {
protected:
    void SetUp() override {
        StatsServerTest::SetUp();
        g_seconds = 1000;
        SetStatsClockForTests(ScriptClock);
        machine.profile().networkAdapters = std::vector<platform::NetworkAdapterEntry>{
            {"{A1}", "Ethernet", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, true}};
        ResetMachineMacForTest();
        ResetLanguageForTests();
        InitLanguage(L"Tessarovinde", 0x0409);
        CreateDirectoryW(L"C:\\Users\\User\\Documents\\Tessarovinde", nullptr);
        CreateDirectoryW(L"C:\\Users\\User\\Documents\\Tessarovinde\\Log", nullptr);
        WriteHostFile(Host(L"C:\\Users\\User\\Documents\\Tessarovinde\\Log\\install.log"),
                      "2026-12-10 10:00:00 : Init Log OK.\r\n");
        WriteHostFile(Host(machine.machine().TempFolder() + L"\\devcon.log"), "devcon: no devices\r\n");
        server->SetProfileReplies(
            {},
            ProfileAnswer("0",
                          R"({"api_version":3,"user_info":{"token_id":"tok-7f3a","email":"user@example.invalid"}})"));
    }
    void TearDown() override {
        SetStatsClockForTests(nullptr);
        ResetLanguageForTests();
        ResetMachineMacForTest();
        StatsServerTest::TearDown();
    }

    // The documents the server decoded, in order.
    std::vector<ReceivedRequest> Uploads() const {
        std::vector<ReceivedRequest> uploads;
        for (const ReceivedRequest& request : server->Requests())
            if (request.target.rfind("/api/common_json_post/", 0) == 0) uploads.push_back(request);
        return uploads;
    }
};

}  // namespace statstest
