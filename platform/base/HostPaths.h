// Mapping between the Windows-form paths the system holds and host paths.
//
// Drive letters map to folders of the current machine (Z: is the host root).
// Either separator is accepted; "." and ".." are resolved as Windows does, and
// names are matched case-insensitively against the host's case-sensitive
// folders, so "c:\users\USER\documents" finds "C:\Users\User\Documents".
#pragma once

#include <optional>
#include <string>

namespace platform {

// Absolute form with "\" separators, "." and ".." resolved and trailing dots
// and blanks of each name dropped; a relative path is taken against the
// process's current folder. Empty for a path that names no drive (UNC, also
// in its "\\?\UNC\" form, or "").
std::wstring FullWindowsPath(const std::wstring& path);

// Host path of a Windows path; nullopt when its drive does not exist or a
// name of it cannot be a Windows name (see IsWindowsName).
std::optional<std::string> ToHostPath(const std::wstring& windowsPath);

// Windows form of a host path: inside a drive folder of the machine as that
// drive, anything else through Z:.
std::wstring FromHostPath(const std::string& hostPath);

// True when `name` (one path component) can exist on Windows: no control
// characters or any of \ / : * ? " < > |, no trailing dot or blank, not a
// device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an
// extension). "." and ".." are not names.
bool IsWindowsName(const std::wstring& name);
// True when every name of a full Windows path (as FullWindowsPath gives it) is a Windows name.
bool HasOnlyWindowsNames(const std::wstring& fullPath);

// Case-insensitive comparison of two names (ASCII, Latin-1, Greek and Cyrillic letters).
bool NamesEqualNoCase(const std::wstring& a, const std::wstring& b);
wchar_t FoldCase(wchar_t c);

}  // namespace platform
