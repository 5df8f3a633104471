#include "download/TargetHasher.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

#include "download/TargetFile.h"

namespace {
constexpr std::size_t kReadPiece = 1u << 20;
// Threads that digest the blocks left at the finish test.
constexpr std::size_t kMaxFinishThreads = 4;
}  // namespace

std::string DigestHex(const unsigned char digest[16]) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(32, '0');
    for (int i = 0; i < 16; ++i) {
        text[2 * i] = kDigits[digest[i] >> 4];
        text[2 * i + 1] = kDigits[digest[i] & 15];
    }
    return text;
}

TargetHasher::Ranges TargetHasher::Merge(Ranges ranges) {
    std::sort(ranges.begin(), ranges.end());
    Ranges merged;
    for (const auto& range : ranges) {
        if (range.second <= range.first) continue;
        if (!merged.empty() && range.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, range.second);
        else merged.push_back(range);
    }
    return merged;
}

void TargetHasher::Reset(std::uint64_t size, std::uint64_t blockSize) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_size = size;
    m_blockSize = blockSize ? blockSize : 1;
    Md5::Init(m_whole);
    m_wholeConsumed = 0;
    m_blocks.assign(static_cast<std::size_t>((size + m_blockSize - 1) / m_blockSize), std::string());
    m_nextBlock = 0;
    m_buffer.resize(kReadPiece);
}

std::uint64_t TargetHasher::WholeConsumed() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_wholeConsumed;
}

namespace {
// MD5 of file bytes [start, end) read through `buffer`; "" when the file
// holds none of them (it ends before `start`).
std::string DigestRange(TargetFile& file, std::uint64_t start, std::uint64_t end, std::vector<unsigned char>& buffer) {
    Md5::Context context;
    Md5::Init(context);
    std::uint64_t at = start;
    while (at < end) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(end - at, buffer.size()));
        const std::size_t got = file.ReadAt(at, buffer.data(), want);
        Md5::Update(context, buffer.data(), got);
        at += got;
        if (got < want) break;
    }
    if (at == start) return std::string();
    unsigned char digest[16];
    Md5::Final(context, digest);
    return DigestHex(digest);
}
}  // namespace

bool TargetHasher::DigestBlock(TargetFile& file, std::size_t block) {
    const std::uint64_t start = static_cast<std::uint64_t>(block) * m_blockSize;
    m_blocks[block] = DigestRange(file, start, std::min(m_size, start + m_blockSize), m_buffer);
    return !m_blocks[block].empty();
}

void TargetHasher::DigestBlocks(TargetFile& file, const std::vector<std::size_t>& blocks) {
    // The blocks are independent: a few threads share them, each with its
    // own buffer; each thread writes only the entries it took.
    const unsigned hardware = std::thread::hardware_concurrency();
    const std::size_t wanted = std::min<std::size_t>({blocks.size(), hardware ? hardware : 1, kMaxFinishThreads});
    std::atomic<std::size_t> next{0};
    auto work = [&](std::vector<unsigned char>& buffer) {
        for (std::size_t i = next++; i < blocks.size(); i = next++) {
            const std::uint64_t start = static_cast<std::uint64_t>(blocks[i]) * m_blockSize;
            m_blocks[blocks[i]] = DigestRange(file, start, std::min(m_size, start + m_blockSize), buffer);
        }
    };
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < wanted; ++i) {
        try {
            helpers.emplace_back([&work] {
                std::vector<unsigned char> buffer(kReadPiece);
                work(buffer);
            });
        } catch (const std::exception&) {
            break;  // fewer helpers; this thread does the rest
        }
    }
    work(m_buffer);
    for (std::thread& helper : helpers) helper.join();
}

bool TargetHasher::Step(TargetFile& file, const Ranges& written) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_buffer.empty()) return false;
    // Blocks first: the finish test needs them, and the whole digest only
    // when a block differs.
    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
        const std::size_t block = (m_nextBlock + i) % m_blocks.size();
        if (!m_blocks[block].empty()) continue;
        const std::uint64_t start = static_cast<std::uint64_t>(block) * m_blockSize;
        const std::uint64_t end = std::min(m_size, start + m_blockSize);
        const bool covered = std::any_of(written.begin(), written.end(), [&](const auto& range) {
            return range.first <= start && range.second >= end;
        });
        if (!covered) continue;
        m_nextBlock = block + 1;
        return DigestBlock(file, block);
    }
    // Then the whole digest along the written prefix.
    const std::uint64_t prefix = !written.empty() && written.front().first == 0 ? written.front().second : 0;
    if (prefix > m_wholeConsumed) {
        // Reads end at block boundaries, so that a block read whole for the
        // whole digest gets its own digest from the same bytes.
        const std::uint64_t blockEnd = (m_wholeConsumed / m_blockSize + 1) * m_blockSize;
        const std::uint64_t until = std::min({prefix, blockEnd, m_wholeConsumed + m_buffer.size()});
        const std::size_t want = static_cast<std::size_t>(until - m_wholeConsumed);
        const std::size_t got = file.ReadAt(m_wholeConsumed, m_buffer.data(), want);
        if (got == 0) return false;
        const std::size_t block = static_cast<std::size_t>(m_wholeConsumed / m_blockSize);
        const std::uint64_t blockStart = static_cast<std::uint64_t>(block) * m_blockSize;
        const std::uint64_t blockLast = std::min(m_size, blockStart + m_blockSize);
        if (m_wholeConsumed == blockStart && m_wholeConsumed + got == blockLast && block < m_blocks.size() &&
            m_blocks[block].empty()) {
            Md5::Context context;
            Md5::Init(context);
            Md5::Update(context, m_buffer.data(), got);
            unsigned char digest[16];
            Md5::Final(context, digest);
            m_blocks[block] = DigestHex(digest);
        }
        Md5::Update(m_whole, m_buffer.data(), got);
        m_wholeConsumed += got;
        return true;
    }
    return false;
}

std::string TargetHasher::FinishWhole(TargetFile& file) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_buffer.empty()) m_buffer.resize(kReadPiece);
    while (m_wholeConsumed < m_size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(m_size - m_wholeConsumed, m_buffer.size()));
        const std::size_t got = file.ReadAt(m_wholeConsumed, m_buffer.data(), want);
        Md5::Update(m_whole, m_buffer.data(), got);
        m_wholeConsumed += got;
        if (got < want) break;  // a short file
    }
    Md5::Context copy = m_whole;
    unsigned char digest[16];
    Md5::Final(copy, digest);
    return DigestHex(digest);
}

std::vector<std::string> TargetHasher::FinishBlocks(TargetFile& file) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_buffer.empty()) m_buffer.resize(kReadPiece);
    std::vector<std::size_t> missing;
    for (std::size_t block = 0; block < m_blocks.size(); ++block)
        if (m_blocks[block].empty()) missing.push_back(block);
    if (!missing.empty()) DigestBlocks(file, missing);
    std::vector<std::string> digests;
    for (std::size_t block = 0; block < m_blocks.size(); ++block) {
        if (m_blocks[block].empty()) break;  // the file ends before it
        digests.push_back(m_blocks[block]);
    }
    return digests;
}
