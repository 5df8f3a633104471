// Shell folders the program writes into, path joining, embedded resources and
// free disk space. Paths are wide Windows paths of at most MAX_PATH characters.
#pragma once

#include <cstdint>
#include <string>

// Documents folder + sub-path (created when `create`), then + file name when given.
std::wstring GetDocumentsSubPath(const wchar_t* subPath, const wchar_t* fileName, bool create);
// The same below "Downloads" in the parent of the Documents folder.
std::wstring GetDownloadsSubPath(const wchar_t* subPath, const wchar_t* fileName, bool create);
// Folder into a MAX_PATH buffer; GetDocumentsFolder returns 1, GetAppDataFolder 0 on failure.
int GetDocumentsFolder(wchar_t* buffer);
int GetAppDataFolder(wchar_t* buffer);
// Program Files for the product's bitness + folder name (see the .cpp).
int MakeProgramFilesPath(wchar_t* buffer, const wchar_t* folderName, bool create, bool is64Bit);
// System32 (or SysWOW64 on a 64-bit system when `x86` is set).
std::wstring GetSystemFolder(bool x86);
std::wstring JoinPath(const std::wstring& first, const std::wstring& second);
std::string JoinPathA(const std::string& first, const std::string& second);
// The resource's bytes up to its first NUL; false (out unchanged) when missing or empty.
bool LoadResourceData(int id, const wchar_t* type, std::string& out);
// Free megabytes of the volume on the drive letter; 0 when it has none.
std::uint64_t GetDiskFreeMB(char driveLetter);
