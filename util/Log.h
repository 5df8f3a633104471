// The install log: the one plain-text file every subsystem appends to.
//
// One process-wide ILog, created on first use and kept until exit. Each entry
// is "YYYY-MM-DD hh:mm:ss : " + the text + a line feed when the text lacks one,
// appended to the file in text mode (line feeds stored as CR LF). Every start
// opens a block with a separator and "00:00:00 : Init Log OK.". Any thread may
// log; each entry reaches the file whole, in one write.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/base/Win32Types.h"

// Sink that receives every logged text (without time stamp); its result is ignored.
using LogCallback = int (*)(const char* text);

class ILog {
public:
    static ILog* Instance();
    // Deletes the singleton; returns 1.
    static int Release();

    virtual ~ILog() = default;

    // Stores the path and start tick and appends the block opener. Always 1.
    int Init(const wchar_t* path);
    // Appends one entry, then hands the unchanged text to the callback.
    void WriteLine(const char* text);
    void SetCallback(LogCallback callback);
    // The prefix of the current local time, "%04d-%02d-%02d %02d:%02d:%02d : ".
    std::string GetTimeStamp();

    DWORD GetStartTick() const { return m_startTick; }

private:
    ILog() = default;
    // Appends bytes to the log file in one write; nothing before Init.
    void Append(const std::string& bytes);

    std::wstring m_path;
    DWORD m_startTick = 0;
    std::atomic<LogCallback> m_callback{nullptr};
    std::mutex m_lock;  // guards the path and keeps entries whole
};

ILog* GetLog();

// printf-style entry; the text is cut at 12,999 characters.
void WriteLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
