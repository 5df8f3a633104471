// Conversions between the four text forms the program uses: wide strings
// (UTF-16 units), the ANSI code page, the OEM code page and UTF-8.
//
// The code-page routines run through MultiByteToWideChar / WideCharToMultiByte
// with flags 0; "NUL-terminated" forms stop at the first NUL, "counted" forms
// keep inner NULs. A failed system conversion yields an empty result; nothing
// here throws or reports an error.
//
// UTF-8 is computed here rather than by the system: a surrogate pair becomes
// one four-byte sequence and back, and a lone surrogate becomes U+FFFD, so the
// output is always valid UTF-8.
#pragma once

#include <string>

#include "platform/files/FileSystem.h"
#include "platform/base/Win32Types.h"

// ANSI code page to wide, NUL-terminated. AnsiStringToWide is the same routine.
void AnsiToWide(std::string text, std::wstring& out);
void AnsiStringToWide(std::string text, std::wstring& out);
std::wstring ToWideString(const std::string& text);

// Wide to the OEM code page, NUL-terminated.
std::string WideCharsToOem(const wchar_t* text);
void WideToOem(std::wstring text, std::string& out);
std::string ToOemString(const std::wstring& text);

// Wide to the ANSI code page, NUL-terminated.
std::string WideCharsToAnsi(const wchar_t* text);
void WideStringToAnsi(std::wstring text, std::string& out);

// Counted ANSI conversions (inner NULs survive).
std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWideCounted(const std::string& text);

// Lenient UTF-8: the decoder accepts what it can and never reads past the
// text; a byte that starts no sequence, a sequence cut off by the end and a
// value beyond U+10FFFF each become U+FFFD.
std::string WideToUtf8Text(const std::wstring& text);
std::wstring Utf8TextToWide(const std::string& text);
std::string Utf8TextToAnsi(const std::string& text);
std::string AnsiTextToUtf8(const std::string& text);

// Strict UTF-8: Utf8ToWide validates the whole text first (IsValidUtf8) and
// gives an empty string for any malformed input.
std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

std::string WideToAnsiString(const std::wstring& text);
std::wstring AnsiToWideString(const std::string& text);
std::string Utf8ToAnsi(const std::string& text);
std::string AnsiToUtf8(const std::string& text);

// The C runtime's multi-byte conversions in the current C locale; empty when
// the text does not convert. Code points beyond the BMP travel as surrogate
// pairs in the wide form.
std::wstring MultiByteToWideCrt(const std::string& text);
std::string WideToMultiByteCrt(const std::wstring& text);

// File-system calls on UTF-8 paths: the path goes through Utf8ToWide, so a
// malformed path names no file and the call fails.
BOOL CreateDirectoryUtf8(const char* path, LPSECURITY_ATTRIBUTES attributes);
DWORD GetFileAttributesUtf8(const char* path);
HANDLE CreateFileUtf8(const char* path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES attributes, DWORD creation,
                      DWORD flags, HANDLE templateFile);
