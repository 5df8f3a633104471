// The archiver's console program run in-process: alonemain takes an
// argument vector (argument 0 is the program path and is never read as a
// switch), a context pointer and two callbacks, and never reads the console.
// Arguments are host texts in UTF-8 (paths are host paths). Runs are
// serialised: the archiver keeps its streams and options process-wide, so a
// second caller waits until the first run has ended.
#pragma once

#include <cstdint>

// Exit codes of the archiver.
constexpr int kArchiverExitSuccess = 0;
constexpr int kArchiverExitWarning = 1;
constexpr int kArchiverExitFatal = 2;
constexpr int kArchiverExitCommandLine = 7;
constexpr int kArchiverExitMemory = 8;
constexpr int kArchiverExitBreak = 255;

// Status codes sent to the status callback.
constexpr int kArchiverStatusFatal = 2;            // system error, error text, internal error
constexpr int kArchiverStatusMemory = 8;           // out of memory
constexpr int kArchiverStatusBreak = 255;          // break or abort, and command-line errors
constexpr int kArchiverStatusNoPassword = 260;     // the archive needs a password and none was given
constexpr int kArchiverStatusDataError = 261;      // data (or CRC) error while extracting an item
constexpr int kArchiverStatusArchiveErrors = 262;  // the run ended with archives with errors
constexpr int kArchiverStatusRunnerFailed = 263;   // sent by C7ZRunner, not by the archiver

using ArchiverStatusCallback = void (*)(void* context, int code);
using ArchiverProgressCallback = void (*)(void* context, std::uint32_t low, std::uint32_t high);

// The archiver's exit code. Exceptions never leave it: they become exit
// codes and statuses. Either callback may be null.
int alonemain(int argc, char** argv, void* context, ArchiverStatusCallback status, ArchiverProgressCallback progress);
