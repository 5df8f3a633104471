// The video controllers of the machine through WMI (Win32_VideoController).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/base/Win32Types.h"

// Name and driver version of one controller (either may be empty).
using VideoControllerRecord = std::pair<std::string, std::string>;

// Appends a record for every controller; the HRESULT of the first failing
// step, else S_OK. `impersonationLevel` is an RPC_C_IMP_LEVEL_ value.
HRESULT QueryVideoControllers(DWORD impersonationLevel, std::vector<VideoControllerRecord>& out);
// Empties `out`, then QueryVideoControllers(RPC_C_IMP_LEVEL_IMPERSONATE).
HRESULT GetVideoControllers(std::vector<VideoControllerRecord>& out);
