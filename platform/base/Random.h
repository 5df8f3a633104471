// Cryptographic random bytes, shaped like BCryptGenRandom with the system's
// preferred generator (the host kernel's random source).
#pragma once

#include "platform/base/Win32Types.h"

using NTSTATUS = LONG;
using BCRYPT_ALG_HANDLE = void*;
constexpr NTSTATUS STATUS_SUCCESS = 0;
constexpr NTSTATUS STATUS_INVALID_PARAMETER = static_cast<NTSTATUS>(0xC000000Du);
constexpr NTSTATUS STATUS_UNSUCCESSFUL = static_cast<NTSTATUS>(0xC0000001u);
constexpr ULONG BCRYPT_USE_SYSTEM_PREFERRED_RNG = 0x00000002;

// Only the system-preferred generator exists: `algorithm` must be null and
// `flags` BCRYPT_USE_SYSTEM_PREFERRED_RNG.
NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, BYTE* buffer, ULONG length, ULONG flags);
