// What our console files share: the callbacks of the run in progress. They
// are set by alonemain under its run lock before the archiver starts any
// thread and cleared after its threads have ended.
#pragma once

#include <cstdint>
#include <cstdio>

#include "formats/sevenzip/ArchiverEntry.h"

namespace archiver_host {

void SendStatus(int code);
// Forwards a progress value (percent, or MiB without a total) unless it is 0.
void SendProgress(std::uint64_t value);

// An output stream that passes everything on to `target` and watches the
// archiver's lines for the error reports that become statuses. Null when
// the stream cannot be made (the caller then writes to `target` directly).
FILE* OpenWatchedStream(FILE* target);
// Checks one complete line of the archiver's output.
void WatchLine(const char* line, std::size_t length);

}  // namespace archiver_host
