// Replays the kept package files in samples/package/: hand-made malformed
// packages and every input the package fuzzer found crashing. "good-*" must
// verify, "bad-*" must be refused cleanly, others only handled without a fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/setup/fuzz/PackageFuzzTarget.h"

namespace {

namespace fs = std::filesystem;

TEST(PackageSamplesTest, KeptPackagesAreHandled) {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(fs::path(SETUP_SAMPLES_DIR) / "package"))
        if (entry.is_regular_file()) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    ASSERT_FALSE(paths.empty());
    for (const fs::path& path : paths) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string name = path.filename().string();
        const bool verified = fuzztargets::PackageFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        if (name.rfind("good-", 0) == 0) {
            EXPECT_TRUE(verified) << name;
        } else if (name.rfind("bad-", 0) == 0) {
            EXPECT_FALSE(verified) << name;
        }
    }
}

}  // namespace
