#include "download/TargetHasher.h"

#include <algorithm>

#include "download/TargetFile.h"

namespace {
constexpr std::size_t kReadPiece = 1u << 20;
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
        else
            merged.push_back(range);
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

bool TargetHasher::DigestBlock(TargetFile& file, std::size_t block) {
    const std::uint64_t start = static_cast<std::uint64_t>(block) * m_blockSize;
    const std::uint64_t end = std::min(m_size, start + m_blockSize);
    Md5::Context context;
    Md5::Init(context);
    std::uint64_t at = start;
    while (at < end) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(end - at, m_buffer.size()));
        const std::size_t got = file.ReadAt(at, m_buffer.data(), want);
        Md5::Update(context, m_buffer.data(), got);
        at += got;
        if (got < want) break;
    }
    if (at == start) return false;  // nothing of it in the file
    unsigned char digest[16];
    Md5::Final(context, digest);
    m_blocks[block] = DigestHex(digest);
    return true;
}

bool TargetHasher::Step(TargetFile& file, const Ranges& written) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_buffer.empty()) return false;
    // The whole digest first: it is the one the finish test waits for.
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
    // Then any block whose bytes are all written.
    for (std::size_t i = 0; i < m_blocks.size(); ++i) {
        const std::size_t block = (m_nextBlock + i) % m_blocks.size();
        if (!m_blocks[block].empty()) continue;
        const std::uint64_t start = static_cast<std::uint64_t>(block) * m_blockSize;
        const std::uint64_t end = std::min(m_size, start + m_blockSize);
        const bool covered = std::any_of(written.begin(), written.end(),
                                         [&](const auto& range) { return range.first <= start && range.second >= end; });
        if (!covered) continue;
        m_nextBlock = block + 1;
        return DigestBlock(file, block);
    }
    return false;
}

std::string TargetHasher::FinishWhole(TargetFile& file) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_buffer.empty()) m_buffer.resize(kReadPiece);
    while (m_wholeConsumed < m_size) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(m_size - m_wholeConsumed, m_buffer.size()));
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
    std::vector<std::string> digests;
    for (std::size_t block = 0; block < m_blocks.size(); ++block) {
        if (m_blocks[block].empty() && !DigestBlock(file, block)) break;  // the file ends before it
        digests.push_back(m_blocks[block]);
    }
    return digests;
}
