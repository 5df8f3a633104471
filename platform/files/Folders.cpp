// Attributes, folders, deletion, listing and free space over the host file system.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/files/FileSystem.h"
#include "platform/files/Volumes.h"
#include "platform/base/HostPaths.h"
#include "platform/kernel/KernelObjects.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"
#include "platform/base/PathLimits.h"
#include "platform/registry/Registry.h"

namespace {

std::wstring AnsiToWide(const char* text) {
    if (text == nullptr) return {};
    int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), units);
    wide.resize(static_cast<size_t>(units - 1));
    return wide;
}

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, narrow.data(), bytes, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(bytes - 1));
    return narrow;
}

// Host path of a wide path, failing with ERROR_PATH_NOT_FOUND when it names no drive.
bool HostOf(LPCWSTR path, std::string& host, size_t limit = platform::kMaxPathChars) {
    if (path == nullptr || *path == 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    std::wstring full = platform::FullWindowsPath(path);
    if (full.empty()) {
        SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    if (full.size() >= limit) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (!platform::HasOnlyWindowsNames(full)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::optional<std::string> mapped = platform::ToHostPath(full);
    if (!mapped) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    host = *mapped;
    return true;
}

DWORD AttributesOf(const struct stat& info, bool link) {
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if ((info.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
    if (link) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    if (attributes == 0) attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    return attributes;
}

// Attributes of a host path: a link reports its target's kind plus the reparse bit.
DWORD HostAttributes(const std::string& host) {
    struct stat linkInfo {};
    if (::lstat(host.c_str(), &linkInfo) != 0) return INVALID_FILE_ATTRIBUTES;
    bool link = S_ISLNK(linkInfo.st_mode);
    struct stat info = linkInfo;
    if (link && ::stat(host.c_str(), &info) != 0) info = linkInfo;
    return AttributesOf(info, link);
}

FILETIME ToFileTime(const struct timespec& time) {
    // 100-ns intervals since 1601-01-01.
    ULONGLONG ticks = (static_cast<ULONGLONG>(time.tv_sec) + 11644473600ULL) * 10000000ULL +
                      static_cast<ULONGLONG>(time.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

bool MatchesPattern(const std::wstring& name, const std::wstring& pattern, size_t n = 0, size_t p = 0) {
    while (p < pattern.size()) {
        wchar_t c = pattern[p];
        if (c == L'*') {
            for (size_t k = n; k <= name.size(); ++k)
                if (MatchesPattern(name, pattern, k, p + 1)) return true;
            return false;
        }
        if (n >= name.size()) return false;
        if (c != L'?' && platform::FoldCase(c) != platform::FoldCase(name[n])) return false;
        ++n;
        ++p;
    }
    return n == name.size();
}

struct FoundEntry {
    std::wstring name;
    DWORD attributes;
    ULONGLONG size;
    FILETIME created;
    FILETIME accessed;
    FILETIME written;
};

class FindObject : public platform::KernelObject {
public:
    std::vector<FoundEntry> entries;
    size_t next = 0;
};

bool ListMatches(const std::wstring& patternPath, std::vector<FoundEntry>& entries) {
    std::wstring full = platform::FullWindowsPath(patternPath);
    if (full.empty()) {
        SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    size_t slash = full.find_last_of(L'\\');
    std::wstring folder = full.substr(0, slash + 1);
    std::wstring pattern = full.substr(slash + 1);
    if (pattern == L"*.*") pattern = L"*";
    std::optional<std::string> host = platform::ToHostPath(folder);
    if (!host) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    DIR* dir = ::opendir(host->c_str());
    if (dir == nullptr) {
        SetLastError(errno == ENOTDIR ? ERROR_DIRECTORY_NAME_INVALID : ERROR_PATH_NOT_FOUND);
        return false;
    }
    bool driveRoot = folder.size() == 3;
    while (dirent* entry = ::readdir(dir)) {
        std::string hostName = entry->d_name;
        if (driveRoot && (hostName == "." || hostName == "..")) continue;
        std::wstring name = platform::Utf8ToUtf16(hostName);
        // A host name that Windows could not hold ("a\\b", "a.", "nul") is not
        // listed: read back as a Windows path it would name another file.
        bool dots = name == L"." || name == L"..";
        if (!dots && (!platform::IsWindowsName(name) || platform::Utf16ToUtf8(name) != hostName)) continue;
        if (!MatchesPattern(name, pattern)) continue;
        std::string child = *host + (host->back() == '/' ? "" : "/") + hostName;
        struct stat info {};
        struct stat linkInfo {};
        if (::lstat(child.c_str(), &linkInfo) != 0) continue;
        bool link = S_ISLNK(linkInfo.st_mode);
        info = linkInfo;
        if (link && ::stat(child.c_str(), &info) != 0) info = linkInfo;
        entries.push_back(FoundEntry{name, AttributesOf(info, link),
                                     S_ISDIR(info.st_mode) ? 0 : static_cast<ULONGLONG>(info.st_size),
                                     ToFileTime(info.st_ctim), ToFileTime(info.st_atim), ToFileTime(info.st_mtim)});
    }
    ::closedir(dir);
    // "." and ".." come first, as NTFS lists them.
    std::stable_partition(entries.begin(), entries.end(),
                          [](const FoundEntry& e) { return e.name == L"." || e.name == L".."; });
    if (entries.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    return true;
}

void FillFindData(const FoundEntry& entry, WIN32_FIND_DATAW* data) {
    std::memset(data, 0, sizeof(*data));
    data->dwFileAttributes = entry.attributes;
    data->ftCreationTime = entry.created;
    data->ftLastAccessTime = entry.accessed;
    data->ftLastWriteTime = entry.written;
    data->nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(entry.size);
    size_t count = std::min(entry.name.size(), static_cast<size_t>(MAX_PATH - 1));
    std::copy(entry.name.begin(), entry.name.begin() + static_cast<std::ptrdiff_t>(count), data->cFileName);
}

}  // namespace

BOOL PathFileExistsW(LPCWSTR path) {
    std::string host;
    return (HostOf(path, host) && HostAttributes(host) != INVALID_FILE_ATTRIBUTES) ? TRUE : FALSE;
}

BOOL PathFileExistsA(LPCSTR path) { return path != nullptr && PathFileExistsW(AnsiToWide(path).c_str()); }

BOOL PathIsDirectoryW(LPCWSTR path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

DWORD GetFileAttributesW(LPCWSTR path) {
    std::string host;
    if (!HostOf(path, host)) return INVALID_FILE_ATTRIBUTES;
    DWORD attributes = HostAttributes(host);
    if (attributes == INVALID_FILE_ATTRIBUTES) SetLastError(platform::ErrorFromErrno(errno));
    return attributes;
}

DWORD GetFileAttributesA(LPCSTR path) { return GetFileAttributesW(AnsiToWide(path).c_str()); }

BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes) {
    std::string host;
    if (!HostOf(path, host)) return FALSE;
    struct stat info {};
    if (::stat(host.c_str(), &info) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    mode_t mode = info.st_mode & 07777;
    mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH))
                                                  : (mode | S_IWUSR);
    if (::chmod(host.c_str(), mode) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
    std::string host;
    if (!HostOf(path, host, platform::kMaxDirectoryChars)) return FALSE;
    if (::mkdir(host.c_str(), 0755) != 0) {
        SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : platform::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

int _wmkdir(const wchar_t* path) {
    if (CreateDirectoryW(path, nullptr)) return 0;
    DWORD error = GetLastError();
    errno = error == ERROR_ALREADY_EXISTS ? EEXIST : error == ERROR_ACCESS_DENIED ? EACCES : ENOENT;
    return -1;
}

BOOL RemoveDirectoryW(LPCWSTR path) {
    std::string host;
    if (!HostOf(path, host)) return FALSE;
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    struct stat info {};
    if (::lstat(host.c_str(), &info) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    // A link to a folder is removed itself; its target stays.
    int result = S_ISLNK(info.st_mode) ? ::unlink(host.c_str()) : ::rmdir(host.c_str());
    if (result != 0) {
        SetLastError(errno == ENOTDIR ? ERROR_DIRECTORY_NAME_INVALID : platform::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR path) {
    std::string host;
    if (!HostOf(path, host)) return FALSE;
    struct stat info {};
    if (::lstat(host.c_str(), &info) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    if (S_ISDIR(info.st_mode) || (!S_ISLNK(info.st_mode) && (info.st_mode & S_IWUSR) == 0)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (::unlink(host.c_str()) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR path) { return DeleteFileW(AnsiToWide(path).c_str()); }

namespace {

// Appends one source/target pair to the restart-time operations.
BOOL ScheduleMoveAtRestart(LPCWSTR from, LPCWSTR to) {
    if (from == nullptr || *from == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!platform::Machine::Current().Profile().elevated) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    HKEY key = nullptr;
    LONG opened = RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (opened != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(opened));
        return FALSE;
    }
    std::vector<wchar_t> list;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ && size >= sizeof(wchar_t)) {
        list.resize(size / sizeof(wchar_t));
        RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<LPBYTE>(list.data()),
                         &size);
        list.resize(size / sizeof(wchar_t));
        while (!list.empty() && list.back() == 0) list.pop_back();
        if (!list.empty()) list.push_back(0);
    }
    for (const std::wstring& path :
         {L"\\??\\" + platform::FullWindowsPath(from),
          to != nullptr && *to != 0 ? L"\\??\\" + platform::FullWindowsPath(to) : std::wstring()}) {
        list.insert(list.end(), path.begin(), path.end());
        list.push_back(0);
    }
    list.push_back(0);
    LONG set =
        RegSetValueExW(key, L"PendingFileRenameOperations", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(list.data()),
                       static_cast<DWORD>(list.size() * sizeof(wchar_t)));
    RegCloseKey(key);
    if (set != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(set));
        return FALSE;
    }
    return TRUE;
}

}  // namespace

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) return ScheduleMoveAtRestart(from, to);
    std::string hostFrom;
    std::string hostTo;
    if (!HostOf(from, hostFrom) || !HostOf(to, hostTo)) return FALSE;
    struct stat info {};
    if ((flags & MOVEFILE_REPLACE_EXISTING) == 0 && ::lstat(hostTo.c_str(), &info) == 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (::rename(hostFrom.c_str(), hostTo.c_str()) != 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    return TRUE;
}

BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
    std::string hostFrom;
    std::string hostTo;
    if (!HostOf(from, hostFrom) || !HostOf(to, hostTo)) return FALSE;
    int in = ::open(hostFrom.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        SetLastError(platform::ErrorFromErrno(errno));
        return FALSE;
    }
    struct stat existing {};
    if (::stat(hostTo.c_str(), &existing) == 0 && (existing.st_mode & S_IWUSR) == 0) {
        ::close(in);
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    int out = ::open(hostTo.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (failIfExists ? O_EXCL : 0), 0644);
    if (out < 0) {
        SetLastError(errno == EEXIST ? ERROR_FILE_EXISTS : platform::ErrorFromErrno(errno));
        ::close(in);
        return FALSE;
    }
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    for (;;) {
        ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got == 0) break;
        if (got < 0 || ::write(out, buffer.data(), static_cast<size_t>(got)) != got) {
            ok = false;
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0) ok = false;
    if (!ok) SetLastError(ERROR_DISK_FULL);
    return ok ? TRUE : FALSE;
}

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
    if (pattern == nullptr || data == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    auto find = std::make_shared<FindObject>();
    if (!ListMatches(pattern, find->entries)) return INVALID_HANDLE_VALUE;
    FillFindData(find->entries[0], data);
    find->next = 1;
    return platform::RegisterHandle(find);
}

BOOL FindNextFileW(HANDLE handle, LPWIN32_FIND_DATAW data) {
    std::shared_ptr<FindObject> find = platform::LookupHandle<FindObject>(handle);
    if (!find || data == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (find->next >= find->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    FillFindData(find->entries[find->next++], data);
    return TRUE;
}

BOOL FindClose(HANDLE handle) {
    if (!platform::LookupHandle<FindObject>(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(handle);
}

namespace {
void FillFindData(const FoundEntry& entry, _finddata64i32_t* data) {
    std::memset(data, 0, sizeof(*data));
    data->attrib = ((entry.attributes & FILE_ATTRIBUTE_DIRECTORY) ? _A_SUBDIR : 0) |
                   ((entry.attributes & FILE_ATTRIBUTE_READONLY) ? _A_RDONLY : 0);
    data->size = static_cast<std::uint32_t>(entry.size);
    std::string name = WideToAnsi(entry.name);
    std::strncpy(data->name, name.c_str(), MAX_PATH - 1);
}
}  // namespace

intptr_t _findfirst64i32(const char* pattern, _finddata64i32_t* data) {
    if (pattern == nullptr || data == nullptr) {
        errno = EINVAL;
        return -1;
    }
    auto find = std::make_shared<FindObject>();
    if (!ListMatches(AnsiToWide(pattern), find->entries)) {
        errno = ENOENT;
        return -1;
    }
    FillFindData(find->entries[0], data);
    find->next = 1;
    return reinterpret_cast<intptr_t>(platform::RegisterHandle(find));
}

int _findnext64i32(intptr_t handle, _finddata64i32_t* data) {
    std::shared_ptr<FindObject> find = platform::LookupHandle<FindObject>(reinterpret_cast<HANDLE>(handle));
    if (!find || data == nullptr || find->next >= find->entries.size()) {
        errno = ENOENT;
        return -1;
    }
    FillFindData(find->entries[find->next++], data);
    return 0;
}

int _findclose(intptr_t handle) { return FindClose(reinterpret_cast<HANDLE>(handle)) ? 0 : -1; }

BOOL GetDiskFreeSpaceExW(LPCWSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total, PULARGE_INTEGER totalFree) {
    std::wstring full = platform::FullWindowsPath(root != nullptr ? root : L"\\");
    platform::Machine& machine = platform::Machine::Current();
    std::string driveRoot = full.empty() ? std::string() : machine.DriveRoot(full[0]);
    if (driveRoot.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    if (!platform::DriveMediaPresent(full[0])) return FALSE;
    struct statvfs info {};
    if (::statvfs(driveRoot.c_str(), &info) != 0) {
        SetLastError(ERROR_NOT_READY);
        return FALSE;
    }
    ULONGLONG available = static_cast<ULONGLONG>(info.f_bavail) * info.f_frsize;
    ULONGLONG free = static_cast<ULONGLONG>(info.f_bfree) * info.f_frsize;
    ULONGLONG size = static_cast<ULONGLONG>(info.f_blocks) * info.f_frsize;
    auto it = machine.Profile().freeBytes.find(platform::FoldCase(full[0]));
    if (it != machine.Profile().freeBytes.end()) {
        available = free = it->second;
        size = std::max(size, free);
    }
    if (freeToCaller) freeToCaller->QuadPart = available;
    if (total) total->QuadPart = size;
    if (totalFree) totalFree->QuadPart = free;
    return TRUE;
}

BOOL GetDiskFreeSpaceExA(LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total, PULARGE_INTEGER totalFree) {
    std::wstring wide = AnsiToWide(root);
    return GetDiskFreeSpaceExW(root != nullptr ? wide.c_str() : nullptr, freeToCaller, total, totalFree);
}

DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* filePart) {
    std::wstring full = path != nullptr ? platform::FullWindowsPath(path) : std::wstring();
    if (full.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return 0;
    }
    if (buffer == nullptr || size <= full.size()) return static_cast<DWORD>(full.size() + 1);
    std::wmemcpy(buffer, full.c_str(), full.size() + 1);
    if (filePart != nullptr) {
        size_t slash = full.find_last_of(L'\\');
        *filePart = (slash == std::wstring::npos || slash + 1 == full.size()) ? nullptr : buffer + slash + 1;
    }
    return static_cast<DWORD>(full.size());
}
