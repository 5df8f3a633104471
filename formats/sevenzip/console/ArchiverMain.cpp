// alonemain: the archiver's console main as an in-process entry. It runs
// one archiver command line at a time (the archiver's streams, options and
// locale are process-wide), turns every exception into an exit code and a
// status, and leaves the process as it found it: output streams, locale and
// signal handlers are restored after each run.
#include "CPP/7zip/UI/Console/StdAfx.h"

#include <clocale>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>

#include "CPP/Common/MyException.h"
#include "CPP/Common/NewHandler.h"
#include "CPP/Common/StdOutStream.h"
#include "CPP/Windows/ErrorMsg.h"
#include "CPP/7zip/UI/Common/ArchiveCommandLine.h"
#include "CPP/7zip/UI/Common/ExitCode.h"
#include "CPP/7zip/UI/Console/ConsoleClose.h"
#include "formats/sevenzip/console/ArchiverHost.h"

// The archiver's output and error streams (its console code writes to them).
extern CStdOutStream* g_StdStream;
CStdOutStream* g_StdStream = nullptr;
extern CStdOutStream* g_ErrStream;
CStdOutStream* g_ErrStream = nullptr;

extern int Main2(int numArgs, char* args[]);

namespace {

std::mutex g_runLock;
void* g_context = nullptr;
ArchiverStatusCallback g_status = nullptr;
ArchiverProgressCallback g_progress = nullptr;
std::uint64_t g_lastProgress = 0;

const char* const kCommandLineErrorText = "Command Line Error:";
const char* const kErrorText = "ERROR:";
const char* const kBreakText = "Break signaled";
const char* const kMemoryText = "ERROR: Can't allocate required memory!";
const char* const kUnknownText = "Unknown Error";
const char* const kInternalText = "\n\nInternal Error #";

void FlushStreams() {
    if (g_StdStream) g_StdStream->Flush();
}

void PrintError(const char* message) {
    FlushStreams();
    if (g_ErrStream) *g_ErrStream << "\n\n" << message << endl;
}

// The run's process-wide settings, undone in reverse order on every exit.
class RunScope {
public:
    RunScope(void* context, ArchiverStatusCallback status, ArchiverProgressCallback progress)
        : m_savedOut(g_StdOut), m_savedErr(g_StdErr) {
        g_context = context;
        g_status = status;
        g_progress = progress;
        g_lastProgress = 0;
        // The archiver sets the locale from the environment; ours comes back afterwards.
        const char* locale = std::setlocale(LC_ALL, nullptr);
        m_locale = locale ? locale : "C";
        std::fflush(stdout);
        std::fflush(stderr);
        m_watchedOut = archiver_host::OpenWatchedStream(stdout);
        m_watchedErr = archiver_host::OpenWatchedStream(stderr);
        if (m_watchedOut) g_StdOut = CStdOutStream(m_watchedOut);
        if (m_watchedErr) g_StdErr = CStdOutStream(m_watchedErr);
        g_StdStream = &g_StdOut;
        g_ErrStream = &g_StdErr;
    }

    ~RunScope() {
        g_StdOut = m_savedOut;
        g_StdErr = m_savedErr;
        g_StdStream = nullptr;
        g_ErrStream = nullptr;
        if (m_watchedOut) std::fclose(m_watchedOut);
        if (m_watchedErr) std::fclose(m_watchedErr);
        std::fflush(stdout);
        std::fflush(stderr);
        std::setlocale(LC_ALL, m_locale.c_str());
        g_context = nullptr;
        g_status = nullptr;
        g_progress = nullptr;
    }

    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    CStdOutStream m_savedOut;
    CStdOutStream m_savedErr;
    std::string m_locale;
    FILE* m_watchedOut = nullptr;
    FILE* m_watchedErr = nullptr;
};

// Echoes the arguments; the archiver converts them to its wide text itself
// (from UTF-8, the host's multi-byte text).
void ArchiverArgsToWide(int argc, char** argv) {
    for (int i = 0; i < argc; ++i) {
        if (g_StdStream && argv[i]) *g_StdStream << argv[i] << " \n";
    }
}

// The archiver's main with our argument vector. With only argument 0 it
// prints the help and returns 0.
int ArchiverRun(int argc, char** argv) {
    ArchiverArgsToWide(argc, argv);
    return Main2(argc, argv);
}

int SystemError(HRESULT code) {
    if (code == E_OUTOFMEMORY) {
        PrintError(kMemoryText);
        archiver_host::SendStatus(kArchiverStatusMemory);
        return NExitCode::kMemoryError;
    }
    if (code == E_ABORT) {
        PrintError(kBreakText);
        archiver_host::SendStatus(kArchiverStatusBreak);
        return NExitCode::kUserBreak;
    }
    PrintError("System ERROR:");
    if (g_ErrStream) *g_ErrStream << NWindows::NError::MyFormatMessage(code) << endl;
    archiver_host::SendStatus(kArchiverStatusFatal);
    return NExitCode::kFatalError;
}

template <typename Text>
int TextError(const Text& text) {
    PrintError(kErrorText);
    if (g_ErrStream) *g_ErrStream << text << endl;
    archiver_host::SendStatus(kArchiverStatusFatal);
    return NExitCode::kFatalError;
}

}  // namespace

namespace archiver_host {

void SendStatus(int code) {
    if (g_status) g_status(g_context, code);
}

void SendProgress(std::uint64_t value) {
    // Repeats of the same value carry nothing new.
    if (value == 0 || value == g_lastProgress || !g_progress) return;
    g_lastProgress = value;
    g_progress(g_context, static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32));
}

}  // namespace archiver_host

int alonemain(int argc, char** argv, void* context, ArchiverStatusCallback status, ArchiverProgressCallback progress) {
    if (argc < 1 || argv == nullptr) return NExitCode::kUserError;
    std::lock_guard<std::mutex> lock(g_runLock);
    RunScope scope(context, status, progress);
    try {
        // Installed for this run only; the previous handlers return after it.
        NConsoleClose::CCtrlHandlerSetter breakHandler;
        return ArchiverRun(argc, argv);
    } catch (const CNewException&) {  // std::bad_alloc in this build
        PrintError(kMemoryText);
        archiver_host::SendStatus(kArchiverStatusMemory);
        return NExitCode::kMemoryError;
    } catch (const CMessagePathException& e) {
        PrintError(kCommandLineErrorText);
        if (g_ErrStream) *g_ErrStream << e << endl;
        archiver_host::SendStatus(kArchiverStatusBreak);
        return NExitCode::kUserError;
    } catch (const CSystemException& e) {
        return SystemError(e.ErrorCode);
    } catch (NExitCode::EEnum code) {
        FlushStreams();
        if (g_ErrStream) *g_ErrStream << kInternalText << static_cast<int>(code) << endl;
        return code;
    } catch (const UString& s) {
        return TextError(s);
    } catch (const AString& s) {
        return TextError(s);
    } catch (const char* s) {
        return TextError(s ? s : "");
    } catch (const wchar_t* s) {
        return TextError(s ? s : L"");
    } catch (int code) {
        FlushStreams();
        if (g_ErrStream) *g_ErrStream << kInternalText << code << endl;
        archiver_host::SendStatus(kArchiverStatusFatal);
        return NExitCode::kFatalError;
    } catch (...) {
        PrintError(kUnknownText);
        archiver_host::SendStatus(kArchiverStatusFatal);
        return NExitCode::kFatalError;
    }
}
