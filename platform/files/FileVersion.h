// File version resources, shaped like VERSION.dll's GetFileVersionInfoSizeA /
// GetFileVersionInfoA / VerQueryValueA and their wide forms.
//
// The version block is the RT_VERSION resource of a PE image (32- or 64-bit),
// found through the image's resource directory. Files that are no PE image,
// or carry no version resource, fail with ERROR_RESOURCE_TYPE_NOT_FOUND
// (ERROR_FILE_NOT_FOUND when they do not open). VerQueryValue answers the root
// block "\" (the VS_FIXEDFILEINFO); the string and translation tables are not
// read.
#pragma once

#include "platform/base/Win32Types.h"

struct VS_FIXEDFILEINFO {
    DWORD dwSignature;  // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BDu;

// Size of the version block, 0 on failure. `handle` is set to 0.
DWORD GetFileVersionInfoSizeW(LPCWSTR path, LPDWORD handle);
DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle);
// Copies at most `size` bytes of the version block into `data`.
BOOL GetFileVersionInfoW(LPCWSTR path, DWORD handle, DWORD size, LPVOID data);
BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID data);
// `subBlock` "\" points `*value` at the block's VS_FIXEDFILEINFO.
BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* value, UINT* length);
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* value, UINT* length);
