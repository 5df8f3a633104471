#include "util/ValueFormat.h"

#include <cstdio>
#include <cstring>

#include "platform/base/Clock.h"

namespace {

// snprintf that leaves an empty text instead of a cut one.
template <typename... Args>
void FormatInto(char* buffer, size_t size, const char* format, Args... args) {
    int written = std::snprintf(buffer, size, format, args...);
    if (written < 0 || static_cast<size_t>(written) >= size) buffer[0] = '\0';
}

}  // namespace

std::string GetLocalTimeText() {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    char text[64];
    FormatInto(text, sizeof(text), "%d-%02d-%02d_%02d:%02d:%02d", time.wYear, time.wMonth, time.wDay, time.wHour,
               time.wMinute, time.wSecond);
    return text;
}

std::string FormatDuration(long long seconds) {
    if (seconds < 0) return {};
    char text[64];
    FormatInto(text, sizeof(text), "%02lld:%02lld:%02lld", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
    return text;
}

std::string FormatSize(std::int32_t bytes) {
    char text[128];
    if (bytes > 1048576) FormatInto(text, sizeof(text), "%.2fMB", bytes / 1048576.0);
    else if (bytes > 1024) FormatInto(text, sizeof(text), "%.2fKB", bytes / 1024.0);
    else FormatInto(text, sizeof(text), "%dByte", static_cast<int>(bytes));
    return text;
}

char* FormatByteSize(std::uint32_t bytes, char* buffer, size_t bufferSize) {
    if (buffer == nullptr || bufferSize == 0) return buffer;
    std::memset(buffer, 0, bufferSize);
    if (bytes > 1048576u) FormatInto(buffer, bufferSize, "%.2fMB", bytes / 1048576.0);
    else if (bytes > 1024u) FormatInto(buffer, bufferSize, "%.2fKB", bytes / 1024.0);
    else FormatInto(buffer, bufferSize, "%uByte", static_cast<unsigned>(bytes));
    return buffer;
}
