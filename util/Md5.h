// MD5 digests (RFC 1321) of buffers, open streams and fixed-size file blocks.
//
// An Md5 object keeps only the last digest it computed; the context of each
// digest lives on the stack of the call. One thread uses an object at a time.
// Stream digests read from the current position in fixed chunks, so files of
// any size pass through constant memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class Md5 {
public:
    // The running state of one digest.
    struct Context {
        std::uint32_t state[4];
        std::uint32_t count[2];  // bit count, low word first
        unsigned char buffer[64];
    };

    Md5();

    // Digest of `size` bytes into `out` and the held digest.
    void Digest(const void* data, size_t size, unsigned char out[16]);
    // The same, as 32 upper-case hex digits.
    void DigestHex(const void* data, size_t size, std::string& out);
    // Digest of the stream from its current position to its end, read in
    // 1,024-byte chunks: 0 for a null stream or a read error (the held digest
    // then stays as it was), else 1.
    int DigestFileHandle(FILE* stream, unsigned char out[16]);
    // Digest of a file named by an ANSI path: 0 when it is missing or cannot be opened or read.
    int DigestFile(const char* ansiPath, unsigned char out[16]);
    // The held digest as 32 lower-case hex digits.
    void ToHexLower(std::string& out) const;

    // The standard's steps, for digests fed piece by piece.
    static void Init(Context& context);
    static void Update(Context& context, const void* data, size_t size);
    static void Final(Context& context, unsigned char out[16]);
    // Runs the 64-step transform over `blocks` consecutive 64-byte blocks.
    static void Transform(std::uint32_t state[4], const unsigned char* data, size_t blocks = 1);

private:
    unsigned char m_digest[16];
};

// Whole-file digest as 32 upper-case hex digits into *buffer (size bytes, at
// least 33). The stream is read from its start and left at the position it had.
// 0 for a null stream or buffer, a size below 33 or a read error, else 1.
int GetFileMd5(FILE* stream, char** buffer, int size);

// Appends the upper-case hex digest of every `blockSize`-byte block of the
// file (the last one may be shorter) to `list`, leaving the stream where it
// was. 0 for a null stream, a block size of 0 or a read error (nothing is
// appended then), else 1.
int GetFileBlockMd5List(FILE* stream, size_t blockSize, std::vector<std::string>& list);
