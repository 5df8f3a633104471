// libFuzzer entry for the download manifest parser.
#include "tests/download/fuzz/ManifestFuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzztargets::ManifestParse(data, size);
    return 0;
}
