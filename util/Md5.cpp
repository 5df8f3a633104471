#include "util/Md5.h"

#include <cstring>
#include <memory>

#include "platform/files/FileSystem.h"

namespace {

constexpr size_t kFileChunk = 1024;

inline std::uint32_t Load32(const unsigned char* p) {
    std::uint32_t value;
    std::memcpy(&value, p, 4);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    value = __builtin_bswap32(value);
#endif
    return value;
}

inline void Store32(unsigned char* p, std::uint32_t value) {
    p[0] = static_cast<unsigned char>(value);
    p[1] = static_cast<unsigned char>(value >> 8);
    p[2] = static_cast<unsigned char>(value >> 16);
    p[3] = static_cast<unsigned char>(value >> 24);
}

inline std::uint32_t Rotate(std::uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void HexOf(const unsigned char digest[16], const char* digits, std::string& out) {
    out.resize(32);
    for (int i = 0; i < 16; ++i) {
        out[2 * i] = digits[digest[i] >> 4];
        out[2 * i + 1] = digits[digest[i] & 0x0F];
    }
}

const char kUpperDigits[] = "0123456789ABCDEF";
const char kLowerDigits[] = "0123456789abcdef";

}  // namespace

// The round functions in forms that need the fewest operations: F selects c or
// d by b, G selects b or c by d, H and I as the standard writes them.
#define MD5_F(x, y, z) ((z) ^ ((x) & ((y) ^ (z))))
#define MD5_G(x, y, z) ((y) ^ ((z) & ((x) ^ (y))))
#define MD5_H(x, y, z) ((x) ^ (y) ^ (z))
#define MD5_I(x, y, z) ((y) ^ ((x) | ~(z)))
#define MD5_STEP(f, a, b, c, d, word, constant, shift)  \
    a += (word) + static_cast<std::uint32_t>(constant); \
    a += f(b, c, d);                                    \
    a = Rotate(a, shift) + b
// G as two disjoint parts added separately, which shortens the dependency chain.
#define MD5_STEP_G(a, b, c, d, word, constant, shift)                  \
    a += (word) + static_cast<std::uint32_t>(constant) + ((c) & ~(d)); \
    a += (b) & (d);                                                    \
    a = Rotate(a, shift) + b

void Md5::Transform(std::uint32_t state[4], const unsigned char* data, size_t blocks) {
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    for (; blocks > 0; --blocks, data += 64) {
        const std::uint32_t x0 = Load32(data), x1 = Load32(data + 4), x2 = Load32(data + 8), x3 = Load32(data + 12),
                            x4 = Load32(data + 16), x5 = Load32(data + 20), x6 = Load32(data + 24),
                            x7 = Load32(data + 28), x8 = Load32(data + 32), x9 = Load32(data + 36),
                            x10 = Load32(data + 40), x11 = Load32(data + 44), x12 = Load32(data + 48),
                            x13 = Load32(data + 52), x14 = Load32(data + 56), x15 = Load32(data + 60);
        const std::uint32_t aa = a, bb = b, cc = c, dd = d;

        MD5_STEP(MD5_F, a, b, c, d, x0, 0xd76aa478, 7);
        MD5_STEP(MD5_F, d, a, b, c, x1, 0xe8c7b756, 12);
        MD5_STEP(MD5_F, c, d, a, b, x2, 0x242070db, 17);
        MD5_STEP(MD5_F, b, c, d, a, x3, 0xc1bdceee, 22);
        MD5_STEP(MD5_F, a, b, c, d, x4, 0xf57c0faf, 7);
        MD5_STEP(MD5_F, d, a, b, c, x5, 0x4787c62a, 12);
        MD5_STEP(MD5_F, c, d, a, b, x6, 0xa8304613, 17);
        MD5_STEP(MD5_F, b, c, d, a, x7, 0xfd469501, 22);
        MD5_STEP(MD5_F, a, b, c, d, x8, 0x698098d8, 7);
        MD5_STEP(MD5_F, d, a, b, c, x9, 0x8b44f7af, 12);
        MD5_STEP(MD5_F, c, d, a, b, x10, 0xffff5bb1, 17);
        MD5_STEP(MD5_F, b, c, d, a, x11, 0x895cd7be, 22);
        MD5_STEP(MD5_F, a, b, c, d, x12, 0x6b901122, 7);
        MD5_STEP(MD5_F, d, a, b, c, x13, 0xfd987193, 12);
        MD5_STEP(MD5_F, c, d, a, b, x14, 0xa679438e, 17);
        MD5_STEP(MD5_F, b, c, d, a, x15, 0x49b40821, 22);

        MD5_STEP_G(a, b, c, d, x1, 0xf61e2562, 5);
        MD5_STEP_G(d, a, b, c, x6, 0xc040b340, 9);
        MD5_STEP_G(c, d, a, b, x11, 0x265e5a51, 14);
        MD5_STEP_G(b, c, d, a, x0, 0xe9b6c7aa, 20);
        MD5_STEP_G(a, b, c, d, x5, 0xd62f105d, 5);
        MD5_STEP_G(d, a, b, c, x10, 0x02441453, 9);
        MD5_STEP_G(c, d, a, b, x15, 0xd8a1e681, 14);
        MD5_STEP_G(b, c, d, a, x4, 0xe7d3fbc8, 20);
        MD5_STEP_G(a, b, c, d, x9, 0x21e1cde6, 5);
        MD5_STEP_G(d, a, b, c, x14, 0xc33707d6, 9);
        MD5_STEP_G(c, d, a, b, x3, 0xf4d50d87, 14);
        MD5_STEP_G(b, c, d, a, x8, 0x455a14ed, 20);
        MD5_STEP_G(a, b, c, d, x13, 0xa9e3e905, 5);
        MD5_STEP_G(d, a, b, c, x2, 0xfcefa3f8, 9);
        MD5_STEP_G(c, d, a, b, x7, 0x676f02d9, 14);
        MD5_STEP_G(b, c, d, a, x12, 0x8d2a4c8a, 20);

        MD5_STEP(MD5_H, a, b, c, d, x5, 0xfffa3942, 4);
        MD5_STEP(MD5_H, d, a, b, c, x8, 0x8771f681, 11);
        MD5_STEP(MD5_H, c, d, a, b, x11, 0x6d9d6122, 16);
        MD5_STEP(MD5_H, b, c, d, a, x14, 0xfde5380c, 23);
        MD5_STEP(MD5_H, a, b, c, d, x1, 0xa4beea44, 4);
        MD5_STEP(MD5_H, d, a, b, c, x4, 0x4bdecfa9, 11);
        MD5_STEP(MD5_H, c, d, a, b, x7, 0xf6bb4b60, 16);
        MD5_STEP(MD5_H, b, c, d, a, x10, 0xbebfbc70, 23);
        MD5_STEP(MD5_H, a, b, c, d, x13, 0x289b7ec6, 4);
        MD5_STEP(MD5_H, d, a, b, c, x0, 0xeaa127fa, 11);
        MD5_STEP(MD5_H, c, d, a, b, x3, 0xd4ef3085, 16);
        MD5_STEP(MD5_H, b, c, d, a, x6, 0x04881d05, 23);
        MD5_STEP(MD5_H, a, b, c, d, x9, 0xd9d4d039, 4);
        MD5_STEP(MD5_H, d, a, b, c, x12, 0xe6db99e5, 11);
        MD5_STEP(MD5_H, c, d, a, b, x15, 0x1fa27cf8, 16);
        MD5_STEP(MD5_H, b, c, d, a, x2, 0xc4ac5665, 23);

        MD5_STEP(MD5_I, a, b, c, d, x0, 0xf4292244, 6);
        MD5_STEP(MD5_I, d, a, b, c, x7, 0x432aff97, 10);
        MD5_STEP(MD5_I, c, d, a, b, x14, 0xab9423a7, 15);
        MD5_STEP(MD5_I, b, c, d, a, x5, 0xfc93a039, 21);
        MD5_STEP(MD5_I, a, b, c, d, x12, 0x655b59c3, 6);
        MD5_STEP(MD5_I, d, a, b, c, x3, 0x8f0ccc92, 10);
        MD5_STEP(MD5_I, c, d, a, b, x10, 0xffeff47d, 15);
        MD5_STEP(MD5_I, b, c, d, a, x1, 0x85845dd1, 21);
        MD5_STEP(MD5_I, a, b, c, d, x8, 0x6fa87e4f, 6);
        MD5_STEP(MD5_I, d, a, b, c, x15, 0xfe2ce6e0, 10);
        MD5_STEP(MD5_I, c, d, a, b, x6, 0xa3014314, 15);
        MD5_STEP(MD5_I, b, c, d, a, x13, 0x4e0811a1, 21);
        MD5_STEP(MD5_I, a, b, c, d, x4, 0xf7537e82, 6);
        MD5_STEP(MD5_I, d, a, b, c, x11, 0xbd3af235, 10);
        MD5_STEP(MD5_I, c, d, a, b, x2, 0x2ad7d2bb, 15);
        MD5_STEP(MD5_I, b, c, d, a, x9, 0xeb86d391, 21);

        a += aa;
        b += bb;
        c += cc;
        d += dd;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

#undef MD5_STEP
#undef MD5_STEP_G
#undef MD5_F
#undef MD5_G
#undef MD5_H
#undef MD5_I

void Md5::Init(Context& context) {
    context.state[0] = 0x67452301;
    context.state[1] = 0xefcdab89;
    context.state[2] = 0x98badcfe;
    context.state[3] = 0x10325476;
    context.count[0] = context.count[1] = 0;
    std::memset(context.buffer, 0, sizeof(context.buffer));
}

void Md5::Update(Context& context, const void* data, size_t size) {
    if (size == 0) return;
    const auto* input = static_cast<const unsigned char*>(data);
    size_t used = (context.count[0] >> 3) & 0x3F;
    // The 64-bit bit count, kept in two 32-bit words.
    std::uint64_t bits = (static_cast<std::uint64_t>(context.count[1]) << 32 | context.count[0]) +
                         (static_cast<std::uint64_t>(size) << 3);
    context.count[0] = static_cast<std::uint32_t>(bits);
    context.count[1] = static_cast<std::uint32_t>(bits >> 32);

    if (used > 0) {
        size_t fill = 64 - used;
        if (size < fill) {
            std::memcpy(context.buffer + used, input, size);
            return;
        }
        std::memcpy(context.buffer + used, input, fill);
        Transform(context.state, context.buffer, 1);
        input += fill;
        size -= fill;
    }
    // Whole blocks are digested straight from the input.
    if (size >= 64) {
        Transform(context.state, input, size / 64);
        input += size & ~static_cast<size_t>(63);
        size &= 63;
    }
    if (size > 0) std::memcpy(context.buffer, input, size);
}

void Md5::Final(Context& context, unsigned char out[16]) {
    unsigned char length[8];
    Store32(length, context.count[0]);
    Store32(length + 4, context.count[1]);
    static const unsigned char padding[64] = {0x80};
    size_t used = (context.count[0] >> 3) & 0x3F;
    size_t padLength = used < 56 ? 56 - used : 120 - used;
    Update(context, padding, padLength);
    Update(context, length, 8);
    for (int i = 0; i < 4; ++i) Store32(out + 4 * i, context.state[i]);
    std::memset(&context, 0, sizeof(context));
}

Md5::Md5() { std::memset(m_digest, 0, sizeof(m_digest)); }

void Md5::Digest(const void* data, size_t size, unsigned char out[16]) {
    Context context;
    Init(context);
    Update(context, data, size);
    Final(context, m_digest);
    if (out != nullptr) std::memcpy(out, m_digest, sizeof(m_digest));
}

void Md5::DigestHex(const void* data, size_t size, std::string& out) {
    Digest(data, size, nullptr);
    HexOf(m_digest, kUpperDigits, out);
}

int Md5::DigestFileHandle(FILE* stream, unsigned char out[16]) {
    if (stream == nullptr) return 0;
    Context context;
    Init(context);
    unsigned char chunk[kFileChunk];
    size_t read;
    while ((read = std::fread(chunk, 1, sizeof(chunk), stream)) > 0) Update(context, chunk, read);
    // A read error is no end of file: the digest of what came before it is not the file's.
    if (std::ferror(stream) != 0) return 0;
    Final(context, m_digest);
    if (out != nullptr) std::memcpy(out, m_digest, sizeof(m_digest));
    return 1;
}

int Md5::DigestFile(const char* ansiPath, unsigned char out[16]) {
    if (ansiPath == nullptr || !PathFileExistsA(ansiPath)) return 0;
    FILE* stream = nullptr;
    if (fopen_s(&stream, ansiPath, "rb") != 0 || stream == nullptr) return 0;
    int digested = DigestFileHandle(stream, out);
    std::fclose(stream);
    return digested;
}

void Md5::ToHexLower(std::string& out) const { HexOf(m_digest, kLowerDigits, out); }

int GetFileMd5(FILE* stream, char** buffer, int size) {
    if (stream == nullptr || buffer == nullptr || *buffer == nullptr || size < 33) return 0;
    std::int64_t position = _ftelli64(stream);
    if (position < 0 || _fseeki64(stream, 0, SEEK_SET) != 0) return 0;
    std::memset(*buffer, 0, static_cast<size_t>(size));
    Md5 md5;
    unsigned char digest[16];
    if (md5.DigestFileHandle(stream, digest) == 0) {
        std::clearerr(stream);
        _fseeki64(stream, position, SEEK_SET);
        return 0;
    }
    std::string hex;
    HexOf(digest, kUpperDigits, hex);
    std::memcpy(*buffer, hex.data(), hex.size());
    _fseeki64(stream, position, SEEK_SET);
    return 1;
}

int GetFileBlockMd5List(FILE* stream, size_t blockSize, std::vector<std::string>& list) {
    // A block size of 0 would never advance through the file.
    if (stream == nullptr || blockSize == 0) return 0;
    std::int64_t position = _ftelli64(stream);
    if (position < 0 || _fseeki64(stream, 0, SEEK_SET) != 0) return 0;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[blockSize]());
    if (!block) {
        _fseeki64(stream, position, SEEK_SET);
        return 0;
    }
    Md5 md5;
    std::string hex;
    size_t read;
    size_t first = list.size();
    while ((read = std::fread(block.get(), 1, blockSize, stream)) > 0) {
        md5.DigestHex(block.get(), read, hex);
        list.push_back(hex);
    }
    bool failed = std::ferror(stream) != 0;
    if (failed) {
        list.resize(first);  // no digests of a file that could not be read to its end
        std::clearerr(stream);
    }
    _fseeki64(stream, position, SEEK_SET);
    return failed ? 0 : 1;
}
