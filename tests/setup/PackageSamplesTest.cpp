// Replays the kept package files in samples/package/: hand-made malformed
// packages and every input the package fuzzer found crashing. "good-*" must
// verify, "bad-*" must be refused cleanly, others only handled without a fault.
#include "tests/setup/fuzz/PackageFuzzTarget.h"
#include "tests/support/SampleReplay.h"

namespace {

TEST(PackageSamplesTest, KeptPackagesAreHandled) {
    testsupport::ReplaySamples(std::filesystem::path(SETUP_SAMPLES_DIR) / "package", fuzztargets::PackageFile);
}

}  // namespace
