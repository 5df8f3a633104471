// What the reply fuzzers do with one input, shared with the test that
// replays the kept samples. Each target returns whether the reply was
// accepted, and aborts when an invariant breaks, so the fuzzer reports it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzztargets {

// The bytes as a statistics upload's reply: judged in the plain mode, then
// encoded with the statistics alphabet and judged in mode 2 (same verdict),
// and as they stand in mode 2 (the verdict of their decoded text). Returns
// the plain verdict.
bool StatsReply(const std::uint8_t* data, std::size_t size);

// The bytes as a user-profile answer and a cached profile: the first byte
// picks the force flag and the day, the rest up to the first NUL is the
// answer and what follows it the cache. A refreshed cache must be current
// for the same answer on the same day. Returns whether the answer was
// accepted (kept or refreshed).
bool ProfileReply(const std::uint8_t* data, std::size_t size);

}  // namespace fuzztargets
