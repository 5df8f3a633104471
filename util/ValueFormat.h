// Texts of times, durations and byte counts for statistics documents and the
// user interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Local time as "2026-12-10_09:05:07" (month, day and time two digits each).
std::string GetLocalTimeText();
// "hh:mm:ss" with as many hour digits as needed; empty for a negative count.
std::string FormatDuration(long long seconds);
// "1.50MB" above 1,048,576 bytes, "1.50KB" above 1,024, else "512Byte"
// (also for negative counts).
std::string FormatSize(std::int32_t bytes);
// The same forms for an unsigned count, written into the caller's buffer,
// which is zeroed first and left empty when the text does not fit. Returns the buffer.
char* FormatByteSize(std::uint32_t bytes, char* buffer, size_t bufferSize);
