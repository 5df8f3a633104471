// The registry, shaped like the ADVAPI32 registry calls.
//
// Keys live in a persistent store of the current machine (see RegistryStore.h):
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER are one hive file each, and
// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes. Key and value
// names are case-insensitive and case-preserving; the empty value name is the
// key's default value.
//
// As on Windows:
// - A 32-bit process on a 64-bit system sees HKLM\SOFTWARE\<x> as
//   HKLM\SOFTWARE\WOW6432Node\<x> unless it asks for KEY_WOW64_64KEY;
//   KEY_WOW64_32KEY asks for the 32-bit view from a 64-bit process.
//   SOFTWARE\Classes is shared by both views.
// - Without elevation (machine profile) HKLM grants read access only: an open
//   or create that asks for write access, and every write, fails with
//   ERROR_ACCESS_DENIED. RegOpenKeyA/RegCreateKeyA ask for the most allowed.
// - Deleting a key that has sub-keys fails with ERROR_ACCESS_DENIED.
// - The A calls convert names and string data (REG_SZ, REG_EXPAND_SZ,
//   REG_MULTI_SZ) through the ANSI code page; sizes are those of the converted
//   bytes. A buffer too small gives ERROR_MORE_DATA with the needed size and no
//   data; no terminator is added to data stored without one.
// - The W calls count string data in bytes of wchar_t memory
//   (sizeof(wchar_t) per UTF-16 unit), as callers compute it on this system.
#pragma once

#include "platform/files/FileSystem.h"
#include "platform/base/Win32Types.h"

using REGSAM = DWORD;
using PHKEY = HKEY*;

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u)))

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM DELETE = 0x00010000;
constexpr REGSAM READ_CONTROL = 0x00020000;
constexpr REGSAM WRITE_DAC = 0x00040000;
constexpr REGSAM WRITE_OWNER = 0x00080000;
constexpr REGSAM MAXIMUM_ALLOWED = 0x02000000;
constexpr REGSAM KEY_READ = 0x00020019;
constexpr REGSAM KEY_WRITE = 0x00020006;
constexpr REGSAM KEY_EXECUTE = 0x00020019;
constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr DWORD ERROR_KEY_DELETED = 1018;
constexpr DWORD ERROR_BADKEY = 1010;

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result);
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR className, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR className, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG RegCloseKey(HKEY key);

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataSize);
// Default value of a sub-key (created by the setter); REG_SZ only. The setter
// stores the text with its terminator whatever size it is given.
LONG RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD dataSize);
LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, LONG* dataSize);

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);
LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM access, DWORD reserved);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);
LONG RegDeleteValueW(HKEY key, LPCWSTR valueName);

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize);
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR className,
                   LPDWORD classSize, FILETIME* lastWrite);
LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved, LPWSTR className,
                   LPDWORD classSize, FILETIME* lastWrite);
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize);
LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize);
// Sub-key and value counts and the longest names (characters, without the
// terminator) and data (bytes); the class is always empty.
LONG RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                      LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength,
                      LPDWORD maxValueLength, LPDWORD securityDescriptor, FILETIME* lastWrite);

namespace platform {

// Tests: called each time the store has flushed the folder of a hive it
// renamed a new file into, with the folder's open descriptor and fsync's
// result (0, or -1 with errno set). Null, the default, calls nothing.
using RegistryFolderSyncHook = void (*)(int folderDescriptor, int fsyncResult);
void SetRegistryFolderSyncHook(RegistryFolderSyncHook hook);

}  // namespace platform
