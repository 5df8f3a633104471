// What the comparison benchmarks share: their --size/--runs options, the
// best time of several runs, and the closing line of key=value fields.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace bench {

struct SizeRuns {
    std::size_t size = 0;  // bytes; "64M" and "512K" are read as MiB and KiB
    int runs = 3;          // at least 1
};

// Reads "--size N[K|M]" and "--runs N" pairs into `options`; anything else
// prints `usage` to stderr and gives false.
bool ParseSizeRuns(int argc, char** argv, SizeRuns& options, const char* usage);

// The shortest of `runs` timed calls of `run`, with `prepare` (when given)
// called untimed before each; -1 as soon as a run fails.
double BestSeconds(int runs, const std::function<bool()>& run, const std::function<void()>& prepare = {});

// One line of space-separated key=value fields.
class KeyValueLine {
public:
    KeyValueLine& Add(const char* key, const std::string& value);
    KeyValueLine& Add(const char* key, std::uint64_t value);
    // A number with `decimals` places.
    KeyValueLine& Add(const char* key, double value, int decimals);
    // Writes the line and its newline to stdout.
    void Print() const;

private:
    std::string m_line;
};

}  // namespace bench
