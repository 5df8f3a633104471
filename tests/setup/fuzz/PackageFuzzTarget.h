// The body of the package-file fuzzer, also run over the kept samples by
// setup_tests. The input is a whole package file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzztargets {

// Reads the record and checks the package; true when the package verifies.
// Aborts when a routine contradicts another (a record that reads but whose
// regions were not checked, a check that disagrees with the verification).
bool PackageFile(const std::uint8_t* data, std::size_t size);

}  // namespace fuzztargets
