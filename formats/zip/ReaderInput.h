// The zip reader's input: an open file handle (from its position when the
// reader was opened) or a memory block, with the I/O table through which
// minizip reads the archive.
#pragma once

#include <minizip/ioapi.h>

#include <cstdint>

#include "platform/base/Win32Types.h"

class ReaderInput {
public:
    ReaderInput() = default;
    ~ReaderInput();
    ReaderInput(const ReaderInput&) = delete;
    ReaderInput& operator=(const ReaderInput&) = delete;

    // False when the handle cannot seek (a zip is read from its end).
    bool OpenHandle(HANDLE handle, bool ownHandle);
    void OpenMemory(const void* buffer, std::uint64_t length);

    // Reads up to `length` bytes at the current position; the count read.
    std::uint64_t Read(void* buffer, std::uint64_t length);
    // 0 on success, -1 when the position would leave the input.
    long Seek(std::int64_t offset, int origin);
    std::uint64_t Tell() const;
    // Bytes at an absolute position without moving the current one.
    bool ReadAt(std::uint64_t position, void* buffer, std::uint64_t length);
    bool Failed() const { return m_error; }

    // The I/O table for unzOpen2_64; its stream is this object.
    zlib_filefunc64_def Functions();

private:
    HANDLE m_handle = nullptr;
    bool m_ownHandle = false;
    std::uint64_t m_start = 0;
    std::uint64_t m_size = 0;
    bool m_error = false;
    const BYTE* m_memory = nullptr;
    std::uint64_t m_position = 0;
};
