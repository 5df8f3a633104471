// TargetFile: the download target, written and read at offsets.
//
// Owns one kernel file handle. WriteAt and ReadAt are positioned transfers
// (no shared file pointer), each under the file's own lock, so the parts'
// writes and the prefix hasher's reads never need the engine lock for the
// file's sake. Bytes written are visible to ReadAt at once (no user-space
// buffer). Thread: any.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/base/Win32Types.h"

class TargetFile {
public:
    TargetFile() = default;
    ~TargetFile();
    TargetFile(const TargetFile&) = delete;
    TargetFile& operator=(const TargetFile&) = delete;

    // Creates or truncates the file at an ANSI path; false when it cannot.
    bool Create(const std::string& ansiPath);
    bool IsOpen() const;
    // Bytes written at `offset` (fewer on a failed write; 0 when closed).
    std::size_t WriteAt(std::uint64_t offset, const void* bytes, std::size_t length);
    // Bytes read at `offset` (fewer at the end of the file; 0 when closed).
    std::size_t ReadAt(std::uint64_t offset, void* bytes, std::size_t length);
    // Closes the handle: -1 when it was open and did not close cleanly, 0 otherwise.
    int Close();

    // Tests: every target in this process takes no byte at or past this
    // offset, so writes across it come back short as on a full disk;
    // kNoSizeLimit lifts it.
    static constexpr std::uint64_t kNoSizeLimit = ~static_cast<std::uint64_t>(0);
    static void LimitSizeForTests(std::uint64_t bytes);

private:
    std::size_t Transfer(std::uint64_t offset, void* bytes, std::size_t length, bool write);

    mutable std::mutex m_lock;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
};
