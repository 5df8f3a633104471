// libFuzzer entry for the user-profile answer against a cached profile.
#include "tests/stats/fuzz/ReplyFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzztargets::ProfileReply(data, size);
    return 0;
}
