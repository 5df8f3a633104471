// Files and folders shaped like the Windows kernel and C runtime calls.
//
// Paths are Windows-form wide paths (ANSI code page for the narrow forms),
// mapped to the host by HostPaths. Text-mode streams store a line feed as
// carriage return + line feed and read it back as a line feed. A read-only
// file (FILE_ATTRIBUTE_READONLY, the host's owner-write bit cleared) cannot be
// opened for writing or deleted, even by root. Full paths of MAX_PATH (260)
// characters or more fail as the real calls do.
#pragma once

#include <cstdio>

#include "platform/base/Win32Types.h"

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
// Allows a move to another volume by copying; the machine's drives share one
// host file system, so a move stays a rename.
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
// Recorded in the machine's registry (Session Manager's
// "PendingFileRenameOperations") for the next restart instead of done now;
// needs an elevated process, else ERROR_ACCESS_DENIED. A null target deletes.
constexpr DWORD MOVEFILE_DELAY_UNTIL_REBOOT = 0x4;

constexpr unsigned _A_NORMAL = 0x00;
constexpr unsigned _A_RDONLY = 0x01;
constexpr unsigned _A_SUBDIR = 0x10;

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
};
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;

struct _finddata64i32_t {
    unsigned attrib;
    std::int64_t time_create;
    std::int64_t time_access;
    std::int64_t time_write;
    std::uint32_t size;
    char name[MAX_PATH];
};

// Attributes and existence.
BOOL PathFileExistsW(LPCWSTR path);
BOOL PathFileExistsA(LPCSTR path);
BOOL PathIsDirectoryW(LPCWSTR path);
DWORD GetFileAttributesW(LPCWSTR path);
DWORD GetFileAttributesA(LPCSTR path);
BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes);

// Folders and deletion.
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES attributes);
int _wmkdir(const wchar_t* path);
BOOL RemoveDirectoryW(LPCWSTR path);
BOOL DeleteFileW(LPCWSTR path);
BOOL DeleteFileA(LPCSTR path);
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);

// Listing: "." and ".." are listed for every folder but a drive root; "*.*" matches every name.
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
BOOL FindClose(HANDLE find);
intptr_t _findfirst64i32(const char* pattern, _finddata64i32_t* data);
int _findnext64i32(intptr_t handle, _finddata64i32_t* data);
int _findclose(intptr_t handle);

// Free space: the machine profile's figure for the drive when it sets one, else the host's.
BOOL GetDiskFreeSpaceExW(LPCWSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total, PULARGE_INTEGER totalFree);
BOOL GetDiskFreeSpaceExA(LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total, PULARGE_INTEGER totalFree);

// C runtime streams. Modes: "r", "w", "a" with an optional "+", then "t" or
// "b" (text is the default); anything else is EINVAL.
errno_t _wfopen_s(FILE** stream, const wchar_t* path, const wchar_t* mode);
errno_t fopen_s(FILE** stream, const char* ansiPath, const char* mode);
int _fseeki64(FILE* stream, std::int64_t offset, int origin);
std::int64_t _ftelli64(FILE* stream);

// Kernel file handles.
HANDLE CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes, DWORD creation,
                   DWORD flags, HANDLE templateFile);
// With an OVERLAPPED record the transfer happens at its Offset/OffsetHigh
// (the handles are synchronous: the call returns when it is done) and the
// file pointer is left where it was; hEvent is not used.
struct OVERLAPPED {
    ULONG_PTR Internal = 0;
    ULONG_PTR InternalHigh = 0;
    DWORD Offset = 0;
    DWORD OffsetHigh = 0;
    HANDLE hEvent = nullptr;
};
using LPOVERLAPPED = OVERLAPPED*;
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);

// Full path of a relative or absolute path ("." and ".." resolved); the
// result's length, or the size needed when the buffer is too small.
DWORD GetFullPathNameW(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* filePart);

namespace platform {
// A kernel file handle over a duplicate of a host descriptor, so that
// ReadFile/WriteFile reach it (the console's standard streams use it).
HANDLE DuplicateHostDescriptor(int descriptor);
// The host descriptor behind a kernel file handle, -1 for any other handle.
int HostDescriptorOfHandle(HANDLE file);
}  // namespace platform
