// Receiver of the archiver's status codes and progress values.
#pragma once

#include <cstdint>

class I7zFileInfoCallback {
public:
    virtual ~I7zFileInfoCallback() = default;
    // Progress: percent, or MiB when the archiver knows no total.
    virtual void OnProgress(std::uint32_t low, std::uint32_t high) = 0;
    // An archiver status code (ArchiverEntry.h) or 263 from the runner.
    virtual void OnError(int code) = 0;
};
