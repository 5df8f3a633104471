// libFuzzer entry for the XML document load.
#include "tests/formats/fuzz/FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzztargets::XmlLoad(data, size);
    return 0;
}
