// Replays the kept reply inputs in samples/ through the fuzzers' bodies.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/stats/fuzz/ReplyFuzzTargets.h"
#include "tests/support/SampleReplay.h"

namespace {

TEST(ReplySamples, StatisticsRepliesInBothModes) {
    testsupport::ReplaySamples(std::filesystem::path(STATS_SAMPLES_DIR) / "reply", fuzztargets::StatsReply);
}

TEST(ReplySamples, ProfileAnswersAgainstCachedProfiles) {
    testsupport::ReplaySamples(std::filesystem::path(STATS_SAMPLES_DIR) / "profile", fuzztargets::ProfileReply);
}

}  // namespace
