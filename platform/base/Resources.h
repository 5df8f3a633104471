// The program's embedded resources: a table from (type, name) to bytes that
// the resources/ library fills at static initialisation. Names and types are
// integer ids (MAKEINTRESOURCEW) or strings, matched without regard to case.
// Tests replace or remove entries for the life of the current machine.
#pragma once

#include <string>

#include "platform/base/Win32Types.h"

inline LPCWSTR RT_BITMAP() { return MAKEINTRESOURCEW(2); }
inline LPCWSTR RT_ICON() { return MAKEINTRESOURCEW(3); }
inline LPCWSTR RT_DIALOG() { return MAKEINTRESOURCEW(5); }
inline LPCWSTR RT_STRING() { return MAKEINTRESOURCEW(6); }
inline LPCWSTR RT_RCDATA() { return MAKEINTRESOURCEW(10); }
inline LPCWSTR RT_GROUP_ICON() { return MAKEINTRESOURCEW(14); }

HMODULE GetModuleHandleW(LPCWSTR moduleName);
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
DWORD SizeofResource(HMODULE module, HRSRC resource);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL loaded);
// String-table entries; returns the characters copied (0 when missing).
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax);

namespace platform {

// Adds an entry to the built-in table (static initialisers of resources/).
void RegisterResource(LPCWSTR type, LPCWSTR name, std::string bytes);
void RegisterStringResource(UINT id, std::wstring text);

// Test switches: replace or hide an entry until ResetResourceOverrides (which
// a new ScopedMachine calls).
void OverrideResource(LPCWSTR type, LPCWSTR name, std::string bytes);
void RemoveResource(LPCWSTR type, LPCWSTR name);
void ResetResourceOverrides();

}  // namespace platform
