#include "util/TraceLogger.h"

#include <boost/date_time/posix_time/posix_time.hpp>
#include <boost/thread/lock_guard.hpp>
#include <boost/thread/mutex.hpp>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/kernel/Console.h"
#include "platform/base/Environment.h"
#include "platform/files/FileSystem.h"

namespace {

std::atomic<int> g_traceEnabled{0};

// The mutex shared by every logger, created with the first and freed with the last.
std::mutex g_sharedLock;  // guards the reference count
int g_sharedReferences = 0;
std::atomic<boost::mutex*> g_sharedMutex{nullptr};

// Under the shared mutex.
char* g_capture = nullptr;
size_t g_captureUsed = 0;

std::mutex g_consoleLock;
HANDLE g_console = INVALID_HANDLE_VALUE;

void TakeSharedMutex() {
    std::lock_guard<std::mutex> guard(g_sharedLock);
    if (g_sharedReferences++ == 0) g_sharedMutex.store(new boost::mutex);
}

void DropSharedMutex() {
    std::lock_guard<std::mutex> guard(g_sharedLock);
    if (--g_sharedReferences == 0) delete g_sharedMutex.exchange(nullptr);
}

// vsnprintf into a fixed buffer, always terminated.
void FormatInto(char* buffer, size_t size, const char* format, va_list arguments) {
    if (std::vsnprintf(buffer, size, format, arguments) < 0) buffer[0] = '\0';
    buffer[size - 1] = '\0';
}

// "2026.12.10-10:12:34" from Boost's ISO text "20261210T101234".
std::string StampText() {
    std::string iso = boost::posix_time::to_iso_string(boost::posix_time::second_clock::local_time());
    if (iso.size() < 15 || iso[8] != 'T') return iso;
    return iso.substr(0, 4) + "." + iso.substr(4, 2) + "." + iso.substr(6, 2) + "-" + iso.substr(9, 2) + ":" +
           iso.substr(11, 2) + ":" + iso.substr(13, 2);
}

// Built by a static initialiser, before the entry point.
TraceLogger g_traceLogger;

}  // namespace

TraceLogger::TraceLogger()
    : m_mode(OutputDebugger),
      m_stamp(false),
      m_thread(false),
      m_start(boost::posix_time::microsec_clock::local_time()),
      m_hook(nullptr) {
    m_fileName[0] = '\0';
    TakeSharedMutex();
}

TraceLogger::~TraceLogger() {
    CloseDiagnosticConsole();
    DropSharedMutex();
}

void TraceLogger::SetFileName(const char* name) {
    std::strncpy(m_fileName, name != nullptr ? name : "", sizeof(m_fileName));
    m_fileName[sizeof(m_fileName) - 1] = '\0';
}

void TraceLogger::SetOutputMode(int mode) {
    m_mode = mode;
    if (mode == OutputConsole) OpenDiagnosticConsole();
}

void TraceLogger::Output(const char* line) {
    boost::mutex* shared = g_sharedMutex.load();
    if (shared == nullptr || line == nullptr) return;
    try {
        boost::lock_guard<boost::mutex> guard(*shared);
        if (m_mode == OutputDebugger) {
            OutputDebugStringA(line);
        } else if (m_mode == OutputConsole) {
            WriteDiagnosticConsole(line);
        } else if (m_mode == OutputFile) {
            if (m_fileName[0] == '\0') return;
            FILE* file = nullptr;
            if (fopen_s(&file, m_fileName, "a+") == 0 && file != nullptr) {
                std::fputs(line, file);
                std::fclose(file);
            }
        }
        if (g_capture != nullptr) {
            size_t length = std::strlen(line);
            if (g_captureUsed + length < kTraceCaptureLimit) {
                std::memcpy(g_capture + g_captureUsed, line, length + 1);
                g_captureUsed += length;
            }
        }
    } catch (...) {
        // A failed write must not take the caller down; the guard has unlocked.
    }
}

void TraceLogger::Printf(const char* format, ...) {
    if (g_sharedMutex.load() == nullptr || format == nullptr) return;
    char text[kTracePrintfLimit];
    va_list arguments;
    va_start(arguments, format);
    FormatInto(text, sizeof(text), format, arguments);
    va_end(arguments);
    if (!m_stamp) {
        Output(text);
        return;
    }
    long long elapsed = (boost::posix_time::microsec_clock::local_time() - m_start).total_milliseconds();
    if (elapsed < 0) elapsed = 0;
    unsigned minutes = static_cast<unsigned>(elapsed / 60000);
    unsigned seconds = static_cast<unsigned>((elapsed / 1000) % 60);
    unsigned hundredths = static_cast<unsigned>((elapsed % 1000) / 10);
    char line[kTracePrintfLimit + 64];
    if (m_thread)
        std::snprintf(line, sizeof(line), "%2um %02u.%02us (%u): %s", minutes, seconds, hundredths,
                      static_cast<unsigned>(GetCurrentThreadId()), text);
    else std::snprintf(line, sizeof(line), "%2um %02u.%02us: %s", minutes, seconds, hundredths, text);
    Output(line);
}

TraceLogger* GetTraceLogger() { return &g_traceLogger; }

void SetTraceEnabled(int enabled) { g_traceEnabled.store(enabled); }

void TraceLog(const char* format, ...) {
    if (g_traceEnabled.load() == 0 || format == nullptr) return;
    char text[kTraceLineLimit];
    va_list arguments;
    va_start(arguments, format);
    FormatInto(text, sizeof(text), format, arguments);
    va_end(arguments);
    TraceStamp(text);
}

void TraceStamp(const char* text) {
    if (g_traceEnabled.load() == 0 || text == nullptr) return;
    TraceLogger* logger = GetTraceLogger();
    char line[kTraceLineLimit];
    if (logger->StampFlag()) {
        std::string stamp = StampText();
        if (logger->ThreadFlag())
            std::snprintf(line, sizeof(line), "%s (%u): %s", stamp.c_str(), static_cast<unsigned>(GetCurrentThreadId()),
                          text);
        else std::snprintf(line, sizeof(line), "%s: %s", stamp.c_str(), text);
    } else {
        std::strncpy(line, text, sizeof(line) - 1);
        line[sizeof(line) - 1] = '\0';
    }
    if (TraceOutputHook hook = logger->OutputHook()) hook(line);
    else logger->Output(line);
}

void SetTraceOutputHook(TraceOutputHook hook) { GetTraceLogger()->SetOutputHook(hook); }

void SetTraceCapture(bool on, char* buffer) {
    boost::mutex* shared = g_sharedMutex.load();
    if (shared == nullptr) return;
    boost::lock_guard<boost::mutex> guard(*shared);
    g_capture = on ? buffer : nullptr;
    g_captureUsed = 0;
}

void OpenDiagnosticConsole() {
    std::lock_guard<std::mutex> guard(g_consoleLock);
    if (g_console != INVALID_HANDLE_VALUE) return;
    AllocConsole();
    char title[128];
    std::snprintf(title, sizeof(title), "%s - Diagnostic Console", "Debug");
    SetConsoleTitleA(title);
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    g_console = output != nullptr ? output : INVALID_HANDLE_VALUE;
}

int WriteDiagnosticConsole(const char* text) {
    std::lock_guard<std::mutex> guard(g_consoleLock);
    if (g_console == INVALID_HANDLE_VALUE || text == nullptr) return 0;
    DWORD written = 0;
    return WriteFile(g_console, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

void CloseDiagnosticConsole() {
    std::lock_guard<std::mutex> guard(g_consoleLock);
    if (g_console == INVALID_HANDLE_VALUE) return;
    FreeConsole();
    g_console = INVALID_HANDLE_VALUE;
}
