#include "formats/zip/ReaderInput.h"

#include <algorithm>
#include <cstring>

#include "platform/files/FileSystem.h"
#include "platform/kernel/KernelObjects.h"

namespace {

ReaderInput* InputOf(voidpf opaque) { return static_cast<ReaderInput*>(opaque); }

voidpf ZCALLBACK OpenInput(voidpf opaque, const void*, int) { return opaque; }

uLong ZCALLBACK ReadInput(voidpf opaque, voidpf, void* buffer, uLong size) {
    return static_cast<uLong>(InputOf(opaque)->Read(buffer, size));
}

uLong ZCALLBACK WriteInput(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellInput(voidpf opaque, voidpf) { return InputOf(opaque)->Tell(); }

long ZCALLBACK SeekInput(voidpf opaque, voidpf, ZPOS64_T offset, int origin) {
    return InputOf(opaque)->Seek(static_cast<std::int64_t>(offset), origin);
}

// The reader owns the input: minizip's close leaves it open.
int ZCALLBACK CloseInput(voidpf, voidpf) { return 0; }

int ZCALLBACK ErrorOfInput(voidpf opaque, voidpf) { return InputOf(opaque)->Failed() ? 1 : 0; }

}  // namespace

ReaderInput::~ReaderInput() {
    if (m_ownHandle && m_handle != nullptr) CloseHandle(m_handle);
}

bool ReaderInput::OpenHandle(HANDLE handle, bool ownHandle) {
    m_handle = handle;
    m_ownHandle = ownHandle;
    LARGE_INTEGER zero{};
    LARGE_INTEGER position{};
    LARGE_INTEGER size{};
    if (!SetFilePointerEx(handle, zero, &position, FILE_CURRENT) || !GetFileSizeEx(handle, &size)) return false;
    m_start = static_cast<std::uint64_t>(position.QuadPart);
    m_size = size.QuadPart > position.QuadPart ? static_cast<std::uint64_t>(size.QuadPart - position.QuadPart) : 0;
    return true;
}

void ReaderInput::OpenMemory(const void* buffer, std::uint64_t length) {
    m_memory = static_cast<const BYTE*>(buffer);
    m_size = buffer != nullptr ? length : 0;
}

std::uint64_t ReaderInput::Read(void* buffer, std::uint64_t length) {
    std::uint64_t count = std::min(length, m_size - std::min(m_position, m_size));
    if (count == 0) return 0;
    if (m_memory != nullptr) {
        std::memcpy(buffer, m_memory + m_position, count);
    } else {
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(m_start + m_position);
        DWORD got = 0;
        if (!SetFilePointerEx(m_handle, at, nullptr, FILE_BEGIN) ||
            !ReadFile(m_handle, buffer, static_cast<DWORD>(count), &got, nullptr)) {
            m_error = true;
            return 0;
        }
        count = got;
    }
    m_position += count;
    return count;
}

long ReaderInput::Seek(std::int64_t offset, int origin) {
    std::int64_t base = origin == ZLIB_FILEFUNC_SEEK_SET   ? 0
                        : origin == ZLIB_FILEFUNC_SEEK_CUR ? static_cast<std::int64_t>(m_position)
                                                           : static_cast<std::int64_t>(m_size);
    std::int64_t target = base + offset;
    if (target < 0 || static_cast<std::uint64_t>(target) > m_size) return -1;
    m_position = static_cast<std::uint64_t>(target);
    return 0;
}

std::uint64_t ReaderInput::Tell() const { return m_position; }

bool ReaderInput::ReadAt(std::uint64_t position, void* buffer, std::uint64_t length) {
    std::uint64_t saved = m_position;
    if (position > m_size) return false;
    m_position = position;
    bool complete = Read(buffer, length) == length;
    m_position = saved;
    return complete;
}

zlib_filefunc64_def ReaderInput::Functions() {
    zlib_filefunc64_def functions{};
    functions.zopen64_file = OpenInput;
    functions.zread_file = ReadInput;
    functions.zwrite_file = WriteInput;
    functions.ztell64_file = TellInput;
    functions.zseek64_file = SeekInput;
    functions.zclose_file = CloseInput;
    functions.zerror_file = ErrorOfInput;
    functions.opaque = this;
    return functions;
}
