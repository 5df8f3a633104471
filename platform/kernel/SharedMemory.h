// Named shared memory, shaped like CreateFileMappingW / OpenFileMappingW /
// MapViewOfFile / UnmapViewOfFile over POSIX shared memory.
//
// Only mappings backed by the paging file (INVALID_HANDLE_VALUE) exist. A
// name ("Local\" is dropped, as in a desktop session) maps to a POSIX shm name
// of the current machine, so processes of one machine (children included)
// share it and processes of other machines do not. The name lasts while any
// process holds a handle or view of it, as a section does: the last holder's
// close removes it. A segment left by a process that ended without closing it
// (no holder left) is stale: the next create makes a fresh one of the asked
// size. A segment that is not the user's own with mode 0600 is refused
// (ERROR_ACCESS_DENIED).
#pragma once

#include <string>

#include "platform/files/FileSystem.h"
#include "platform/base/Win32Types.h"

constexpr DWORD PAGE_READONLY = 0x02;
constexpr DWORD PAGE_READWRITE = 0x04;
constexpr DWORD FILE_MAP_COPY = 0x0001;
constexpr DWORD FILE_MAP_WRITE = 0x0002;
constexpr DWORD FILE_MAP_READ = 0x0004;
constexpr DWORD FILE_MAP_ALL_ACCESS = 0x000F001F;
constexpr DWORD ERROR_INVALID_ADDRESS = 487;
constexpr DWORD ERROR_MAPPED_ALIGNMENT = 1132;

// An existing name is opened (its size stays) and GetLastError is then
// ERROR_ALREADY_EXISTS; otherwise it is 0. Null on failure.
HANDLE CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES attributes, DWORD protect, DWORD sizeHigh, DWORD sizeLow,
                          LPCWSTR name);
// Null with ERROR_FILE_NOT_FOUND when no mapping has the name.
HANDLE OpenFileMappingW(DWORD access, BOOL inheritHandle, LPCWSTR name);
// A view from `offset` (a multiple of 65536) of `bytes` (0: to the end).
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
BOOL UnmapViewOfFile(LPCVOID address);

namespace platform {
// The POSIX shm name a mapping name has on the current machine.
std::string SharedMemoryName(const std::wstring& name);
// True when a mapping of that name exists on the current machine.
bool SharedMemoryExists(const std::wstring& name);
}  // namespace platform
