// mirror_rig: runs loopback mirrors serving a generated package until stdin
// closes (or --seconds pass) and writes the package's manifest.
//   mirror_rig --mirrors 5 --size 134217728 --rate 4194304 [--mirror-rates a,b,...]
//              [--fault stall@1:1048576 ...] [--prefix 127.0.0.] [--port 80]
//              [--manifest FILE] [--seconds N] [--file PACKAGE]
// (--file serves a real file's bytes in place of the generated package)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "tests/download/rig/MirrorRig.h"

int main(int argc, char** argv) {
    int mirrors = 5;
    double rate = 0;
    std::vector<double> mirrorRates;
    rig::Content content{16 * 1048576ull, 1};
    std::vector<std::string> faults;
    rig::RigOptions options;
    options.addressPrefix = "127.0.0.";
    std::string manifestPath;
    int seconds = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "missing value for %s\n", arg.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--mirrors") mirrors = std::atoi(next().c_str());
        else if (arg == "--size") content.size = std::strtoull(next().c_str(), nullptr, 10);
        else if (arg == "--seed") content.seed = std::strtoull(next().c_str(), nullptr, 10);
        else if (arg == "--file") content = rig::Content::FromFile(next());
        else if (arg == "--rate") rate = std::atof(next().c_str());
        else if (arg == "--mirror-rates") {
            std::string list = next();
            for (size_t start = 0, comma; start <= list.size(); start = comma + 1) {
                comma = list.find(',', start);
                if (comma == std::string::npos) comma = list.size();
                mirrorRates.push_back(std::atof(list.substr(start, comma - start).c_str()));
            }
        } else if (arg == "--fault") faults.push_back(next());
        else if (arg == "--prefix") options.addressPrefix = next();
        else if (arg == "--port") options.port = static_cast<unsigned short>(std::atoi(next().c_str()));
        else if (arg == "--manifest") manifestPath = next();
        else if (arg == "--seconds") seconds = std::atoi(next().c_str());
        else {
            std::fprintf(stderr, "unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    std::vector<rig::MirrorConfig> configs(static_cast<size_t>(mirrors));
    for (size_t i = 0; i < configs.size(); ++i)
        configs[i].connectionRate = i < mirrorRates.size() ? mirrorRates[i] : rate;
    for (const std::string& text : faults) {
        int mirror = 0;
        rig::Fault fault;
        if (!rig::ParseFault(text, &mirror, &fault) || mirror < 0 || mirror >= mirrors) {
            std::fprintf(stderr, "bad fault %s\n", text.c_str());
            return 2;
        }
        configs[static_cast<size_t>(mirror)].faults.push_back(fault);
    }
    rig::MirrorRig server(content);
    std::string error;
    if (!server.Start(configs, options, &error)) {
        std::fprintf(stderr, "cannot start the mirrors: %s\n", error.c_str());
        return 1;
    }
    std::vector<std::string> urls;
    for (int i = 0; i < mirrors; ++i) urls.push_back(server.Url(i));
    for (const std::string& url : urls) std::printf("%s\n", url.c_str());
    if (!manifestPath.empty()) {
        std::ofstream out(manifestPath, std::ios::binary);
        out << rig::GenerateManifest(content, urls);
    }
    std::fflush(stdout);
    if (seconds > 0) {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
    } else {
        std::string line;
        std::getline(std::cin, line);
    }
    server.Stop();
    return 0;
}
