// Locale information: the English name of a language (GetLocaleInfoA with
// LOCALE_SENGLANGUAGE), answered from the machine model's user language.
#pragma once

#include "platform/base/Win32Types.h"

using LCID = DWORD;
using LCTYPE = DWORD;

inline constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
inline constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;
inline constexpr LCTYPE LOCALE_SENGLANGUAGE = 0x1001;

// Writes the value and its NUL into `buffer` and returns the characters
// written, NUL included; with `size` 0 returns the size needed. 0 with
// ERROR_INSUFFICIENT_BUFFER when the buffer is too small, ERROR_INVALID_FLAGS
// for an unknown type.
int GetLocaleInfoA(LCID locale, LCTYPE type, LPSTR buffer, int size);
