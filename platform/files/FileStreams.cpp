// C runtime streams over host files, with Windows text-mode line ends.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/base/CodePages.h"
#include "platform/files/FileSystem.h"
#include "platform/base/HostPaths.h"
#include "platform/base/PathLimits.h"

namespace {

// State of a text-mode stream: the host descriptor and one byte read ahead
// while deciding whether a carriage return starts a CR LF pair.
struct TextCookie {
    int fd = -1;
    int pushback = -1;
};

ssize_t TextRead(void* cookie, char* buffer, size_t size) {
    auto* text = static_cast<TextCookie*>(cookie);
    size_t produced = 0;
    while (produced < size) {
        int byte;
        if (text->pushback >= 0) {
            byte = text->pushback;
            text->pushback = -1;
        } else {
            unsigned char raw;
            ssize_t got = ::read(text->fd, &raw, 1);
            if (got < 0) return produced > 0 ? static_cast<ssize_t>(produced) : -1;
            if (got == 0) break;
            byte = raw;
        }
        if (byte == '\r') {
            unsigned char next;
            ssize_t got = ::read(text->fd, &next, 1);
            if (got == 1 && next == '\n') {
                byte = '\n';
            } else if (got == 1) {
                text->pushback = next;
            }
        }
        buffer[produced++] = static_cast<char>(byte);
        // Stop at a line end so that short reads do not block on pipes.
        if (byte == '\n') break;
    }
    return static_cast<ssize_t>(produced);
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

ssize_t TextWrite(void* cookie, const char* buffer, size_t size) {
    auto* text = static_cast<TextCookie*>(cookie);
    std::string converted;
    converted.reserve(size + size / 8 + 2);
    for (size_t i = 0; i < size; ++i) {
        if (buffer[i] == '\n') converted.push_back('\r');
        converted.push_back(buffer[i]);
    }
    // One write per flush keeps an appended entry whole.
    if (!WriteAll(text->fd, converted.data(), converted.size())) return 0;
    return static_cast<ssize_t>(size);
}

int TextSeek(void* cookie, off64_t* position, int whence) {
    auto* text = static_cast<TextCookie*>(cookie);
    off64_t result = ::lseek64(text->fd, *position, whence);
    if (result < 0) return -1;
    text->pushback = -1;
    *position = result;
    return 0;
}

int TextClose(void* cookie) {
    auto* text = static_cast<TextCookie*>(cookie);
    int result = ::close(text->fd);
    delete text;
    return result;
}

struct ParsedMode {
    int flags = 0;
    bool text = true;
    bool writes = false;
    std::string hostMode;
};

bool ParseMode(const std::string& mode, ParsedMode& parsed) {
    if (mode.empty()) return false;
    bool plus = false;
    bool sawText = false;
    bool sawBinary = false;
    for (size_t i = 1; i < mode.size(); ++i) {
        char c = mode[i];
        if (c == '+' && !plus) plus = true;
        else if (c == 't' && !sawText && !sawBinary) sawText = true;
        else if (c == 'b' && !sawText && !sawBinary) sawBinary = true;
        else return false;
    }
    switch (mode[0]) {
        case 'r': parsed.flags = plus ? O_RDWR : O_RDONLY; break;
        case 'w': parsed.flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC; break;
        case 'a': parsed.flags = (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND; break;
        default: return false;
    }
    parsed.writes = mode[0] != 'r' || plus;
    parsed.text = !sawBinary;
    parsed.hostMode = std::string(1, mode[0]) + (plus ? "+" : "");
    return true;
}

errno_t OpenStream(FILE** stream, const std::wstring& path, const std::string& mode) {
    if (stream == nullptr) return EINVAL;
    *stream = nullptr;
    ParsedMode parsed;
    if (!ParseMode(mode, parsed)) return EINVAL;
    std::wstring full = platform::FullWindowsPath(path);
    if (full.empty() || full.size() >= platform::kMaxPathChars) return ENOENT;
    if (!platform::HasOnlyWindowsNames(full)) return EINVAL;
    std::optional<std::string> host = platform::ToHostPath(full);
    if (!host) return ENOENT;
    struct stat info {};
    if (::stat(host->c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) return EACCES;
        if (parsed.writes && (info.st_mode & S_IWUSR) == 0) return EACCES;
    }
    int fd = ::open(host->c_str(), parsed.flags | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    if (!parsed.text) {
        *stream = ::fdopen(fd, (parsed.hostMode + "b").c_str());
        if (*stream == nullptr) {
            int error = errno;
            ::close(fd);
            return error;
        }
        return 0;
    }
    auto* cookie = new TextCookie{fd, -1};
    cookie_io_functions_t functions{TextRead, TextWrite, TextSeek, TextClose};
    *stream = ::fopencookie(cookie, parsed.hostMode.c_str(), functions);
    if (*stream == nullptr) {
        int error = errno;
        ::close(fd);
        delete cookie;
        return error;
    }
    return 0;
}

}  // namespace

errno_t _wfopen_s(FILE** stream, const wchar_t* path, const wchar_t* mode) {
    if (stream != nullptr) *stream = nullptr;
    if (path == nullptr || mode == nullptr) return EINVAL;
    std::string narrowMode;
    for (const wchar_t* m = mode; *m != 0; ++m) {
        if (*m > 0x7F) return EINVAL;
        narrowMode.push_back(static_cast<char>(*m));
    }
    return OpenStream(stream, path, narrowMode);
}

errno_t fopen_s(FILE** stream, const char* ansiPath, const char* mode) {
    if (stream != nullptr) *stream = nullptr;
    if (ansiPath == nullptr || mode == nullptr) return EINVAL;
    int units = MultiByteToWideChar(CP_ACP, 0, ansiPath, -1, nullptr, 0);
    if (units <= 0) return ENOENT;
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansiPath, -1, wide.data(), units);
    wide.resize(static_cast<size_t>(units - 1));
    return OpenStream(stream, wide, mode);
}

int _fseeki64(FILE* stream, std::int64_t offset, int origin) {
    if (stream == nullptr) return -1;
    return ::fseeko64(stream, static_cast<off64_t>(offset), origin);
}

std::int64_t _ftelli64(FILE* stream) {
    if (stream == nullptr) return -1;
    return static_cast<std::int64_t>(::ftello64(stream));
}
