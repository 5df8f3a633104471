// The statistics service's answer to an upload.
#pragma once

#include <string>

// True only when `reply` (in mode 2 first decoded with the statistics
// alphabet) parses to an object whose "result" is an object whose "res" is
// the JSON boolean true. Any text, however malformed, is safe to pass.
bool IsStatsReplySuccess(const std::string& reply, int mode);
