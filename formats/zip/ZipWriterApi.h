// The handle-based zip writer API over ZipWriter. Every call stores its
// result as the writer's last result (ZipFormatMessage with code 1).
// A null or closed handle gives ZR_ARGS, a reader handle ZR_ZMODE.
#pragma once

#include <cstdint>

#include "formats/zip/ZipResult.h"
#include "platform/base/Win32Types.h"

// A writer on a new file (created or truncated); null on failure.
HZIP ZipCreateFile(const wchar_t* path, const char* password);
// A writer on an open handle from its current position; the caller keeps the handle.
HZIP ZipCreateHandle(HANDLE file, const char* password);
// A writer on the caller's buffer, or (buffer null) on a new page-file
// mapping of `size` bytes.
HZIP ZipCreateMemory(void* buffer, DWORD size, const char* password);

ZRESULT ZipAddFile(HZIP zip, const wchar_t* name, const wchar_t* sourcePath);
// The handle's contents from its current position (to its end, or `length` bytes).
ZRESULT ZipAddHandle(HZIP zip, const wchar_t* name, HANDLE source);
ZRESULT ZipAddHandle(HZIP zip, const wchar_t* name, HANDLE source, DWORD length);
ZRESULT ZipAddMemory(HZIP zip, const wchar_t* name, const void* buffer, DWORD length);
ZRESULT ZipAddFolder(HZIP zip, const wchar_t* name);
// Memory writers: writes the central directory once and gives the archive's
// bytes (valid until ZipClose); ZR_NOTMMAP for other writers.
ZRESULT ZipGetMemory(HZIP zip, void** buffer, DWORD* length);
// Writes the central directory and end record (unless done), closes what the
// writer opened and frees the writer and the handle.
ZRESULT ZipClose(HZIP zip);
bool IsZipWriterHandle(HZIP zip);
