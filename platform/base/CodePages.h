// Code-page conversions shaped like MultiByteToWideChar / WideCharToMultiByte.
//
// Conversions run through glibc's iconv. CP_ACP and CP_OEMCP follow the
// machine profile. A character the target code page cannot hold becomes the
// default character ("?"); malformed input becomes U+FFFD.
#pragma once

#include <string>

#include "platform/base/Win32Types.h"

constexpr UINT CP_ACP = 0;
constexpr UINT CP_OEMCP = 1;
constexpr UINT CP_UTF8 = 65001;
constexpr DWORD MB_ERR_INVALID_CHARS = 0x08;
constexpr DWORD WC_ERR_INVALID_CHARS = 0x80;

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR source, int sourceBytes, LPWSTR target, int targetUnits);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR source, int sourceUnits, LPSTR target, int targetBytes,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);
UINT GetACP();
UINT GetOEMCP();
BOOL IsDBCSLeadByte(BYTE testChar);
BOOL IsDBCSLeadByteEx(UINT codePage, BYTE testChar);
LPSTR CharNextA(LPCSTR current);

namespace platform {

// Exact UTF-16 <-> UTF-8 conversions for the layer's own use (host file names);
// surrogate pairs become one four-byte sequence.
std::string Utf16ToUtf8(const std::wstring& text);
std::wstring Utf8ToUtf16(const std::string& text);

// Text of a code page (CP_ACP, CP_OEMCP, ...) to wide and back, for the
// layer's narrow ("A") entry points; a null or empty text gives an empty one.
std::wstring CodePageToWide(UINT codePage, const char* text);
std::string WideToCodePage(UINT codePage, const std::wstring& text);

// iconv name of a Windows code page ("CP1252", "UTF-8", ...), empty when unknown.
std::string IconvNameOfCodePage(UINT codePage);

}  // namespace platform
