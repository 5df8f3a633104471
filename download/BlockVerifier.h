// BlockVerifier: the whole-file MD5 and the MD5 of every 1 MiB block from
// one pass over the bytes, fed in file order.
//
// Not thread-safe; one owner feeds it. No engine lock is needed: it holds
// only its own digests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "util/Md5.h"

class BlockVerifier {
public:
    explicit BlockVerifier(std::uint64_t blockSize);
    void Reset();
    // The next bytes of the file.
    void Feed(const unsigned char* bytes, std::size_t length);
    std::uint64_t Consumed() const { return m_consumed; }
    // Ends the pass: the whole digest and the last (short) block's digest.
    void Finish();
    const std::string& Whole() const { return m_whole; }  // 32 upper-case hex digits
    const std::vector<std::string>& Blocks() const { return m_blocks; }

private:
    std::uint64_t m_blockSize;
    std::uint64_t m_consumed = 0;
    std::uint64_t m_inBlock = 0;
    Md5::Context m_wholeContext{};
    Md5::Context m_blockContext{};
    std::string m_whole;
    std::vector<std::string> m_blocks;
};

// The digests of a file by its ANSI path; false when it cannot be opened or read.
bool DigestFileBlocks(const std::string& ansiPath, BlockVerifier* verifier);
