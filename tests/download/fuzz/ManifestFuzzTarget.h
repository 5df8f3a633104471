// What the manifest fuzzer does with one input, shared with the test that
// replays the kept samples: returns whether the manifest parsed, and aborts
// when a parsed config breaks an invariant.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzztargets {
bool ManifestParse(const std::uint8_t* data, std::size_t size);
}  // namespace fuzztargets
