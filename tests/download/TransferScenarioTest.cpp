// Whole downloads against loopback mirrors: the split, retries, stalls,
// ignored ranges, error pages and dead mirrors.
#include <cstring>

#include "tests/download/EngineScenario.h"

namespace downloadtest {
namespace {

using TransferScenario = EngineScenario;

TEST_F(TransferScenario, CleanDownloadFromTwoMirrorsEndsVerified) {
    // Not a multiple of the part count nor of 1 MiB.
    StartMirrors(3 * MiB + 12345, {{}, {}});
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    EXPECT_EQ(NoError, engine->GetErrorCode());
    EXPECT_EQ("NoError", engine->GetErrorName());
    const FiredEvent ending = events.Ending();
    EXPECT_EQ(static_cast<int>(3 * MiB + 12345), ending.value);
    EXPECT_EQ(3 * MiB + 12345, ending.data);
    EXPECT_EQ(4, events.Count(DOWNLOAD_EVENT_PART_DONE));
    EXPECT_GT(events.Count(DOWNLOAD_EVENT_PROGRESS), 0);
    // Every part asked for its own range once.
    for (int i = 0; i < 2; ++i) {
        for (const rig::RequestRecord& record : server->Requests(i)) {
            if (record.method == "GET" && record.target.find("/download/") == 0) EXPECT_EQ(206, record.status);
        }
    }
    std::vector<DownloadSummary> summaries = engine->GetDomainSummary();
    ASSERT_EQ(2u, summaries.size());
    EXPECT_EQ(server->Address(0), summaries[0].domain);
    EXPECT_FALSE(summaries[0].hasError);
}

}  // namespace
}  // namespace downloadtest
