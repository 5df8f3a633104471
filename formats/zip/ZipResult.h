// Result codes of the zip writer and reader, their texts, and the zip handle
// record that both hand out.
//
// Every entry point of the writer stores its result as the writer's
// process-wide last result, every entry point of the reader as the reader's;
// code ZR_RECENT (1) asks the message routines for that last result.
#pragma once

#include <cstddef>
#include <string>

#include "platform/base/Win32Types.h"

using ZRESULT = DWORD;

constexpr ZRESULT ZR_OK = 0;
constexpr ZRESULT ZR_RECENT = 1;
// Errors of the system or the archive.
constexpr ZRESULT ZR_NODUPH = 0x100;
constexpr ZRESULT ZR_NOFILE = 0x200;
constexpr ZRESULT ZR_NOALLOC = 0x300;
constexpr ZRESULT ZR_WRITE = 0x400;
constexpr ZRESULT ZR_NOTFOUND = 0x500;
constexpr ZRESULT ZR_MORE = 0x600;
constexpr ZRESULT ZR_CORRUPT = 0x700;
constexpr ZRESULT ZR_READ = 0x800;
constexpr ZRESULT ZR_UNSAFENAME = 0x900;  // the entry would land outside the base folder
constexpr ZRESULT ZR_CANCELLED = 0xA00;   // the caller's cancel flag stopped the extraction
constexpr ZRESULT ZR_PASSWORD = 0x1000;
// Errors of the caller.
constexpr ZRESULT ZR_ARGS = 0x10000;
constexpr ZRESULT ZR_NOTMMAP = 0x20000;
constexpr ZRESULT ZR_MEMSIZE = 0x30000;
constexpr ZRESULT ZR_FAILED = 0x40000;
constexpr ZRESULT ZR_ENDED = 0x50000;
constexpr ZRESULT ZR_MISSIZE = 0x60000;
constexpr ZRESULT ZR_PARTIALUNZ = 0x70000;
constexpr ZRESULT ZR_ZMODE = 0x80000;
// An entry or the archive would reach 4 GiB, which needs 64-bit extensions
// that this writer does not produce.
constexpr ZRESULT ZR_TOOLARGE = 0x90000;
// Internal errors.
constexpr ZRESULT ZR_NOTINITED = 0x1000000;
constexpr ZRESULT ZR_SEEK = 0x2000000;
constexpr ZRESULT ZR_NOCHANGE = 0x4000000;
constexpr ZRESULT ZR_FLATE = 0x5000000;

// The text of a code ("unknown zip result code" for any other).
const char* ZipResultText(ZRESULT code);

// The writer's and the reader's last results.
ZRESULT ZipLastWriterResult();
ZRESULT ZipLastReaderResult();
ZRESULT ZipSetWriterResult(ZRESULT code);  // stores and returns `code`
ZRESULT ZipSetReaderResult(ZRESULT code);

// Copies the code's text (1: the writer's last result), cut to size - 1
// characters and a NUL when a buffer is given; returns the text's full length.
unsigned ZipFormatMessage(ZRESULT code, char* buffer, unsigned size);
// The same for wide buffers, with code 1 standing for the reader's last result.
unsigned ZipFormatMessageW(ZRESULT code, wchar_t* buffer, unsigned size);

// The handle record shared by the writer and the reader.
constexpr int ZIP_HANDLE_READER = 1;
constexpr int ZIP_HANDLE_WRITER = 2;
struct ZipHandleRecord {
    int kind;
    void* object;
};
using HZIP = ZipHandleRecord*;

// Live handles: a handle is known from its creation until it is closed, so a
// call with a handle that was already closed is refused instead of reaching
// freed memory. Lookup gives the object, or null with the result code to
// return (ZR_ARGS for a null or unknown handle, ZR_ZMODE for the other kind).
HZIP ZipRegisterHandle(int kind, void* object);
void* ZipLookupHandle(HZIP handle, int kind, ZRESULT* error);
// Forgets the handle and frees its record; the object is the caller's.
void ZipUnregisterHandle(HZIP handle);
