// libFuzzer entry for the statistics upload's reply.
#include "tests/stats/fuzz/ReplyFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzztargets::StatsReply(data, size);
    return 0;
}
