#include "platform/base/Clock.h"

#include <chrono>
#include <ctime>
#include <thread>

#include "platform/base/Machine.h"

namespace {

ULONGLONG Offset() { return platform::Machine::Current().ClockOffset(); }

void Fill(SYSTEMTIME* out, const std::tm& parts, long milliseconds) {
    out->wYear = static_cast<WORD>(parts.tm_year + 1900);
    out->wMonth = static_cast<WORD>(parts.tm_mon + 1);
    out->wDayOfWeek = static_cast<WORD>(parts.tm_wday);
    out->wDay = static_cast<WORD>(parts.tm_mday);
    out->wHour = static_cast<WORD>(parts.tm_hour);
    out->wMinute = static_cast<WORD>(parts.tm_min);
    out->wSecond = static_cast<WORD>(parts.tm_sec);
    out->wMilliseconds = static_cast<WORD>(milliseconds);
}

void Now(SYSTEMTIME* out, bool local) {
    if (out == nullptr) return;
    auto now = std::chrono::system_clock::now() + std::chrono::milliseconds(Offset());
    auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    std::tm parts{};
    if (local) localtime_r(&seconds, &parts);
    else gmtime_r(&seconds, &parts);
    Fill(out, parts, static_cast<long>(milliseconds % 1000));
}

}  // namespace

ULONGLONG GetTickCount64() {
    auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count()) + Offset();
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }
void GetLocalTime(SYSTEMTIME* time) { Now(time, true); }
void GetSystemTime(SYSTEMTIME* time) { Now(time, false); }
void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

namespace platform {
void AdvanceClock(ULONGLONG milliseconds) { Machine::Current().AdvanceClock(milliseconds); }
}  // namespace platform

errno_t localtime_s(std::tm* result, const std::time_t* time) {
    if (result == nullptr || time == nullptr) return 22;  // EINVAL
    std::time_t shifted = *time + static_cast<std::time_t>(Offset() / 1000);
    return localtime_r(&shifted, result) != nullptr ? 0 : 22;
}
