#include "download/TargetFile.h"

#include "platform/base/CodePages.h"
#include "platform/files/FileSystem.h"
#include "platform/kernel/KernelObjects.h"

namespace {
// ReadFile and WriteFile take 32-bit counts: larger requests go in pieces.
constexpr std::size_t kMaxPiece = 1u << 30;

std::atomic<std::uint64_t> g_sizeLimit{TargetFile::kNoSizeLimit};

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED overlapped;
    overlapped.Offset = static_cast<DWORD>(offset);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return overlapped;
}
}  // namespace

TargetFile::~TargetFile() { Close(); }

bool TargetFile::Create(const std::string& ansiPath) {
    wchar_t wide[MAX_PATH] = {};
    if (ansiPath.size() >= MAX_PATH || MultiByteToWideChar(CP_ACP, 0, ansiPath.c_str(), -1, wide, MAX_PATH) <= 0)
        return false;
    HANDLE handle = CreateFileW(wide, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_handle != INVALID_HANDLE_VALUE) CloseHandle(m_handle);
    m_handle = handle;
    return true;
}

bool TargetFile::IsOpen() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_handle != INVALID_HANDLE_VALUE;
}

std::size_t TargetFile::Transfer(std::uint64_t offset, void* bytes, std::size_t length, bool write) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_handle == INVALID_HANDLE_VALUE || !bytes) return 0;
    if (write) {
        const std::uint64_t limit = g_sizeLimit.load();
        if (offset >= limit) return 0;
        if (length > limit - offset) length = static_cast<std::size_t>(limit - offset);
    }
    std::size_t done = 0;
    while (done < length) {
        const std::size_t piece = length - done < kMaxPiece ? length - done : kMaxPiece;
        OVERLAPPED overlapped = At(offset + done);
        DWORD moved = 0;
        char* at = static_cast<char*>(bytes) + done;
        const BOOL ok = write ? WriteFile(m_handle, at, static_cast<DWORD>(piece), &moved, &overlapped)
                              : ReadFile(m_handle, at, static_cast<DWORD>(piece), &moved, &overlapped);
        done += moved;
        if (!ok || moved < piece) break;
    }
    return done;
}

std::size_t TargetFile::WriteAt(std::uint64_t offset, const void* bytes, std::size_t length) {
    // Transfer only reads from the buffer when it writes.
    return Transfer(offset, const_cast<void*>(bytes), length, true);
}

std::size_t TargetFile::ReadAt(std::uint64_t offset, void* bytes, std::size_t length) {
    return Transfer(offset, bytes, length, false);
}

void TargetFile::LimitSizeForTests(std::uint64_t bytes) { g_sizeLimit = bytes; }

int TargetFile::Close() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_handle == INVALID_HANDLE_VALUE) return 0;
    const BOOL closed = CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    return closed ? 0 : -1;
}
