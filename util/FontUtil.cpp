#include "util/FontUtil.h"

std::wstring GetDefaultFontName() { return L"ArialMT"; }
