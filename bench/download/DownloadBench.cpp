// download_bench: measures the download engine, alone or beside a peer tool.
//
// (a) Against loopback mirrors of its own:
//     download_bench [--mirrors N] [--rate BYTES] [--mirror-rates R1,R2,...] [--size BYTES]
//                    [--fault KIND@MIRROR:VALUE]... [--peer aria2c]
//     Rates and sizes take K, M and G (binary) suffixes; rates are per
//     connection, and each mirror carries at most two connections' worth in
//     all, so that the limit is a true ceiling however many parts it serves.
// (b) Against the mirrors a manifest names:
//     download_bench --manifest FILE --out PATH [--peer aria2c]
// Both take --repeat N (N runs, the figures are medians, good= counts the
// verified runs) and --log FILE (the install log of the runs, to read later).
// Every run verifies the MD5; the output is one line of key=value fields.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "download/DownloaderCurl.h"
#include "platform/base/HostPaths.h"
#include "platform/base/Machine.h"
#include "platform/kernel/ProcessStats.h"
#include "platform/kernel/Processes.h"
#include "tests/download/rig/MirrorRig.h"
#include "util/Log.h"

namespace {

struct Options {
    int mirrors = 5;
    double rate = 4.0 * 1048576;
    std::vector<double> mirrorRates;
    std::uint64_t size = 128ull * 1048576;
    std::vector<std::string> faults;
    std::string manifestPath;
    std::string outPath;
    std::string peer;
    int repeat = 1;
    std::string logPath;
};

double ParseAmount(const std::string& text) {
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (end && *end) {
        switch (*end) {
            case 'K':
            case 'k': value *= 1024; break;
            case 'M':
            case 'm': value *= 1048576; break;
            case 'G':
            case 'g': value *= 1073741824.0; break;
            default: break;
        }
    }
    return value;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream stream(text);
    for (std::string item; std::getline(stream, item, ',');)
        if (!item.empty()) items.push_back(item);
    return items;
}

bool ParseOptions(int argc, char** argv, Options* options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) {
            std::fprintf(stderr, "missing value for %s\n", arg.c_str());
            return false;
        }
        const std::string value = argv[++i];
        if (arg == "--mirrors") options->mirrors = std::atoi(value.c_str());
        else if (arg == "--rate") options->rate = ParseAmount(value);
        else if (arg == "--mirror-rates")
            for (const std::string& item : SplitList(value)) options->mirrorRates.push_back(ParseAmount(item));
        else if (arg == "--size") options->size = static_cast<std::uint64_t>(ParseAmount(value));
        else if (arg == "--fault")
            for (const std::string& item : SplitList(value)) options->faults.push_back(item);
        else if (arg == "--manifest") options->manifestPath = value;
        else if (arg == "--out") options->outPath = value;
        else if (arg == "--peer") options->peer = value;
        else if (arg == "--repeat") options->repeat = std::atoi(value.c_str());
        else if (arg == "--log") options->logPath = value;
        else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return false;
        }
    }
    if (!options->mirrorRates.empty()) options->mirrors = static_cast<int>(options->mirrorRates.size());
    return options->mirrors >= 1 && options->size > 0 && options->size < (1ull << 31) && options->repeat >= 1;
}

std::string WindowsAnsiPath(const std::string& hostPath) {
    std::string narrow;
    for (wchar_t c : platform::FromHostPath(hostPath)) narrow.push_back(static_cast<char>(c));
    return narrow;
}

struct RunResult {
    double seconds = 0;
    double transferSeconds = 0;  // first part's start to last part's end
    std::string error;
    std::uint64_t refetched = 0;
};

RunResult RunEngine(const std::string& manifest, const std::string& hostTarget, double timeLimitSeconds) {
    DownloaderCurl engine;
    std::mutex lock;
    std::condition_variable ended;
    int ending = 0;
    engine.SetEventCallback([&](int event, int, void*) {
        if (event == DOWNLOAD_EVENT_FAILED || event == DOWNLOAD_EVENT_FINISHED) {
            std::lock_guard<std::mutex> guard(lock);
            ending = event;
            ended.notify_all();
        }
        return 0;
    });
    const auto start = std::chrono::steady_clock::now();
    RunResult result;
    if (FAILED(
            engine.StartFromBuffer(manifest.data(), static_cast<int>(manifest.size()), WindowsAnsiPath(hostTarget)))) {
        result.error = "StartFailed";
        return result;
    }
    {
        std::unique_lock<std::mutex> guard(lock);
        if (!ended.wait_for(guard, std::chrono::duration<double>(timeLimitSeconds), [&] { return ending != 0; })) {
            result.error = "TimeLimit";
            return result;
        }
    }
    result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.error = engine.GetErrorName();
    DownloadProgress progress;
    engine.GetProgress(&progress);
    std::uint64_t written = 0;
    DWORD firstStart = 0, lastEnd = 0;
    for (const auto& [id, item] : progress.items) {
        written += item.pos > item.start ? item.pos - item.start : 0;
        if (firstStart == 0 || static_cast<int>(item.startTick - firstStart) < 0) firstStart = item.startTick;
        if (item.endTick != 0 && static_cast<int>(item.endTick - lastEnd) > 0) lastEnd = item.endTick;
    }
    if (lastEnd != 0) result.transferSeconds = static_cast<double>(lastEnd - firstStart) / 1000.0;
    result.refetched =
        written > static_cast<std::uint64_t>(progress.total) ? written - static_cast<std::uint64_t>(progress.total) : 0;
    if (ending == DOWNLOAD_EVENT_FAILED && result.error == "NoError") result.error = "Failed";
    return result;
}

// The peer downloads the same mirrors with matching settings; -1 when it failed.
double RunPeer(const std::string& peer, const std::vector<std::string>& urls, const std::string& md5,
               const std::string& dir) {
    if (peer != "aria2c" || std::system("command -v aria2c >/dev/null 2>&1") != 0) return -1;
    std::string lower = md5;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    const size_t split = urls.size() * 2;
    std::string command =
        "aria2c -q --allow-overwrite=true --auto-file-renaming=false --file-allocation=none "
        "--max-tries=5 --retry-wait=1 -s " +
        std::to_string(split) + " -x 2 -k 1M -d '" + dir + "' -o peer.bin --checksum=md5=" + lower;
    for (const std::string& url : urls) command += " '" + url + "'";
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::remove((dir + "/peer.bin").c_str());
    return status == 0 ? seconds : -1;
}

std::vector<std::string> ManifestUrls(const std::string& manifest) {
    std::vector<std::string> urls;
    const size_t list = manifest.find("<url");
    const size_t listEnd = manifest.find("</url>");
    for (size_t at = manifest.find("value=\"", list); at != std::string::npos && at < listEnd;
         at = manifest.find("value=\"", at + 1)) {
        const size_t end = manifest.find('"', at + 7);
        if (end == std::string::npos) break;
        urls.push_back(manifest.substr(at + 7, end - at - 7));
    }
    return urls;
}

std::string WholeDigest(const std::string& manifest) {
    const size_t hash = manifest.find("<hash");
    const size_t at = manifest.find("value=\"", hash);
    if (hash == std::string::npos || at == std::string::npos) return "";
    return manifest.substr(at + 7, 32);
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, &options)) {
        std::fprintf(stderr, "usage: see the head of bench/download/DownloadBench.cpp\n");
        return 2;
    }
    platform::ScopedMachine machine;
    const std::string scratch = machine.machine().Root();
    std::string manifest;
    std::vector<std::string> urls;
    double limit = 0;  // bytes per second the mirrors' connections may carry
    std::unique_ptr<rig::MirrorRig> server;
    std::string expectedDigest;

    if (!options.manifestPath.empty()) {
        std::ifstream in(options.manifestPath, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        manifest = text.str();
        if (manifest.empty()) {
            std::fprintf(stderr, "cannot read %s\n", options.manifestPath.c_str());
            return 2;
        }
        urls = ManifestUrls(manifest);
        expectedDigest = WholeDigest(manifest);
    } else {
        rig::Content content{options.size, 11};
        std::vector<rig::MirrorConfig> configs(static_cast<size_t>(options.mirrors));
        for (size_t i = 0; i < configs.size(); ++i) {
            configs[i].connectionRate = i < options.mirrorRates.size() ? options.mirrorRates[i] : options.rate;
            // Two connections' worth per mirror, however many connections it serves.
            configs[i].mirrorRate = 2 * configs[i].connectionRate;
            limit += configs[i].mirrorRate;
        }
        for (const std::string& text : options.faults) {
            int mirror = 0;
            rig::Fault fault;
            if (!rig::ParseFault(text, &mirror, &fault) || mirror < 0 || mirror >= options.mirrors) {
                std::fprintf(stderr, "bad fault %s\n", text.c_str());
                return 2;
            }
            configs[static_cast<size_t>(mirror)].faults.push_back(fault);
        }
        server = std::make_unique<rig::MirrorRig>(content);
        rig::RigOptions rigOptions;
        rigOptions.addressPrefix = "127.0.0.";
        std::string error;
        if (!server->Start(configs, rigOptions, &error)) {
            server = std::make_unique<rig::MirrorRig>(content);
            if (!server->Start(configs, {}, &error)) {
                std::fprintf(stderr, "cannot start the mirrors: %s\n", error.c_str());
                return 1;
            }
        }
        for (int i = 0; i < options.mirrors; ++i) urls.push_back(server->Url(i));
        const rig::PackageDigests digests = rig::DigestPackage(content);
        expectedDigest = digests.whole;
        manifest = rig::GenerateManifest(options.size, digests, urls);
    }

    if (!options.logPath.empty()) {
        const std::wstring logPath = platform::FromHostPath(options.logPath);
        ILog::Instance()->Init(logPath.c_str());
    }
    const std::string target = options.outPath.empty() ? scratch + "/bench.bin" : options.outPath;
    const double timeLimit = limit > 0 ? 120 + 4.0 * static_cast<double>(options.size) / limit : 3600;
    std::vector<double> totals, transfers, refetched, peers;
    std::vector<std::string> errors;
    double bytes = 0;
    for (int run = 0; run < options.repeat; ++run) {
        std::remove(target.c_str());
        if (server) server->ResetFaults();
        RunResult result = RunEngine(manifest, target, timeLimit);
        if (result.error == "NoError" && rig::DigestHostFile(target) != expectedDigest) result.error = "BadDigest";
        std::ifstream sized(target, std::ios::binary | std::ios::ate);
        if (sized) bytes = static_cast<double>(sized.tellg());
        totals.push_back(result.seconds);
        transfers.push_back(result.transferSeconds);
        refetched.push_back(static_cast<double>(result.refetched));
        errors.push_back(result.error);
        if (!options.peer.empty()) {
            if (server) server->ResetFaults();
            peers.push_back(RunPeer(options.peer, urls, expectedDigest, scratch));
        }
    }
    auto median = [](std::vector<double> values) {
        if (values.empty()) return 0.0;
        std::sort(values.begin(), values.end());
        const size_t middle = values.size() / 2;
        return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    };
    int good = 0;
    std::string firstError = "NoError";
    for (const std::string& error : errors) {
        if (error == "NoError") ++good;
        else if (firstError == "NoError") firstError = error;
    }
    const double seconds = median(totals);
    const double transferSeconds = median(transfers);

    PROCESS_MEMORY_COUNTERS memory{};
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof(memory));
    FILETIME creation, exit, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &creation, &exit, &kernel, &user);
    auto cpuSeconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e7;
    };
    const double throughput = seconds > 0 ? bytes / seconds : 0;

    // limit_ratio is over the whole run (manifest, probe, transfer and hash
    // check); transfer_ratio over the parts' own transfer window.
    const double transferThroughput = transferSeconds > 0 ? bytes / transferSeconds : 0;
    std::printf(
        "runs=%d good=%d seconds=%.3f transfer_seconds=%.3f mib_per_s=%.2f limit_ratio=%.3f transfer_ratio=%.3f "
        "refetched_bytes=%.0f peak_rss_kib=%llu cpu_seconds=%.2f error=%s",
        options.repeat, good, seconds, transferSeconds, throughput / 1048576, limit > 0 ? throughput / limit : 0.0,
        limit > 0 ? transferThroughput / limit : 0.0, median(refetched),
        static_cast<unsigned long long>(memory.PeakWorkingSetSize / 1024),
        (cpuSeconds(kernel) + cpuSeconds(user)) / options.repeat, firstError.c_str());
    if (!options.peer.empty()) {
        std::vector<double> done;
        for (double value : peers)
            if (value > 0) done.push_back(value);
        if (!done.empty()) {
            const double peerSeconds = median(done);
            std::printf(" peer_seconds=%.3f peer_ratio=%.3f", peerSeconds, seconds > 0 ? peerSeconds / seconds : 0.0);
        } else {
            std::printf(" peer_seconds=none peer_ratio=none");
        }
    }
    std::printf("\n");
    if (options.outPath.empty()) std::remove(target.c_str());
    if (server) server->Stop();
    return good == options.repeat ? 0 : 1;
}
