// Kernel file handles (CreateFileW and friends) over host descriptors.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/files/FileSystem.h"
#include "platform/files/FileTimes.h"
#include "platform/files/Volumes.h"
#include "platform/base/HostPaths.h"
#include "platform/kernel/KernelObjects.h"
#include "platform/base/LastError.h"
#include "platform/base/PathLimits.h"

namespace {

class FileObject : public platform::KernelObject {
public:
    explicit FileObject(int fd) : fd(fd) {}
    ~FileObject() override { ::close(fd); }
    int fd;
};

std::shared_ptr<FileObject> LookupFile(HANDLE handle) {
    std::shared_ptr<FileObject> file = platform::LookupHandle<FileObject>(handle);
    if (!file) SetLastError(ERROR_INVALID_HANDLE);
    return file;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD creation, DWORD, HANDLE) {
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (HANDLE volume = platform::OpenVolumeDevice(path)) return volume;  // "\\.\X:" and "\\?\X:"
    std::wstring full = platform::FullWindowsPath(path);
    if (!full.empty() && !platform::HasOnlyWindowsNames(full)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    std::optional<std::string> host = full.size() < platform::kMaxPathChars ? platform::ToHostPath(full) : std::nullopt;
    if (full.empty() || !host) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    bool reads = (access & GENERIC_READ) != 0;
    bool writes = (access & GENERIC_WRITE) != 0;
    int flags = O_CLOEXEC | (reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY);
    switch (creation) {
        case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
        case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
        case OPEN_EXISTING: break;
        case OPEN_ALWAYS: flags |= O_CREAT; break;
        case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
        default: SetLastError(ERROR_INVALID_PARAMETER); return INVALID_HANDLE_VALUE;
    }
    struct stat info {};
    bool existed = ::stat(host->c_str(), &info) == 0;
    if (existed && (S_ISDIR(info.st_mode) || (writes && (info.st_mode & S_IWUSR) == 0))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    int fd = ::open(host->c_str(), flags, 0644);
    if (fd < 0) {
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS
                     : errno == ENOENT && creation != OPEN_EXISTING && creation != TRUNCATE_EXISTING
                         ? ERROR_PATH_NOT_FOUND
                         : platform::ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    // As on Windows, CREATE_ALWAYS and OPEN_ALWAYS report an existing file.
    SetLastError(existed && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS : 0);
    return platform::RegisterHandle(std::make_shared<FileObject>(fd));
}

int platform::HostDescriptorOfHandle(HANDLE file) {
    std::shared_ptr<FileObject> object = platform::LookupHandle<FileObject>(file);
    return object ? object->fd : -1;
}

HANDLE platform::DuplicateHostDescriptor(int descriptor) {
    int fd = ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return INVALID_HANDLE_VALUE;
    }
    return platform::RegisterHandle(std::make_shared<FileObject>(fd));
}

namespace {
off64_t OverlappedOffset(const OVERLAPPED* overlapped) {
    return static_cast<off64_t>((static_cast<std::uint64_t>(overlapped->OffsetHigh) << 32) | overlapped->Offset);
}
}  // namespace

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
    std::shared_ptr<FileObject> file = LookupFile(handle);
    if (bytesRead) *bytesRead = 0;
    if (!file) return FALSE;
    size_t done = 0;
    while (done < bytesToRead) {
        char* at = static_cast<char*>(buffer) + done;
        ssize_t got = overlapped ? ::pread64(file->fd, at, bytesToRead - done,
                                             OverlappedOffset(overlapped) + static_cast<off64_t>(done))
                                 : ::read(file->fd, at, bytesToRead - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            SetLastError(platform::ErrorFromErrno(errno));
            return FALSE;
        }
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    if (bytesRead) *bytesRead = static_cast<DWORD>(done);
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped) {
    std::shared_ptr<FileObject> file = LookupFile(handle);
    if (bytesWritten) *bytesWritten = 0;
    if (!file) return FALSE;
    size_t done = 0;
    while (done < bytesToWrite) {
        const char* at = static_cast<const char*>(buffer) + done;
        ssize_t put = overlapped ? ::pwrite64(file->fd, at, bytesToWrite - done,
                                              OverlappedOffset(overlapped) + static_cast<off64_t>(done))
                                 : ::write(file->fd, at, bytesToWrite - done);
        if (put < 0) {
            if (errno == EINTR) continue;
            SetLastError(platform::ErrorFromErrno(errno));
            if (bytesWritten) *bytesWritten = static_cast<DWORD>(done);
            return FALSE;
        }
        done += static_cast<size_t>(put);
    }
    if (bytesWritten) *bytesWritten = static_cast<DWORD>(done);
    return TRUE;
}

BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method) {
    std::shared_ptr<FileObject> file = LookupFile(handle);
    if (!file) return FALSE;
    int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    off64_t result = ::lseek64(file->fd, distance.QuadPart, whence);
    if (result < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (newPosition) newPosition->QuadPart = result;
    return TRUE;
}

BOOL GetFileSizeEx(HANDLE handle, LARGE_INTEGER* size) {
    std::shared_ptr<FileObject> file = LookupFile(handle);
    if (!file || size == nullptr) return FALSE;
    struct stat info {};
    if (::fstat(file->fd, &info) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    size->QuadPart = info.st_size;
    return TRUE;
}

DWORD GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle, &size)) return INVALID_FILE_SIZE;
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(static_cast<ULONGLONG>(size.QuadPart) >> 32);
    return static_cast<DWORD>(size.QuadPart);
}

BOOL SetEndOfFile(HANDLE handle) {
    std::shared_ptr<FileObject> file = LookupFile(handle);
    if (!file) return FALSE;
    off64_t position = ::lseek64(file->fd, 0, SEEK_CUR);
    if (position < 0 || ::ftruncate64(file->fd, position) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle) {
    std::shared_ptr<FileObject> file = LookupFile(handle);
    if (!file) return FALSE;
    return ::fsync(file->fd) == 0 ? TRUE : FALSE;
}

namespace {

FILETIME FileTimeOf(const struct timespec& time) {
    ULONGLONG units = (static_cast<ULONGLONG>(time.tv_sec) + 11644473600ULL) * 10000000ULL +
                      static_cast<ULONGLONG>(time.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(units), static_cast<DWORD>(units >> 32)};
}

struct timespec TimespecOf(const FILETIME* time) {
    if (time == nullptr) return timespec{0, UTIME_OMIT};
    ULONGLONG units = (static_cast<ULONGLONG>(time->dwHighDateTime) << 32) | time->dwLowDateTime;
    LONGLONG seconds = static_cast<LONGLONG>(units / 10000000ULL) - 11644473600LL;
    return timespec{static_cast<time_t>(seconds), static_cast<long>(units % 10000000ULL) * 100};
}

}  // namespace

BOOL GetFileTime(HANDLE handle, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
    std::shared_ptr<FileObject> file = LookupFile(handle);
    if (!file) return FALSE;
    struct stat info {};
    if (::fstat(file->fd, &info) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    if (creation) *creation = FileTimeOf(info.st_ctim);
    if (lastAccess) *lastAccess = FileTimeOf(info.st_atim);
    if (lastWrite) *lastWrite = FileTimeOf(info.st_mtim);
    return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME*, const FILETIME* lastAccess, const FILETIME* lastWrite) {
    std::shared_ptr<FileObject> file = LookupFile(handle);
    if (!file) return FALSE;
    struct timespec times[2] = {TimespecOf(lastAccess), TimespecOf(lastWrite)};
    if (::futimens(file->fd, times) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}
