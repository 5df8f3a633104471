#include "bench/support/BenchTools.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace bench {

bool ParseSizeRuns(int argc, char** argv, SizeRuns& options, const char* usage) {
    for (int i = 1; i < argc; i += 2) {
        const std::string option = argv[i];
        if (i + 1 < argc && option == "--size") {
            char* end = nullptr;
            double value = std::strtod(argv[i + 1], &end);
            if (end != nullptr && (*end == 'M' || *end == 'm')) value *= 1048576;
            if (end != nullptr && (*end == 'K' || *end == 'k')) value *= 1024;
            options.size = static_cast<std::size_t>(std::max(0.0, value));
        } else if (i + 1 < argc && option == "--runs") {
            options.runs = std::max(1, std::atoi(argv[i + 1]));
        } else {
            std::fprintf(stderr, "usage: %s\n", usage);
            return false;
        }
    }
    return true;
}

double BestSeconds(int runs, const std::function<bool()>& run, const std::function<void()>& prepare) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        const auto start = std::chrono::steady_clock::now();
        if (!run()) return -1;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

KeyValueLine& KeyValueLine::Add(const char* key, const std::string& value) {
    if (!m_line.empty()) m_line += ' ';
    m_line += key;
    m_line += '=';
    m_line += value;
    return *this;
}

KeyValueLine& KeyValueLine::Add(const char* key, std::uint64_t value) { return Add(key, std::to_string(value)); }

KeyValueLine& KeyValueLine::Add(const char* key, double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return Add(key, std::string(text));
}

void KeyValueLine::Print() const { std::printf("%s\n", m_line.c_str()); }

}  // namespace bench
