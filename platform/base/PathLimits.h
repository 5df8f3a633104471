// Length limits that the Windows calls apply to full paths.
#pragma once

#include <cstddef>

namespace platform {
constexpr std::size_t kMaxPathChars = 260;       // files: MAX_PATH including the NUL
constexpr std::size_t kMaxDirectoryChars = 248;  // CreateDirectoryW leaves room for an 8.3 name
}  // namespace platform
