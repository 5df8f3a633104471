// TargetHasher: digests the download target while the parts still write it.
//
// In the background it carries the whole-file MD5 along the written prefix
// (the bytes from offset 0 with no gap) and digests every 1 MiB block as
// soon as all of its bytes are written, in whatever order that happens (a
// block inside the prefix is digested from the read the whole digest makes).
// The first finish test then reads only the blocks not digested yet, and
// completes the whole digest only when a block differs. Valid until the first finish
// test: before it no byte is written twice (every range starts where another
// stopped); repairs rewrite blocks, so later tests read the file afresh.
//
// Thread: any; its own lock serialises the steps and the finish calls. It
// never takes the engine lock; the caller hands it the written ranges.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "util/Md5.h"

class TargetFile;

class TargetHasher {
public:
    // [first, end) byte ranges, sorted by start and merged.
    using Ranges = std::vector<std::pair<std::uint64_t, std::uint64_t>>;
    static Ranges Merge(Ranges ranges);

    // Starts over for a file of `size` bytes in blocks of `blockSize`.
    void Reset(std::uint64_t size, std::uint64_t blockSize);
    // One piece of background work (at most one block's read); false when
    // the written ranges offer nothing new.
    bool Step(TargetFile& file, const Ranges& written);
    // Completes the whole-file digest (32 upper-case hex digits) over the
    // bytes not yet digested; the file may be shorter than `size`.
    std::string FinishWhole(TargetFile& file);
    // Digests of every block the file holds (the last one may be short),
    // reading the blocks not digested yet (several at once).
    std::vector<std::string> FinishBlocks(TargetFile& file);
    std::uint64_t WholeConsumed() const;

private:
    bool DigestBlock(TargetFile& file, std::size_t block);
    // Digests these blocks on a few threads at once (the caller holds m_lock).
    void DigestBlocks(TargetFile& file, const std::vector<std::size_t>& blocks);

    mutable std::mutex m_lock;
    std::uint64_t m_size = 0;
    std::uint64_t m_blockSize = 1;
    Md5::Context m_whole{};
    std::uint64_t m_wholeConsumed = 0;
    std::vector<std::string> m_blocks;  // "" for a block not digested yet
    std::size_t m_nextBlock = 0;        // where the search for a finished block resumes
    std::vector<unsigned char> m_buffer;
};

// 32 upper-case hex digits of a digest.
std::string DigestHex(const unsigned char digest[16]);
