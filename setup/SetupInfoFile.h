// The record's file routines. A package file holds, at file offset 32, the
// 64-bit offset of its SetupInfoBlock, which locates the uninstaller image
// and the 7z payload. Package files are untrusted: every offset and size is
// checked against the file's length (negative values and overflow refused)
// before anything is read or allocated.
#pragma once

#include <cstdint>

#include "platform/base/Win32Types.h"
#include "setup/SetupInfoBlock.h"

constexpr std::int64_t kRecordOffsetPosition = 32;

// True when [offset, offset + size) lies inside a file of `length` bytes.
bool RegionInsideFile(std::int64_t offset, std::int64_t size, std::uint64_t length);

// The package's record. E_POINTER for a null path; E_FAIL when the file
// cannot be opened or read or the record does not lie wholly inside it.
HRESULT ReadPackageInfo(const wchar_t* packagePath, SetupInfoBlock& record);
// Bytes 0-4095 of a record file. E_FAIL when it cannot be opened or is shorter.
HRESULT ReadInfoFile(const wchar_t* path, SetupInfoBlock& record);
// Writes the record as the whole file (folders created, a file replaced).
HRESULT WriteInfoFile(const wchar_t* path, const SetupInfoBlock& record);
// True when the uninstaller image lies inside the package and its MD5 equals
// the record's digest. The image is digested in chunks, never held whole.
bool VerifyPackage(const wchar_t* packagePath);
// 1 when VerifyPackage passes; otherwise a message box tells the user to
// download again, and 0.
int CheckPackage(const wchar_t* packagePath);
