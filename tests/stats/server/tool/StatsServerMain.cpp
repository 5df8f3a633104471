// The loopback statistics server as a program, for the demo and benchmarks.
//
//   stats_server [--seconds N] [--address 127.0.0.x]... [--port P] [--ca-file PATH]
// Makes a test CA, writes its certificate to a temporary file (and to PATH
// when given), serves uploads (answering {"result":{"res":true}}) and profile
// requests (a fixed profile) over TLS on port P (default: a free one) for N
// seconds (default 300; 0: until its standard input closes), then prints what
// it received, one request a line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>

#include "tests/stats/server/StatsServer.h"

int main(int argc, char** argv) {
    int seconds = 300;
    int port = 0;
    std::string caFile;
    statstest::StatsServerOptions options;
    options.addresses.clear();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--port") == 0 && i + 1 < argc) {
            port = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--ca-file") == 0 && i + 1 < argc) {
            caFile = argv[++i];
        } else if (std::strcmp(argv[i], "--address") == 0 && i + 1 < argc) {
            const std::string address = argv[++i];
            if (address.rfind("127.", 0) != 0) {
                std::fprintf(stderr, "only loopback addresses (127.x.x.x) are served\n");
                return 2;
            }
            options.addresses.push_back(address);
        } else {
            std::fprintf(stderr, "usage: %s [--seconds N] [--address 127.0.0.x]... [--port P] [--ca-file PATH]\n",
                         argv[0]);
            return 2;
        }
    }
    if (options.addresses.empty()) options.addresses.push_back("127.0.0.1");
    if (seconds < 0 || seconds > 24 * 3600) seconds = 300;
    if (port < 0 || port > 65535) {
        std::fprintf(stderr, "the port is 0..65535\n");
        return 2;
    }
    options.port = static_cast<unsigned short>(port);
    statstest::TestCa ca("statistics demo CA");
    if (!ca.Ok()) {
        std::fprintf(stderr, "could not make the test CA\n");
        return 1;
    }
    options.identity = ca.IssueServerCertificate();
    statstest::StatsServer server(options);
    if (!server.Start()) {
        std::fprintf(stderr, "could not listen\n");
        return 1;
    }
    server.SetProfileReplies(
        {}, statstest::ProfileAnswer("0", R"({"api_version":1,"user_info":{"token_id":"demo-token","email":""}})"));
    const std::string bundle = ca.WriteBundle();
    if (!caFile.empty()) {
        std::error_code error;
        std::filesystem::copy_file(bundle, caFile, std::filesystem::copy_options::overwrite_existing, error);
        if (error) {
            std::fprintf(stderr, "could not write %s: %s\n", caFile.c_str(), error.message().c_str());
            server.Stop();
            return 1;
        }
    }
    std::printf("url: %s\nca: %s\n", server.Url("/api/common_json_post/", options.addresses.front()).c_str(),
                caFile.empty() ? bundle.c_str() : caFile.c_str());
    std::fflush(stdout);
    if (seconds > 0) {
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
    } else {
        std::string line;
        while (std::getline(std::cin, line)) {
        }
    }
    server.Stop();
    for (const statstest::ReceivedRequest& request : server.Requests())
        std::printf("%s %s [%s] %s\n", request.method.c_str(), request.target.c_str(), request.PartNames().c_str(),
                    request.json.c_str());
    return 0;
}
