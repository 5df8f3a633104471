// The handle-based zip reader API over ZipReader. Every call stores its
// result as the reader's last result (ZipFormatMessageW with code 1).
// A null or closed handle gives ZR_ARGS, a writer handle ZR_ZMODE.
#pragma once

#include <atomic>

#include "formats/zip/ZipReader.h"
#include "formats/zip/ZipResult.h"

HZIP ZipOpenFile(const wchar_t* path, const char* password);
HZIP ZipOpenMemory(const void* buffer, DWORD length, const char* password);
// From the handle's current position; null (ZR_SEEK) when it cannot seek.
HZIP ZipOpenHandle(HANDLE handle, const char* password);

ZRESULT ZipGetItem(HZIP zip, int index, ZipEntryInfo* info);
// ZR_NOTFOUND with index -1 when no entry has the name.
ZRESULT ZipFindItem(HZIP zip, const wchar_t* name, bool ignoreCase, int* index, ZipEntryInfo* info);
ZRESULT ZipUnzipToFile(HZIP zip, int index, const wchar_t* target);
ZRESULT ZipUnzipToMemory(HZIP zip, int index, void* buffer, DWORD length, DWORD* produced = nullptr);
ZRESULT ZipUnzipToHandle(HZIP zip, int index, HANDLE file);
ZRESULT ZipSetBaseDir(HZIP zip, const wchar_t* folder);
// The flag that stops extractions to files of this reader (null: none).
ZRESULT ZipSetCancelFlag(HZIP zip, const std::atomic<int>* flag);
ZRESULT ZipCloseReader(HZIP zip);
bool IsZipReaderHandle(HZIP zip);
