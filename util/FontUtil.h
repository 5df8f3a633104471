// Font routines of the user interface.
#pragma once

#include <string>

// The face name the skinned controls use when none is configured.
std::wstring GetDefaultFontName();
