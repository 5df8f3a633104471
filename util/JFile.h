// JFile: a small owner of one C runtime stream, opened by flag bits.
//
// Flags: JFILE_READ "r", JFILE_WRITE "w" (missing parent folders are created),
// JFILE_TEXT "t" (line feeds stored as CR LF), JFILE_BINARY "b". Read and write
// together in text mode appends ("at"). Combinations without a sound C mode are
// refused with EINVAL rather than guessed at. Used by one thread at a time.
#pragma once

#include <cstdint>
#include <cstdio>

constexpr int JFILE_READ = 0x1;
constexpr int JFILE_WRITE = 0x2;
constexpr int JFILE_TEXT = 0x100;
constexpr int JFILE_BINARY = 0x200;

class JFile {
public:
    JFile() = default;
    // Closes a stream the caller left open.
    virtual ~JFile();
    JFile(const JFile&) = delete;
    JFile& operator=(const JFile&) = delete;

    // 1 when open, 0 otherwise with the reason in GetError (-1: missing file
    // opened without JFILE_WRITE; otherwise an errno value).
    int Open(const wchar_t* path, int flags);
    void Close();
    // Byte counts moved, or -1 without a stream or buffer.
    int Read(void* buffer, int count);
    int Write(const void* buffer, int count);
    // 0 on success; -1 without a stream.
    std::int64_t Seek(std::int64_t offset, int origin);
    std::int64_t SeekToBegin();
    std::int64_t SeekToEnd();
    std::int64_t Tell();
    // Size in bytes; all ones without a stream. The position is kept.
    std::uint64_t GetSize();
    int GetError() const { return m_lastError; }
    // The stream itself, for the digest routines that read open files.
    FILE* GetStream() const { return m_file; }

private:
    FILE* m_file = nullptr;
    int m_lastError = 0;
};

// The C mode of a flag combination, or null when the combination is refused.
const wchar_t* JFileModeOf(int flags);
