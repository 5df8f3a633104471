// C runtime streams over host files, with Windows text-mode line ends.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/files/FileSystem.h"
#include "platform/base/HostPaths.h"
#include "platform/base/PathLimits.h"

namespace {

// State of a text-mode stream. The stream itself is unbuffered, so that the
// C library never holds translated bytes whose file offsets it would count
// wrongly; this cookie reads the file in blocks instead and knows the file
// offset of the next byte it hands out, which is the stream's position as
// Windows reports it (CR LF counts two bytes).
struct TextCookie {
    int fd = -1;
    std::vector<char> block;  // file bytes read ahead, from `blockStart`
    off64_t blockStart = 0;
    size_t next = 0;         // index in `block` of the next byte to hand out
    bool readAhead = false;  // the fd position is past the position below
    bool failed = false;     // the last read of the file failed

    off64_t Position() const { return blockStart + static_cast<off64_t>(next); }
    // Puts the descriptor back at the stream's position and drops the block.
    bool Settle() {
        if (readAhead && ::lseek64(fd, Position(), SEEK_SET) < 0) return false;
        blockStart = Position();
        block.clear();
        next = 0;
        readAhead = false;
        return true;
    }
    // Reads more file bytes after the block; false at the end or on an error (then `failed`).
    bool Refill() {
        if (next > 0) {
            block.erase(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(next));
            blockStart += static_cast<off64_t>(next);
            next = 0;
        }
        if (!readAhead) {
            off64_t at = ::lseek64(fd, 0, SEEK_CUR);
            if (at >= 0) blockStart = at - static_cast<off64_t>(block.size());
        }
        size_t kept = block.size();
        block.resize(kept + 65536);
        ssize_t got;
        do {
            got = ::read(fd, block.data() + kept, 65536);
        } while (got < 0 && errno == EINTR);
        block.resize(kept + static_cast<size_t>(got > 0 ? got : 0));
        readAhead = true;
        failed = got < 0;
        return got > 0;
    }
};

std::mutex g_textLock;
std::map<FILE*, TextCookie*>* g_textStreams = nullptr;  // lives to exit

TextCookie* TextCookieOf(FILE* stream) {
    std::lock_guard<std::mutex> guard(g_textLock);
    if (g_textStreams == nullptr) return nullptr;
    auto it = g_textStreams->find(stream);
    return it == g_textStreams->end() ? nullptr : it->second;
}

ssize_t TextRead(void* cookie, char* buffer, size_t size) {
    auto* text = static_cast<TextCookie*>(cookie);
    size_t produced = 0;
    while (produced < size) {
        if (text->next >= text->block.size()) {
            // Only wait for more data when nothing is ready, so pipes do not block.
            if (produced > 0 || !text->Refill()) break;
        }
        char byte = text->block[text->next];
        if (byte == '\r') {
            if (text->next + 1 >= text->block.size()) text->Refill();
            if (text->next + 1 < text->block.size() && text->block[text->next + 1] == '\n') {
                text->next += 2;
                buffer[produced++] = '\n';
                continue;
            }
        }
        ++text->next;
        buffer[produced++] = byte;
    }
    if (produced == 0 && text->failed) return -1;
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
    if (!text->Settle()) return 0;
    std::string converted;
    converted.reserve(size + size / 8 + 2);
    for (size_t i = 0; i < size; ++i) {
        if (buffer[i] == '\n') converted.push_back('\r');
        converted.push_back(buffer[i]);
    }
    // One write per call keeps an appended entry whole.
    if (!WriteAll(text->fd, converted.data(), converted.size())) return 0;
    off64_t at = ::lseek64(text->fd, 0, SEEK_CUR);  // after an append, the end of the file
    text->blockStart = at >= 0 ? at : text->blockStart + static_cast<off64_t>(converted.size());
    return static_cast<ssize_t>(size);
}

int TextSeek(void* cookie, off64_t* position, int whence) {
    auto* text = static_cast<TextCookie*>(cookie);
    off64_t target = *position;
    if (whence == SEEK_CUR) {
        target += text->Position();
        whence = SEEK_SET;
    }
    off64_t result = ::lseek64(text->fd, target, whence);
    if (result < 0) return -1;
    text->block.clear();
    text->next = 0;
    text->blockStart = result;
    text->readAhead = false;
    *position = result;
    return 0;
}

int TextClose(void* cookie) {
    auto* text = static_cast<TextCookie*>(cookie);
    {
        std::lock_guard<std::mutex> guard(g_textLock);
        if (g_textStreams != nullptr)
            for (auto it = g_textStreams->begin(); it != g_textStreams->end(); ++it)
                if (it->second == text) {
                    g_textStreams->erase(it);
                    break;
                }
    }
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
    auto* cookie = new TextCookie();
    cookie->fd = fd;
    if ((parsed.flags & O_APPEND) == 0) cookie->blockStart = 0;
    cookie_io_functions_t functions{TextRead, TextWrite, TextSeek, TextClose};
    *stream = ::fopencookie(cookie, parsed.hostMode.c_str(), functions);
    if (*stream == nullptr) {
        int error = errno;
        ::close(fd);
        delete cookie;
        return error;
    }
    ::setvbuf(*stream, nullptr, _IONBF, 0);
    std::lock_guard<std::mutex> guard(g_textLock);
    if (g_textStreams == nullptr) g_textStreams = new std::map<FILE*, TextCookie*>();
    (*g_textStreams)[*stream] = cookie;
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

// On a text stream the C library's own count of positions adds translated
// bytes, so positions come from the stream's cookie, in file bytes.
int _fseeki64(FILE* stream, std::int64_t offset, int origin) {
    if (stream == nullptr) return -1;
    TextCookie* text = TextCookieOf(stream);
    if (text == nullptr) return ::fseeko64(stream, static_cast<off64_t>(offset), origin);
    if (::fflush(stream) != 0) return -1;
    off64_t target = static_cast<off64_t>(offset);
    if (origin == SEEK_CUR) {
        target += text->Position();
        origin = SEEK_SET;
    }
    return ::fseeko64(stream, target, origin);
}

std::int64_t _ftelli64(FILE* stream) {
    if (stream == nullptr) return -1;
    TextCookie* text = TextCookieOf(stream);
    if (text == nullptr) return static_cast<std::int64_t>(::ftello64(stream));
    if (::fflush(stream) != 0) return -1;
    return static_cast<std::int64_t>(text->Position());
}
