// What the fuzzers do with one input, shared with the test that replays the
// kept samples. Each target returns whether the input loaded or parsed, and
// aborts when an invariant breaks, so the fuzzer reports it as a crash.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fuzztargets {

// Loads the bytes as an XML document and exercises reads, writes, lists,
// tables, removal, copying and formatting on whatever tree results.
bool XmlLoad(const std::uint8_t* data, std::size_t size);

// Parses the bytes (up to the first NUL) as JSON, prints the tree both ways,
// checks that each print parses again, and walks it through CJsonObject.
bool JsonParse(const std::uint8_t* data, std::size_t size);

// Opens the bytes as a zip archive from memory, reads every entry's
// information and extracts each entry to memory (with and without a password).
bool ZipRead(const std::uint8_t* data, std::size_t size);

}  // namespace fuzztargets
