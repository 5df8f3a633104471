// The archiver's output streams during a run: everything passes on to the
// process's stdout or stderr unchanged, and each complete line is checked
// for the two reports that the archiver prints but does not return: an
// item's data error (status 261) and the closing count of archives with
// errors (status 262).
#include <cstdio>
#include <cstring>
#include <string>

#include "formats/sevenzip/console/ArchiverHost.h"

namespace archiver_host {
namespace {

struct Watch {
    FILE* target;
    std::string line;
};

bool Contains(const char* line, std::size_t length, const char* text) {
    std::size_t n = std::strlen(text);
    if (n > length) return false;
    for (std::size_t i = 0; i + n <= length; ++i) {
        if (std::memcmp(line + i, text, n) == 0) return true;
    }
    return false;
}

ssize_t WatchWrite(void* cookie, const char* data, size_t size) {
    Watch* watch = static_cast<Watch*>(cookie);
    std::fwrite(data, 1, size, watch->target);
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n') {
            WatchLine(watch->line.data(), watch->line.size());
            watch->line.clear();
        } else if (watch->line.size() < 4096) {
            watch->line.push_back(data[i]);
        }
    }
    return static_cast<ssize_t>(size);
}

int WatchClose(void* cookie) {
    Watch* watch = static_cast<Watch*>(cookie);
    if (!watch->line.empty()) WatchLine(watch->line.data(), watch->line.size());
    std::fflush(watch->target);
    delete watch;
    return 0;
}

}  // namespace

void WatchLine(const char* line, std::size_t length) {
    // "ERROR: Data Error ..." and "ERROR: CRC Failed ..." (either may carry
    // "in encrypted file. Wrong password?"): the item's data did not decode.
    if (Contains(line, length, "ERROR: Data Error") || Contains(line, length, "ERROR: CRC Failed")) {
        SendStatus(kArchiverStatusDataError);
    } else if (Contains(line, length, "Archives with Errors: ")) {
        SendStatus(kArchiverStatusArchiveErrors);
    }
}

FILE* OpenWatchedStream(FILE* target) {
    Watch* watch = new Watch{target, {}};
    cookie_io_functions_t functions{};
    functions.write = WatchWrite;
    functions.close = WatchClose;
    FILE* stream = fopencookie(watch, "w", functions);
    if (stream == nullptr) {
        delete watch;
        return nullptr;
    }
    // Unbuffered: the archiver's text keeps its order with anything written
    // to the target directly.
    std::setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

}  // namespace archiver_host
