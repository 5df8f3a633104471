// The second utility library's path and file routines: 8-bit paths in the
// ANSI code page or (the *Utf8 forms) UTF-8, "/" preferred as the separator
// ("\" accepted on input). Fixed buffers hold MAX_PATH (260) bytes; a routine
// that joins two parts refuses a result of 260 characters or more instead of
// cutting it. Nothing is logged; nothing throws.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/base/Win32Types.h"

namespace libutilosm {

// Results of the delete and move routines.
constexpr int kFileOpDone = 0;
constexpr int kFileOpFailed = 1;
constexpr int kFileOpScheduled = 2;  // at the next restart

bool PathExists(const char* path);
bool CanOpenFile(const char* path);
bool IsFolder(const char* path);
bool IsAbsolutePath(const char* path);
// File name and extension (with its dot) into two 260-byte buffers; 0 on success.
int SplitNameAndExtension(const char* path, char* name, char* extension);
// The part up to and including the last separator ("/" when the path holds
// one, else "\"); copied when shorter than the buffer; its length either way.
int GetDirectoryPart(const char* path, char* buffer, int size);
// The part after the last "/", copied when it fits; its length either way.
int GetFileNamePart(const char* path, char* buffer, int size);
char GetNativeSeparator();
char GetPortableSeparator();
int BackslashesToSlashes(char* text);
int SlashesToBackslashes(char* text);
// "/" to "\"; the number of replacements.
int ToBackslashes(std::string& text);
std::string ToForwardSlashes(const std::string& text);
std::string& AppendPathPart(std::string& path, const std::string& part);

bool CreateFolder(const char* path);
bool CreateFolderUtf8(const char* path);
// Creates the prefix before every separator; a last component without a
// trailing separator is not created. False for paths over 260 characters.
bool CreateFolderPath(const char* path);
bool CreateFolderPathUtf8(const char* path);
// A new, empty folder in the temporary folder ("/"-separated, ending in "/"),
// created atomically under a fresh name. The buffer holds 260 bytes.
bool MakeTempFolder(char* buffer);
// "C:/" and, when the Documents folder is known, "<Documents>/<name>/".
void GetDocumentsDataFolder(const char* name, char* buffer);

bool GetModuleFileNameSlashes(HMODULE module, char* buffer, int size);
bool GetModuleDirectory(char* buffer, int size);
bool GetModulePathUtf8(char* buffer, int size);
bool GetModuleDirectoryUtf8Buffer(char* buffer, int size);
bool GetModuleDirectoryUtf8(std::string& out);
void SplitFileNameUtf8(const std::string& path, std::string* name, std::string* folder);
std::string GetExtensionUtf8(const std::string& path);
std::string GetStemUtf8(const std::string& path);
FILE* OpenFileUtf8(const char* path, const char* mode);
// All ones when the file cannot be opened.
DWORD GetFileSize32(const char* path);
std::uint64_t GetFileSize64(const char* path);
std::uint64_t GetFileSize64Utf8(const char* path);
std::int64_t GetFilePosition(HANDLE file);
bool SetFilePosition(HANDLE file, std::int64_t position);
int GetLongPathA(const char* path, char* buffer, int size);
bool WriteBufferToFile(const void* data, std::size_t size, const char* path);
// Names matching a wildcard pattern; with `fullPath` joined to the pattern's folder, "\"-separated.
int ListMatchingFiles(const char* pattern, std::vector<std::string>& out, bool fullPath);

// Tree walks over folders ending in "/". Links are never followed: a link
// is removed itself, never copied through and never descended into.
bool CopyFolderTree(const char* source, const char* target, bool filesOnly);
// Mode 0: files and folders; 1: files only; 2: folders only (which then
// remain where they still hold files).
bool RemoveTree(const char* folder, int mode);
bool RemoveTreeUtf8(const char* folder, int mode);
bool IsTreeWithoutFiles(const char* folder);

// Outside the NT family the ANSI forms record what they cannot do now in
// wininit.ini's [rename] section (2 when recorded).
int DeleteFileOrSchedule(const char* path);
int DeleteFileOrScheduleW(const wchar_t* path);
int DeleteFileOrScheduleUtf8(const char* path);
int MoveFileOrSchedule(const char* from, const char* to);
int MoveFileOrScheduleW(const wchar_t* from, const wchar_t* to);
int MoveFileOrScheduleUtf8(const char* from, const char* to);

// 0 for a DVD folder (VIDEO_TS), 2 for a Blu-ray folder (BDMV), -1 otherwise;
// see the source for the path changes. `path` holds 260 bytes.
int DetectDiscFolder(char* path, bool cut, char* name);

// "%d.%d.%d.%d" of the file version in the file's version resource; false
// (and an empty buffer) when it has none or the text does not fit.
bool GetFileVersionText(const char* path, char* buffer, int size);
// The machine's MAC identity text; false (and an empty buffer) when it is
// empty or does not fit in `size` bytes.
bool GetMacTextA(char* buffer, int size = MAX_PATH);

}  // namespace libutilosm
