// The packing step: builds a package file from an uninstaller image, a 7z
// payload and a record with the product's texts. Layout: a 64-byte head
// (the record's offset at byte 32), the record, the uninstaller image, then
// the payload. The record's offsets, sizes and uninstaller digest are
// filled in here; its texts are the caller's.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/base/Win32Types.h"
#include "setup/SetupInfoBlock.h"

constexpr std::int64_t kPackageHeadSize = 64;

// E_POINTER for a null path; E_FAIL when the payload cannot be read or the
// package cannot be written (a partly written package is removed).
HRESULT PackPackage(const wchar_t* packagePath, const std::vector<unsigned char>& uninstaller,
                    const wchar_t* payloadPath, SetupInfoBlock record);
