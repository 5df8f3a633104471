// Replays the kept manifest samples through the parser's fuzz target: a file
// named "good-*" must parse, "bad-*" must be refused cleanly, any other name
// (inputs kept from the fuzzer) must only be handled without a fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/download/fuzz/ManifestFuzzTarget.h"

namespace {

namespace fs = std::filesystem;

TEST(ManifestSamples, GoodOnesParseAndBadOnesAreRefused) {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(fs::path(DOWNLOAD_SAMPLES_DIR) / "manifest"))
        if (entry.is_regular_file()) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    ASSERT_FALSE(paths.empty());
    for (const fs::path& path : paths) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string name = path.filename().string();
        const bool parsed = fuzztargets::ManifestParse(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        if (name.rfind("good-", 0) == 0) {
            EXPECT_TRUE(parsed) << name;
        } else if (name.rfind("bad-", 0) == 0) {
            EXPECT_FALSE(parsed) << name;
        }
    }
}

}  // namespace
