// Md5 against OpenSSL's MD5 over the same 64 MiB buffer; prints the ratio of
// their speeds (ours / OpenSSL's) after the benchmark table.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "util/Md5.h"

namespace {

constexpr size_t kBufferSize = 64u << 20;

const std::vector<unsigned char>& Buffer() {
    static const std::vector<unsigned char> buffer = [] {
        std::vector<unsigned char> bytes(kBufferSize);
        std::mt19937 random(12345);
        for (auto& byte : bytes) byte = static_cast<unsigned char>(random());
        return bytes;
    }();
    return buffer;
}

void BM_Md5(benchmark::State& state) {
    const auto& buffer = Buffer();
    Md5 md5;
    unsigned char digest[16];
    for (auto _ : state) {
        md5.Digest(buffer.data(), buffer.size(), digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}

void BM_OpenSslMd5(benchmark::State& state) {
    const auto& buffer = Buffer();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    for (auto _ : state) {
        EVP_Digest(buffer.data(), buffer.size(), digest, &length, EVP_md5(), nullptr);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(buffer.size()));
}

BENCHMARK(BM_Md5)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenSslMd5)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's time per iteration beside the normal console output.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration) {
                std::string name = run.benchmark_name();
                times[name.substr(0, name.find('/'))] = run.GetAdjustedRealTime();
            }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    // Both must agree before their speeds mean anything.
    unsigned char ours[16];
    unsigned char theirs[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    Md5().Digest(Buffer().data(), Buffer().size(), ours);
    EVP_Digest(Buffer().data(), Buffer().size(), theirs, &length, EVP_md5(), nullptr);
    if (length != 16 || std::memcmp(ours, theirs, 16) != 0) {
        std::fprintf(stderr, "digests differ\n");
        return 1;
    }

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    auto ours_time = reporter.times.find("BM_Md5");
    auto their_time = reporter.times.find("BM_OpenSslMd5");
    if (ours_time != reporter.times.end() && their_time != reporter.times.end() && ours_time->second > 0)
        std::printf("Md5 speed / OpenSSL MD5 speed: %.3f\n", their_time->second / ours_time->second);
    return 0;
}
