// The second library's trace output: to the debugger, a diagnostic console or
// a file.
//
// The process-wide switch starts off and nothing in the program turns it on,
// so TraceLog and TraceStamp normally return at once. Output of all loggers
// is serialised by one shared mutex, which lives while any TraceLogger does.
// Mode, flags, file name and hook are set before tracing starts; afterwards
// they are only read.
#pragma once

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include "platform/base/Win32Types.h"

// Receives each finished line instead of TraceLogger::Output when set.
using TraceOutputHook = void (*)(const char* line);

constexpr size_t kTraceCaptureLimit = 102400;  // bytes of the capture buffer
constexpr size_t kTraceLineLimit = 10240;      // bytes of one TraceLog / TraceStamp line
constexpr size_t kTracePrintfLimit = 1024;     // bytes of one TraceLogger::Printf text

class TraceLogger {
public:
    enum OutputMode { OutputDebugger = 0, OutputConsole = 1, OutputFile = 2 };

    TraceLogger();
    ~TraceLogger();
    TraceLogger(const TraceLogger&) = delete;
    TraceLogger& operator=(const TraceLogger&) = delete;

    // Target of the file mode (ANSI path); at most 259 bytes are kept.
    void SetFileName(const char* name);
    // Mode 1 opens the diagnostic console.
    void SetOutputMode(int mode);
    void SetStampFlag(bool on) { m_stamp = on; }
    void SetThreadFlag(bool on) { m_thread = on; }
    void SetOutputHook(TraceOutputHook hook) { m_hook = hook; }

    const char* FileName() const { return m_fileName; }
    int OutputModeValue() const { return m_mode; }
    bool StampFlag() const { return m_stamp; }
    bool ThreadFlag() const { return m_thread; }
    TraceOutputHook OutputHook() const { return m_hook; }

    // Writes the line to the current target under the shared mutex and adds it
    // to the capture buffer; failures are swallowed.
    void Output(const char* line);
    // Formats a text (with the elapsed time since construction when the stamp
    // flag is set) and passes it to Output.
    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));

private:
    char m_fileName[MAX_PATH];
    int m_mode;
    bool m_stamp;
    bool m_thread;
    boost::posix_time::ptime m_start;
    TraceOutputHook m_hook;
};

// The process-wide logger.
TraceLogger* GetTraceLogger();
void SetTraceEnabled(int enabled);
// printf-style trace line: formatted into 10,240 bytes and given to TraceStamp.
void TraceLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Prefixes the process-wide logger's time stamp (and thread id) when its flags
// say so and hands the line to the output hook or TraceLogger::Output.
void TraceStamp(const char* text);
void SetTraceOutputHook(TraceOutputHook hook);
// With `on`, `buffer` (kTraceCaptureLimit bytes) starts collecting every line
// written; without it collection stops.
void SetTraceCapture(bool on, char* buffer);

void OpenDiagnosticConsole();
int WriteDiagnosticConsole(const char* text);
void CloseDiagnosticConsole();
