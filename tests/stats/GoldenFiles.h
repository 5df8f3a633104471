// Golden documents of the statistics tests: the files in golden/, compared
// byte for byte (key order included) with what the loopback server decoded.
// The local time and the profile's update date change from run to run; they
// are written as "@LOCALTIME@" and "@TODAY@" in the files.
//
// STATS_GOLDEN_WRITE=1 writes the files anew instead of comparing (review
// the difference before committing it).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace statstest {

inline std::string Normalised(std::string text) {
    text = std::regex_replace(text, std::regex(R"("localtime":"[^"]*")"), R"("localtime":"@LOCALTIME@")");
    return std::regex_replace(text, std::regex(R"("update_time":"[^"]*")"), R"("update_time":"@TODAY@")");
}

inline std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void ExpectGolden(const std::string& name, const std::string& document) {
    const std::string path = std::string(STATS_GOLDEN_DIR) + "/" + name + ".json";
    const std::string actual = Normalised(document) + "\n";
    const char* write = std::getenv("STATS_GOLDEN_WRITE");
    if (write != nullptr && std::string(write) == "1") {
        std::ofstream(path, std::ios::binary) << actual;
        return;
    }
    EXPECT_EQ(actual, ReadText(path)) << name;
}

}  // namespace statstest
