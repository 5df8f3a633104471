// Case-insensitive comparisons of the C runtime (_wcsicmp and friends).
// Letters are folded as the file system folds names.
#pragma once

#include <cstddef>

int _wcsicmp(const wchar_t* a, const wchar_t* b);
int _wcsnicmp(const wchar_t* a, const wchar_t* b, std::size_t count);
int _stricmp(const char* a, const char* b);
int _strnicmp(const char* a, const char* b, std::size_t count);
