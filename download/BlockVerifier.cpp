#include "download/BlockVerifier.h"

#include <cstdio>
#include <memory>

#include "download/TargetHasher.h"
#include "platform/files/FileSystem.h"

BlockVerifier::BlockVerifier(std::uint64_t blockSize) : m_blockSize(blockSize ? blockSize : 1) { Reset(); }

void BlockVerifier::Reset() {
    m_consumed = 0;
    m_inBlock = 0;
    Md5::Init(m_wholeContext);
    Md5::Init(m_blockContext);
    m_whole.clear();
    m_blocks.clear();
}

void BlockVerifier::Feed(const unsigned char* bytes, std::size_t length) {
    Md5::Update(m_wholeContext, bytes, length);
    m_consumed += length;
    while (length > 0) {
        const std::uint64_t room = m_blockSize - m_inBlock;
        const std::size_t take = static_cast<std::size_t>(room < length ? room : length);
        Md5::Update(m_blockContext, bytes, take);
        bytes += take;
        length -= take;
        m_inBlock += take;
        if (m_inBlock == m_blockSize) {
            unsigned char digest[16];
            Md5::Final(m_blockContext, digest);
            m_blocks.push_back(DigestHex(digest));
            Md5::Init(m_blockContext);
            m_inBlock = 0;
        }
    }
}

void BlockVerifier::Finish() {
    unsigned char digest[16];
    if (m_inBlock > 0) {
        Md5::Final(m_blockContext, digest);
        m_blocks.push_back(DigestHex(digest));
        Md5::Init(m_blockContext);
        m_inBlock = 0;
    }
    Md5::Final(m_wholeContext, digest);
    m_whole = DigestHex(digest);
}

bool DigestFileBlocks(const std::string& ansiPath, BlockVerifier* verifier) {
    verifier->Reset();
    FILE* raw = nullptr;
    if (fopen_s(&raw, ansiPath.c_str(), "rb") != 0 || !raw) return false;
    std::unique_ptr<FILE, int (*)(FILE*)> file(raw, std::fclose);
    std::vector<unsigned char> buffer(1 << 20);
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
        if (got > 0) verifier->Feed(buffer.data(), got);
        if (got < buffer.size()) {
            if (std::ferror(file.get())) return false;
            break;
        }
    }
    verifier->Finish();
    return true;
}
