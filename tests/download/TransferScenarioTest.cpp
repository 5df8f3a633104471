// Whole downloads against loopback mirrors: the split, retries, stalls,
// ignored ranges, error pages and dead mirrors.
#include <curl/curl.h>

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
    EXPECT_GE(events.Count(DOWNLOAD_EVENT_PART_DONE), 4);  // splits may add parts
    EXPECT_GT(events.Count(DOWNLOAD_EVENT_PROGRESS), 0);
    // Every part asked for its own range once.
    for (int i = 0; i < 2; ++i) {
        for (const rig::RequestRecord& record : PackageRequests(i)) {
            if (record.method == "GET") {
                EXPECT_EQ(206, record.status);
            }
        }
    }
    std::vector<DownloadSummary> summaries = engine->GetDomainSummary();
    ASSERT_EQ(2u, summaries.size());
    EXPECT_EQ(server->Address(0), summaries[0].domain);
    EXPECT_FALSE(summaries[0].hasError);
}

}  // namespace
}  // namespace downloadtest

namespace downloadtest {
namespace {

// 4,000,000 bytes over mirrors A (0) and B (1): parts A 0..999,999,
// B 1,000,000..1,999,999, A 2,000,000..2,999,999, B 3,000,000..3,999,999.
constexpr std::uint64_t kFourParts = 4000000;

rig::Fault At(rig::FaultKind kind, std::uint64_t offset) {
    rig::Fault fault;
    fault.kind = kind;
    fault.offset = offset;
    fault.times = 1;
    return fault;
}

TEST_F(TransferScenario, FailedPartIsRetriedOnAnotherMirrorFromItsPosition) {
    rig::MirrorConfig dropping;
    dropping.faults.push_back(At(rig::FaultKind::Drop, 1300000));
    StartMirrors(kFourParts, {{}, dropping});
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    int mirror = -1;
    EXPECT_EQ(1, RangeRequests("bytes=1300000-1999999", &mirror));
    EXPECT_EQ(0, mirror);
    DownloadProgress progress;
    engine->GetProgress(&progress);
    EXPECT_EQ(E_Status_StopByFail, progress.items[1].status);
    EXPECT_EQ(CURLE_PARTIAL_FILE, progress.items[1].result);
}

struct StallCase {
    const char* name;
    std::uint64_t stallOffset;
    int holdMs;                  // 0: the mirror holds the socket until the client gives up
    const char* splitRange;      // request a split must have made, "" for none
    const char* movedRange;      // request that took over the stalled bytes, "" when left alone
    const char* leftAloneRange;  // with no move: the request that must not have been made
    double minSeconds;
    double maxSeconds;
};

class StallScenario : public EngineScenario, public ::testing::WithParamInterface<StallCase> {};

TEST_P(StallScenario, StalledBytesMoveToTheOtherMirror) {
    const StallCase& c = GetParam();
    rig::MirrorConfig stalling;
    stalling.faults.push_back(At(rig::FaultKind::Stall, c.stallOffset));
    stalling.faults.back().holdMs = c.holdMs;
    // Parts of 700,000: A 0.., B 700,000..1,399,999, A 1,400,000.., B 2,100,000..2,799,999.
    StartMirrors(2800000, {{}, stalling});
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    if (*c.splitRange) {
        EXPECT_EQ(1, RangeRequestsOn(0, c.splitRange));
    }
    EXPECT_EQ(*c.movedRange ? 1 : 0, RangeRequestsOn(0, *c.movedRange ? c.movedRange : c.leftAloneRange));
    EXPECT_GE(ElapsedSeconds(), c.minSeconds);
    EXPECT_LE(ElapsedSeconds(), c.maxSeconds);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StallScenario,
    ::testing::Values(
        // Stalled near its start at about 75 %: split first, then moved after the stall limit.
        StallCase{"HalfWayIsMoved", 700100, 0, "bytes=1050050-1399999", "bytes=700100-1050049", "", 0.5, 4.0},
        // Above 90 % a stall is left alone (here until the mirror resumes after 1.5 s).
        StallCase{"NearTheEndIsLeftAlone", 2750000, 1500, "", "", "bytes=2750000-2799999", 1.4, 4.0},
        // 600,000 bytes left: the running part keeps 300,000, the new one takes 300,001.
        StallCase{"Split600000", 799999, 0, "bytes=1099999-1399999", "bytes=799999-1099998", "", 0.5, 4.0},
        // 600,001 bytes left: both halves get 300,001.
        StallCase{"Split600001", 799998, 0, "bytes=1099999-1399999", "bytes=799998-1099998", "", 0.5, 4.0},
        // 511,999 bytes left: below the split threshold, only the stall move.
        StallCase{"NoSplitAt511999", 888000, 0, "", "bytes=888000-1399999", "", 0.5, 4.0}),
    [](const ::testing::TestParamInfo<StallCase>& info) { return std::string(info.param.name); });

TEST_F(TransferScenario, FinishedPartsSplitAtOnceSoFastMirrorsTakeOverTheSlowOnesBytes) {
    // Mirror B alone would need 4 s for its two 1 MiB parts.
    std::vector<rig::MirrorConfig> configs(2);
    configs[1].connectionRate = 256 * 1024;
    StartMirrors(4 * MiB, configs);
    DownloadTuning tuning = FastTuning();
    tuning.promptSplits = true;
    tuning.supervisorPeriodMs = 5000;  // only the split on a part's end can help before B is done
    StartEngine(Manifest(Urls()), tuning);
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    EXPECT_LT(ElapsedSeconds(), 3.0);
    EXPECT_LT(server->PackageBytesServed(1), 3 * MiB / 2);
}

TEST_F(TransferScenario, PartOnTheCdnMirrorIsNeverMovedForAStall) {
    // A, B and a CDN-class mirror: six parts of 1,000,000; part 2 is the CDN's.
    rig::MirrorConfig cdn;
    cdn.faults.push_back(At(rig::FaultKind::Stall, 2000100));
    cdn.faults.back().holdMs = 1500;
    StartMirrors(6000000, {{}, {}, cdn});
    DownloadTuning tuning = FastTuning();
    tuning.cdnPatterns = {"//" + server->Address(2) + "/"};
    StartEngine(Manifest(Urls()), tuning);
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    ASSERT_EQ(3u, engine->GetUsedUrlInfo().size());
    EXPECT_STREQ(server->Url(2).c_str(), engine->GetUsedUrlInfo()[2].url);
    // The 1.5 s stall outlasted the 600 ms stall limit, yet nothing took the
    // stalled bytes over: the CDN part finished them itself.
    EXPECT_GE(ElapsedSeconds(), 1.4);
    EXPECT_EQ(1, RangeRequests("bytes=2500050-2999999"));  // the split of its second half
    EXPECT_EQ(0, RangeRequests("bytes=2000100-2500049"));
    DownloadProgress progress;
    engine->GetProgress(&progress);
    EXPECT_EQ(E_Status_Succeed, progress.items[2].status);
    const DownloadSummary cdnSummary = engine->GetAmazonSummary();
    EXPECT_EQ(server->Address(2), cdnSummary.domain);
    EXPECT_GT(cdnSummary.downloadedKb, 0);
    EXPECT_FALSE(cdnSummary.hasError);
}

TEST_F(TransferScenario, RangeIgnoredByAMirrorNeverReachesTheFile) {
    rig::MirrorConfig ignoring;
    rig::Fault fault;
    fault.kind = rig::FaultKind::IgnoreRange;
    ignoring.faults.push_back(fault);
    StartMirrors(kFourParts, {{}, ignoring});
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    for (const rig::RequestRecord& record : PackageRequests(1)) {
        if (record.method == "GET") {
            EXPECT_EQ(200, record.status);
        }
    }
    EXPECT_EQ(1, RangeRequestsOn(0, "bytes=1000000-1999999"));
    EXPECT_EQ(1, RangeRequestsOn(0, "bytes=3000000-3999999"));
    DownloadProgress progress;
    engine->GetProgress(&progress);
    EXPECT_EQ(CURLE_RANGE_ERROR, progress.items[1].result);
}

TEST_F(TransferScenario, ErrorPageMidwayIsRetriedElsewhere) {
    rig::MirrorConfig failing;
    rig::Fault fault;
    fault.kind = rig::FaultKind::Status;
    fault.status = 404;
    fault.fromRequest = 1;  // the mirror's second part gets the error page
    failing.faults.push_back(fault);
    StartMirrors(kFourParts, {{}, failing});
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    std::string failedRange;
    for (const rig::RequestRecord& record : PackageRequests(1))
        if (record.status == 404) failedRange = record.range;
    ASSERT_FALSE(failedRange.empty());
    EXPECT_EQ(1, RangeRequestsOn(0, failedRange));
}

TEST_F(TransferScenario, EveryMirrorDeadFailsWithTheCurlErrorAndLastLink) {
    rig::MirrorConfig dead;
    rig::Fault fault;
    fault.kind = rig::FaultKind::Status;
    fault.status = 500;
    dead.faults.push_back(fault);
    StartMirrors(kFourParts, {dead, dead});
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    EXPECT_EQ(DownloadState_Failed, engine->GetState());
    EXPECT_EQ(DispatchFailError, engine->GetErrorCode());
    EXPECT_EQ("DispatchFailError", engine->GetErrorName());
    EXPECT_EQ(CURLE_HTTP_RETURNED_ERROR, engine->GetCurlError());
    const std::string link = engine->GetLastFailLink();
    EXPECT_TRUE(link == server->Url(0) || link == server->Url(1)) << link;
    EXPECT_EQ(1, events.Count(DOWNLOAD_EVENT_FAILED));
    EXPECT_EQ(0, events.Count(DOWNLOAD_EVENT_FINISHED));
    EXPECT_EQ(kFourParts, events.Ending().data);
    std::vector<DownloadSummary> summaries = engine->GetDomainSummary();
    ASSERT_EQ(2u, summaries.size());
    EXPECT_TRUE(summaries[0].hasError);
    EXPECT_EQ(22, summaries[0].curlCode);
}

TEST_F(TransferScenario, RedirectedMirrorIsFollowed) {
    // Mirror 1 sends every package request to mirror 0.
    rig::MirrorConfig redirecting;
    rig::Fault fault;
    fault.kind = rig::FaultKind::Redirect;
    fault.location = "mirror:0";
    redirecting.faults.push_back(fault);
    StartMirrors(2 * MiB, {{}, redirecting});
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    ASSERT_EQ(2u, engine->GetUsedUrlInfo().size());
    for (const rig::RequestRecord& record : PackageRequests(1)) EXPECT_EQ(302, record.status);
}

}  // namespace
}  // namespace downloadtest

namespace downloadtest {
namespace {

TEST_F(TransferScenario, SilenceNearTheEndEndsTheTransferAfterTheNoDataLimit) {
    // Above 90 % the supervisor leaves a stall alone; the transfer itself
    // gives up once nothing arrived for the limit (2 s here), with result 28.
    rig::MirrorConfig stalling;
    stalling.faults.push_back(At(rig::FaultKind::Stall, 2750000));
    StartMirrors(2800000, {{}, stalling});
    DownloadTuning tuning = FastTuning();
    StartEngine(Manifest(Urls()), tuning);
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    EXPECT_GE(ElapsedSeconds(), 2.0);
    EXPECT_LT(ElapsedSeconds(), 2.8);
    EXPECT_EQ(1, RangeRequestsOn(0, "bytes=2750000-2799999"));
    DownloadProgress progress;
    engine->GetProgress(&progress);
    int timedOut = 0;
    for (const auto& [id, item] : progress.items) timedOut += item.result == CURLE_OPERATION_TIMEDOUT;
    EXPECT_EQ(1, timedOut);
}

struct RejectedCase {
    const char* name;
    rig::FaultKind kind;
    std::uint64_t afterBytes;
    int result;  // what the rejected part ends with
};

class RejectedResponse : public EngineScenario, public ::testing::WithParamInterface<RejectedCase> {};

// Mirror B's first answer is wrong; what it sent never counts as its part's
// bytes and the rest goes to mirror A.
TEST_P(RejectedResponse, IsRetriedOnTheOtherMirror) {
    const RejectedCase& c = GetParam();
    rig::MirrorConfig faulty;
    rig::Fault fault;
    fault.kind = c.kind;
    fault.afterBytes = c.afterBytes;
    fault.times = 1;
    faulty.faults.push_back(fault);
    StartMirrors(kFourParts, {{}, faulty});
    StartEngine(Manifest(Urls()), FastTuning());
    ASSERT_TRUE(WaitForEnd());
    ExpectGoodFile();
    DownloadProgress progress;
    engine->GetProgress(&progress);
    int rejected = 0;
    for (const auto& [id, item] : progress.items)
        if (item.url && server->Url(1) == item.url && item.result == c.result) ++rejected;
    EXPECT_EQ(1, rejected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RejectedResponse,
    ::testing::Values(RejectedCase{"WrongContentRange", rig::FaultKind::WrongRange, rig::kNoLimit, CURLE_RANGE_ERROR},
                      // No Content-Length and a close after 300,000 bytes: a clean end, but short.
                      RejectedCase{"ShortBodyWithoutLength", rig::FaultKind::ShortBody, 300000, CURLE_PARTIAL_FILE}),
    [](const ::testing::TestParamInfo<RejectedCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace downloadtest
