// Safe relative names for extracted entries.
//
// A name is split at "\" and "/" into components; empty and "." components
// are dropped and ".." takes back the component before it. A name that is
// absolute (a leading separator), carries a drive or any ":", or climbs above
// its start is refused: it is never cut down into something that escapes.
#pragma once

#include <string>

// The normalised name joined with "\" (a trailing "\" kept for folders), or
// false for a name that would leave the folder it is extracted into.
bool NormaliseEntryName(const std::wstring& name, std::wstring* relative);

// A path beginning with "\" or "/" or a drive ("X:").
bool IsAbsoluteTarget(const std::wstring& path);
