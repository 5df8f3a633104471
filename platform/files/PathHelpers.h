// Path helpers shaped like the shell's string routines (PathAppendW and
// friends). Pure string code with Windows semantics: "\" separators,
// MAX_PATH-sized buffers, nothing touches the file system.
#pragma once

#include "platform/base/Win32Types.h"

BOOL PathAppendW(LPWSTR path, LPCWSTR more);  // path buffer of MAX_PATH units
BOOL PathAppendA(LPSTR path, LPCSTR more);    // path buffer of MAX_PATH bytes
LPWSTR PathCombineW(LPWSTR destination, LPCWSTR folder, LPCWSTR file);
BOOL PathRemoveFileSpecW(LPWSTR path);
BOOL PathRemoveFileSpecA(LPSTR path);
LPWSTR PathFindFileNameW(LPCWSTR path);
LPWSTR PathFindExtensionW(LPCWSTR path);
void PathRemoveExtensionW(LPWSTR path);
LPWSTR PathAddBackslashW(LPWSTR path);
LPWSTR PathRemoveBackslashW(LPWSTR path);
BOOL PathIsRelativeW(LPCWSTR path);
void PathStripPathW(LPWSTR path);
BOOL PathCanonicalizeW(LPWSTR destination, LPCWSTR source);
void _wsplitpath(const wchar_t* path, wchar_t* drive, wchar_t* dir, wchar_t* fname, wchar_t* ext);
