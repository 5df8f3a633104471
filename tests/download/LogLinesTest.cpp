// The engine's install-log lines, word for word, from one download with a
// dropped part and a bad block.
#include <algorithm>
#include <mutex>

#include "tests/download/EngineScenario.h"

namespace downloadtest {
namespace {

std::mutex g_linesLock;
std::vector<std::string> g_lines;

int KeepLine(const char* text) {
    std::lock_guard<std::mutex> guard(g_linesLock);
    g_lines.emplace_back(text);
    return 0;
}

using LogLines = EngineScenario;

TEST_F(LogLines, DownloadWithARetryAndARepairWritesTheLinesAsGiven) {
    {
        std::lock_guard<std::mutex> guard(g_linesLock);
        g_lines.clear();
    }
    // Parts A 0..999,999, B 1,000,000..1,999,999, A .., B ..; B drops its
    // first part at 1,300,000 and A's first part carries a bad block 0.
    std::vector<rig::MirrorConfig> configs(2);
    configs[1].faults.push_back({rig::FaultKind::Drop, 1300000, rig::kNoLimit, 0, 1, 404, 0, ""});
    configs[0].faults.push_back({rig::FaultKind::Corrupt, 0, rig::kNoLimit, 0, 1, 404, 0, ""});
    StartMirrors(4000000, configs);
    GetLog()->SetCallback(KeepLine);
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    engine.reset();
    GetLog()->SetCallback(nullptr);

    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> guard(g_linesLock);
        lines = g_lines;
    }
    const std::string a = server->Address(0);
    const std::string exact[] = {
        "Download_CheckDownload: ID(0), Check Ping Invalid(true), time(0).\n",
        "Download_GetDownloadFileLenth : result(4000000), url_err(0).\n",
        "Download : GetNetworkNotFull IP(" + a + "), Result(1\n).\n",
        "Download_CheckDownload: ID(1), FileSizeConsistent(true) NetworkNotFull(true).\n",
        "Download_CheckDownload: Warring, m_vecUrlCfg.size() <= 2.\n",
        "Download_CheckDownload: Add Ama fail.\n",
        "Download_BeginDownload : OpenFile(1), Mutex(1), File(" + Target() + ").\n",
        "Download_BeginDownloadItem : id(1) thread(0x2) start(1000000) end(1999999).\n",
        "Download_Dispatch Begining.\n",
        // The range ends at 1,999,999 unless a split moved its end down
        // before the drop.
        "Download_Dispatch: Retrying failed item (1), range (1300000-",
        "Download_CheckFinish (0): begin.\n",
        "Download_Internal Finish (0) OK.\n",
        "Download_RepairData : GetBestURL Info, start(0), end(1048575), ID(",
        "Download_Dispatch Endding.\n",
        "Download_CloseFile.\n",
        "CloseFile 0.\n",
        "Download_Thread_Download_Cfg : succeed.\n",
        "Begin: Wait dispatch thread finish.\n",
        "End: Wait dispatch thread finish.\n",
    };
    for (const std::string& line : exact) {
        const bool found = std::any_of(lines.begin(), lines.end(), [&](const std::string& logged) {
            return line.back() == '\n' ? logged == line : logged.compare(0, line.size(), line) == 0;
        });
        EXPECT_TRUE(found) << line;
    }
    // The retry names its new part, its range and the mirror it went to.
    const std::string retry = "Download_Dispatch: Creating new item (";
    const std::string retryRange = ") for range (1300000-";
    const std::string retryEnd = ") using URL (" + a + ")\n";
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& logged) {
        return logged.compare(0, retry.size(), retry) == 0 && logged.find(retryRange) != std::string::npos &&
               logged.size() > retryEnd.size() &&
               logged.compare(logged.size() - retryEnd.size(), retryEnd.size(), retryEnd) == 0;
    }));
    // The finish line follows the last part's "begin" line.
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& logged) {
        return logged.find("): Finish download.\n") != std::string::npos &&
               logged.compare(0, 22, "Download_CheckFinish (") == 0;
    }));
}

}  // namespace
}  // namespace downloadtest
