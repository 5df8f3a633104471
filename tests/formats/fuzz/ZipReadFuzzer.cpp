// libFuzzer entry for the zip reader (opening and extracting from memory).
#include "tests/formats/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzztargets::ZipRead(data, size);
    return 0;
}
