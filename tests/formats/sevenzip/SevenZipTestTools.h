// Helpers of the 7z tests: a source folder of files on the test machine,
// Debian's 7zz run over host paths, and the events an operator sends.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "formats/sevenzip/C7ZOperator.h"
#include "platform/Win32.h"
#include "tests/formats/zip/ZipTestTools.h"
#include "tests/support/MachineFixture.h"

namespace sevenziptest {

using ziptest::Quote;

// Pseudo-random bytes (they do not compress, so progress has many steps).
inline std::string NoiseBytes(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& c : bytes) {
        state = state * 1664525u + 1013904223u;
        c = static_cast<char>(state >> 24);
    }
    return bytes;
}

struct Events {
    std::vector<std::pair<int, int>> all;
    EventCallback Callback() {
        return [this](int event, int value, void*) {
            all.emplace_back(event, value);
            return 0;
        };
    }
    std::vector<int> Values(int event) const {
        std::vector<int> values;
        for (const auto& [e, v] : all)
            if (e == event) values.push_back(v);
        return values;
    }
    bool HasError(int code) const {
        for (int value : Values(k7zEventError))
            if (value == code) return true;
        return false;
    }
};

class SevenZipTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(L"C:\\src", nullptr));
        ASSERT_TRUE(CreateDirectoryW(L"C:\\src\\sub", nullptr));
        ASSERT_TRUE(CreateDirectoryW(L"C:\\out", nullptr));
        files = {{L"readme.txt", "read me\n"}, {L"sub\\noise.bin", NoiseBytes(3 << 20, 7)}, {L"sub\\empty.txt", ""}};
        for (const auto& [name, bytes] : files) WriteHostFile(Host(L"C:\\src\\" + name), bytes);
    }

    // Runs 7zz with the arguments given as shell text.
    ziptest::ToolRun Tool(const std::string& arguments) { return ziptest::Run(Quote(SEVENZIP_TOOL) + " " + arguments); }
    // Makes an archive of the source folder with 7zz.
    void MakeArchive(const std::wstring& archive, const std::string& switches) {
        ziptest::ToolRun run = ziptest::Run("cd " + Quote(Host(L"C:\\src")) + " && " + Quote(SEVENZIP_TOOL) +
                                            " a -bd " + switches + " " + Quote(Host(archive)) + " .");
        ASSERT_EQ(run.status, 0) << run.output;
    }
    std::string Out(const std::wstring& relative) { return ReadHostFile(Host(L"C:\\out\\" + relative)); }
    void ExpectFilesOut() {
        for (const auto& [name, bytes] : files)
            EXPECT_TRUE(Out(name) == bytes) << "differs: " << std::string(name.begin(), name.end());
    }

    // Empties the output folder.
    void RemoveTreeHost() {
        std::error_code ignored;
        std::filesystem::remove_all(Host(L"C:\\out"), ignored);
        std::filesystem::create_directories(Host(L"C:\\out"), ignored);
    }
    std::string TempHost() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        return Host(temp);
    }
    std::size_t TempEntries() {
        std::error_code ignored;
        std::size_t count = 0;
        for (auto it = std::filesystem::directory_iterator(TempHost(), ignored);
             it != std::filesystem::directory_iterator(); ++it)
            ++count;
        return count;
    }
    void ClearTemp() {
        std::error_code ignored;
        for (auto it = std::filesystem::directory_iterator(TempHost(), ignored);
             it != std::filesystem::directory_iterator(); ++it)
            std::filesystem::remove_all(it->path(), ignored);
    }

    std::vector<std::pair<std::wstring, std::string>> files;
};

}  // namespace sevenziptest
