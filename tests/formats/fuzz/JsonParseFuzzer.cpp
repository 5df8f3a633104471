// libFuzzer entry for the JSON parse.
#include "tests/formats/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzztargets::JsonParse(data, size);
    return 0;
}
