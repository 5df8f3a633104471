// The option and source tokens carried by the program's own file name.
#pragma once

#include <string>

// The running program's file name without folder and extension, in the OEM
// code page; `out` is assigned only when that name is not empty.
void GetExeBaseName(std::string& out);

// Splits a name such as "setup_abc_2024_web" at "_": the first piece is
// skipped, the pieces before the first number piece join (with "_") into the
// option, those after it into the source; number pieces themselves are
// dropped. Without a number piece (or with fewer than two pieces) neither
// output changes.
void ParseSetupFileName(const std::string& name, std::string& option, std::string& source);
