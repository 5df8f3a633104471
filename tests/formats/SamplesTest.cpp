// Replays the kept inputs in samples/: hand-made malformed and edge-case
// documents and every input a fuzzer found crashing. A file named "good-*"
// must load or parse, "bad-*" must be refused cleanly, and any other name
// (inputs kept from the fuzzers) must only be handled without a fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/formats/fuzz/FuzzTargets.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Samples(const char* kind) {
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(fs::path(FORMATS_SAMPLES_DIR) / kind)) {
        if (entry.is_regular_file()) paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Replay(const char* kind, bool (*target)(const std::uint8_t*, std::size_t)) {
    std::vector<fs::path> paths = Samples(kind);
    ASSERT_FALSE(paths.empty());
    for (const fs::path& path : paths) {
        std::string bytes = Bytes(path);
        std::string name = path.filename().string();
        bool accepted = target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        if (name.rfind("good-", 0) == 0) {
            EXPECT_TRUE(accepted) << name;
        } else if (name.rfind("bad-", 0) == 0) {
            EXPECT_FALSE(accepted) << name;
        }
    }
}

TEST(FormatSamples, XmlInputsLoadOrFailCleanly) { Replay("xml", fuzztargets::XmlLoad); }

TEST(FormatSamples, JsonInputsParseOrFailCleanly) { Replay("json", fuzztargets::JsonParse); }

TEST(FormatSamples, ZipInputsOpenOrFailCleanly) { Replay("zip", fuzztargets::ZipRead); }

}  // namespace
