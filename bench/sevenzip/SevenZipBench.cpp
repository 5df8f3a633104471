// In-process extraction through C7ZOperator against Debian's `7zz x` on the
// same 7z archive (256 MiB of content unless --size says otherwise, made
// once by 7zz), on a throw-away machine. Each side runs --runs times
// (default 3) and keeps its best time; both outputs are checked byte for
// byte. Ends with one line of key=value fields:
//   content_bytes archive_bytes ours_seconds tool_seconds
//   speed_ratio (ours / the tool's speed) goal_met (speed_ratio >= 0.95)
//   build/bench/sevenzip_bench [--size 256M] [--runs 3]
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "bench/support/BenchTools.h"
#include "formats/sevenzip/C7ZOperator.h"
#include "platform/base/Machine.h"
#include "tests/formats/zip/ZipTestTools.h"

namespace {

namespace fs = std::filesystem;

// Content that compresses like installed programs do, about 2:1: runs of
// log-like text between stretches of noise.
bool WriteContent(const std::string& path, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    std::string block;
    unsigned state = 12345;
    std::size_t written = 0;
    while (written < size) {
        block.clear();
        for (int line = 0; line < 512; ++line) {
            state = state * 1664525u + 1013904223u;
            block += "2026-12-11 02:" + std::to_string(state % 60) + " : part " + std::to_string(state % 977) +
                     " wrote block " + std::to_string(state >> 8) + "\n";
        }
        for (int i = 0; i < 16384; ++i) {
            state = state * 1664525u + 1013904223u;
            block.push_back(static_cast<char>(state >> 24));
        }
        std::size_t n = std::min(block.size(), size - written);
        if (std::fwrite(block.data(), 1, n, file) != n) break;
        written += n;
    }
    return std::fclose(file) == 0 && written == size;
}

bool SameFile(const std::string& a, const std::string& b) {
    std::FILE* fa = std::fopen(a.c_str(), "rb");
    std::FILE* fb = std::fopen(b.c_str(), "rb");
    bool same = fa != nullptr && fb != nullptr;
    static char ba[1 << 16], bb[1 << 16];
    while (same) {
        std::size_t na = std::fread(ba, 1, sizeof ba, fa), nb = std::fread(bb, 1, sizeof bb, fb);
        if (na != nb || std::memcmp(ba, bb, na) != 0) same = false;
        if (na == 0) break;
    }
    if (fa) std::fclose(fa);
    if (fb) std::fclose(fb);
    return same;
}

int Fail(const char* what) {
    std::fprintf(stderr, "sevenzip_bench: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    bench::SizeRuns options;
    options.size = 256u << 20;
    if (!bench::ParseSizeRuns(argc, argv, options, "sevenzip_bench [--size 256M] [--runs 3]")) return 2;
    const std::size_t size = options.size;
    platform::ScopedMachine machine;
    const std::string source = machine.Host(L"C:\\bench\\source");
    const std::string archive = machine.Host(L"C:\\bench\\content.7z");
    const std::string ours = machine.Host(L"C:\\bench\\ours");
    const std::string tool = machine.Host(L"C:\\bench\\tool");
    fs::create_directories(source);
    if (!WriteContent(source + "/content.bin", size)) return Fail("cannot write the content");
    using ziptest::Quote;
    ziptest::ToolRun made = ziptest::Run("cd " + Quote(source) + " && 7zz a -bd -bso0 -mx5 " + Quote(archive) + " .");
    if (made.status != 0) return Fail(("7zz a failed: " + made.output).c_str());

    auto clear = [](const std::string& folder) {
        return [folder] {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
            fs::create_directories(folder, ignored);
        };
    };
    // (The archiver's few lines of output go to the console; the tool's to a pipe.)
    double oursSeconds = bench::BestSeconds(
        options.runs,
        [] {
            C7ZOperator op;
            std::string error;
            return op.ExtractFromFile("C:\\bench\\content.7z", "C:\\bench\\ours", nullptr, error);
        },
        clear(ours));
    double toolSeconds = bench::BestSeconds(
        options.runs,
        [&] { return ziptest::Run("7zz x -bd -bso0 -bsp0 -o" + Quote(tool) + " " + Quote(archive)).status == 0; },
        clear(tool));
    if (oursSeconds < 0) return Fail("in-process extraction failed");
    if (toolSeconds < 0) return Fail("7zz x failed");
    if (!SameFile(ours + "/content.bin", source + "/content.bin") ||
        !SameFile(tool + "/content.bin", source + "/content.bin"))
        return Fail("an extraction differs from the content");
    const double ratio = toolSeconds / oursSeconds;
    bench::KeyValueLine()
        .Add("content_bytes", static_cast<std::uint64_t>(size))
        .Add("archive_bytes", static_cast<std::uint64_t>(fs::file_size(archive)))
        .Add("ours_seconds", oursSeconds, 3)
        .Add("tool_seconds", toolSeconds, 3)
        .Add("speed_ratio", ratio, 3)
        .Add("goal_met", std::uint64_t{ratio >= 0.95 ? 1u : 0u})
        .Print();
    return 0;
}
