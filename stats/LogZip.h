// The zip of the logs that failure documents carry.
#pragma once

#include <string>

// Packs "devcon.log" of the temporary folder and the install log at `logPath`
// (OEM code page) into the log path with its ".log" replaced by ".zip"; a
// missing file is left out. Returns the zip's path ("" when none was made).
std::string MakeStatsLogZip(const std::string& logPath);
