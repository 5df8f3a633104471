// libFuzzer program over ReadPackageInfo, VerifyPackage and CheckPackage
// (scripts/fuzz.sh builds and runs it).
#include <cstddef>
#include <cstdint>

#include "tests/setup/fuzz/PackageFuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzztargets::PackageFile(data, size);
    return 0;
}
