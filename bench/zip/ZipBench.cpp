// The zip writer against Info-ZIP `zip -8` and the zip reader against
// `unzip`, on the same log-like input (64 MiB unless --size says otherwise),
// on a throw-away machine. Each side runs --runs times (default 3) and keeps
// its best time; every output is checked byte for byte. Ends with one line of
// key=value fields:
//   writer_seconds zip8_seconds writer_time_ratio (ours / zip -8)
//   writer_bytes zip8_bytes writer_size_ratio (ours / zip -8)
//   reader_seconds unzip_seconds reader_time_ratio (ours / unzip)
//   goal_met: the writer at least as fast as zip -8 with an output within 1 %.
//   build/bench/zip_bench [--size 64M] [--runs 3]
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/support/BenchTools.h"
#include "formats/zip/JUnzip.h"
#include "formats/zip/ZipWriterApi.h"
#include "platform/base/Machine.h"
#include "tests/formats/zip/ZipTestTools.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    char buffer[1 << 16];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, got);
    std::fclose(file);
    return bytes;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool Fail(const char* what) {
    std::fprintf(stderr, "zip_bench: %s\n", what);
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    bench::SizeRuns options;
    options.size = 64u << 20;
    if (!bench::ParseSizeRuns(argc, argv, options, "zip_bench [--size 64M] [--runs 3]")) return 2;
    const std::size_t size = options.size;
    const int runs = options.runs;
    platform::ScopedMachine machine;
    std::filesystem::create_directories(machine.Host(L"C:\\bench\\ours-out"));
    std::filesystem::create_directories(machine.Host(L"C:\\bench\\unzip-out"));
    const std::string folder = machine.Host(L"C:\\bench");
    const std::string input = ziptest::LogText(size);
    if (!WriteFile(folder + "/input.log", input)) return Fail("cannot write the input"), 1;

    double writer = bench::BestSeconds(runs, [] {
        HZIP zip = ZipCreateFile(L"C:\\bench\\ours.zip", nullptr);
        return zip != nullptr && ZipAddFile(zip, L"input.log", L"C:\\bench\\input.log") == ZR_OK &&
               ZipClose(zip) == ZR_OK;
    });
    double zip8 = bench::BestSeconds(runs, [&] {
        std::filesystem::remove(folder + "/zip8.zip");
        return ziptest::Run("cd " + ziptest::Quote(folder) + " && zip -8 -q -X zip8.zip input.log").status == 0;
    });
    if (writer < 0) return Fail("the writer failed"), 1;
    if (zip8 < 0) return Fail("zip -8 failed (is Info-ZIP zip installed?)"), 1;

    // Both readers extract zip -8's archive.
    double reader = bench::BestSeconds(runs, [] {
        JUnzip unzip;
        return unzip.OpenFromFile(L"C:\\bench\\zip8.zip", nullptr) && unzip.SetBaseDir(L"C:\\bench\\ours-out") &&
               unzip.UnzipItem(L"input.log", L"input.log", nullptr);
    });
    double unzipped = bench::BestSeconds(runs, [&] {
        return ziptest::Run("unzip -o -q " + ziptest::Quote(folder + "/zip8.zip") + " -d " +
                            ziptest::Quote(folder + "/unzip-out"))
                   .status == 0;
    });
    if (reader < 0) return Fail("the reader failed"), 1;
    if (unzipped < 0) return Fail("unzip failed"), 1;

    // Every output holds the input: ours through unzip, and both extractions.
    bool verified = ziptest::Run("unzip -tq " + ziptest::Quote(folder + "/ours.zip")).status == 0 &&
                    ReadFile(folder + "/ours-out/input.log") == input &&
                    ReadFile(folder + "/unzip-out/input.log") == input;
    double writerBytes = static_cast<double>(std::filesystem::file_size(folder + "/ours.zip"));
    double zip8Bytes = static_cast<double>(std::filesystem::file_size(folder + "/zip8.zip"));
    double timeRatio = writer / zip8;
    double sizeRatio = writerBytes / zip8Bytes;
    bool goal = verified && timeRatio <= 1.0 && sizeRatio <= 1.01;
    bench::KeyValueLine()
        .Add("input_bytes", static_cast<std::uint64_t>(size))
        .Add("writer_seconds", writer, 3)
        .Add("zip8_seconds", zip8, 3)
        .Add("writer_time_ratio", timeRatio, 3)
        .Add("writer_bytes", writerBytes, 0)
        .Add("zip8_bytes", zip8Bytes, 0)
        .Add("writer_size_ratio", sizeRatio, 4)
        .Add("reader_seconds", reader, 3)
        .Add("unzip_seconds", unzipped, 3)
        .Add("reader_time_ratio", reader / unzipped, 3)
        .Add("verified", verified ? "yes" : "no")
        .Add("goal_met", goal ? "yes" : "no")
        .Print();
    return verified ? 0 : 1;
}
