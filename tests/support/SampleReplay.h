// Replays a folder of kept inputs through a fuzz target's body: a file named
// "good-*" must be accepted, "bad-*" refused cleanly, any other name (inputs
// kept from a fuzzer) only handled without a fault.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace testsupport {

inline void ReplaySamples(const std::filesystem::path& folder, bool (*target)(const std::uint8_t*, std::size_t)) {
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file()) paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    ASSERT_FALSE(paths.empty()) << folder;
    for (const std::filesystem::path& path : paths) {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string name = path.filename().string();
        const bool accepted = target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        if (name.rfind("good-", 0) == 0) {
            EXPECT_TRUE(accepted) << name;
        } else if (name.rfind("bad-", 0) == 0) {
            EXPECT_FALSE(accepted) << name;
        }
    }
}

}  // namespace testsupport
