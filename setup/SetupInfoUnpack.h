// The unpack step of a local package: reads the package's record, extracts
// its 7z payload into the install folder through the 7z front-end, writes
// the uninstaller image as "uninstall.exe" and the record beside it as
// "uninstall.exe.bin". The package is untrusted: every region is checked
// against the file's length before anything is allocated or read.
//
// Events through the callback (when set): (0, 0) at the start, (2, 10002)
// when the install folder is missing, (2, 10001) on every other failure,
// (1, 0) on success; the front-end's 100 (progress) and 101 (status) arrive
// in between. The last error and the install folder are kept process-wide
// (SetupInfoErrors.h).
#pragma once

#include <cstdint>

#include "platform/base/Win32Types.h"
#include "util/EventCallback.h"

// Payloads up to this size are read into memory; larger ones are copied to a
// temporary archive in chunks of kUnpackCopyChunk bytes.
constexpr std::int64_t kUnpackMemoryLimit = 524288000;
constexpr std::int64_t kUnpackCopyChunk = 10485760;

// S_OK, E_POINTER for a null package path, E_FAIL for every other failure.
// A null install folder means Program Files + the record's folder name.
HRESULT UnpackPackage(const wchar_t* packagePath, EventCallback callback, const wchar_t* installFolder,
                      bool removeTempFolder, bool writeUninstaller);

// The same with another memory limit, so that tests reach the copying road
// with a small payload.
HRESULT UnpackPackageWithLimit(const wchar_t* packagePath, EventCallback callback, const wchar_t* installFolder,
                               bool removeTempFolder, bool writeUninstaller, std::int64_t memoryLimit);
