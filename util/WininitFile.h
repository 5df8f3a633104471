// The restart-time operations of the Windows 95/98/ME family: lines of the
// "[rename]" section of wininit.ini in the Windows folder, which the system
// carries out at its next start ("NUL=<path>" deletes, "<new>=<old>" moves).
#pragma once

#include <string>

namespace libutilosm {

// Path of wininit.ini in the Windows folder ("\"-separated), empty when unknown.
std::string GetWininitPath();
// True when the machine is not of the NT family (the road these lines serve).
bool IsOutsideNtFamily();
// Records "<target>=<source>" in the [rename] section, creating the section
// when the file has none; false when the file cannot be read or written.
bool AddWininitRename(const std::string& target, const std::string& source);

}  // namespace libutilosm
