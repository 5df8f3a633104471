// Known folders of the user and the machine, shaped like SHGetFolderPathW.
// The folders come from the machine model (C:\Users\<user>\..., Program Files
// for the process's bitness, the system folders).
#pragma once

#include "platform/base/Win32Types.h"

constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_STARTUP = 0x0007;
constexpr int CSIDL_STARTMENU = 0x000b;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_COMMON_STARTMENU = 0x0016;
constexpr int CSIDL_COMMON_PROGRAMS = 0x0017;
constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 0x0019;
constexpr int CSIDL_APPDATA = 0x001a;
constexpr int CSIDL_LOCAL_APPDATA = 0x001c;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_WINDOWS = 0x0024;
constexpr int CSIDL_SYSTEM = 0x0025;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;
constexpr int CSIDL_PROFILE = 0x0028;
constexpr int CSIDL_SYSTEMX86 = 0x0029;
constexpr int CSIDL_PROGRAM_FILESX86 = 0x002a;
constexpr int CSIDL_COMMON_DOCUMENTS = 0x002e;
constexpr int CSIDL_FLAG_CREATE = 0x8000;
constexpr DWORD SHGFP_TYPE_CURRENT = 0;

// An item list stands for a folder path; free it with CoTaskMemFree.
struct ITEMIDLIST;
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
using PIDLIST_ABSOLUTE = ITEMIDLIST*;

HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path);
HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);
BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int folder, BOOL create);
HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list);
BOOL SHGetPathFromIDListW(LPCITEMIDLIST list, LPWSTR path);
// The item list of a path (at most MAX_PATH - 1 characters; longer: null).
PIDLIST_ABSOLUTE ILCreateFromPathW(LPCWSTR path);
void CoTaskMemFree(LPVOID memory);
DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer);
UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);
