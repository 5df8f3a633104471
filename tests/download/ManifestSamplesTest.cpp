// Replays the kept manifest samples (hand-made ones and any input the
// manifest fuzzer found failing) through the parser's fuzz target.
#include "tests/download/fuzz/ManifestFuzzTarget.h"
#include "tests/support/SampleReplay.h"

namespace {

TEST(ManifestSamples, GoodOnesParseAndBadOnesAreRefused) {
    testsupport::ReplaySamples(std::filesystem::path(DOWNLOAD_SAMPLES_DIR) / "manifest", fuzztargets::ManifestParse);
}

}  // namespace
