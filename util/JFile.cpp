#include "util/JFile.h"

#include <cerrno>

#include "platform/files/FileSystem.h"
#include "util/Folders.h"

const wchar_t* JFileModeOf(int flags) {
    // Binary is ignored when text is also given.
    bool text = (flags & JFILE_TEXT) != 0;
    bool binary = !text && (flags & JFILE_BINARY) != 0;
    if ((flags & ~(JFILE_READ | JFILE_WRITE | JFILE_TEXT | JFILE_BINARY)) != 0) return nullptr;
    struct Row {
        int access;
        const wchar_t* plain;
        const wchar_t* textMode;
        const wchar_t* binaryMode;
    };
    // Read and write together: append in text mode (the log's mode); the
    // binary and untyped forms have no sound meaning and are refused.
    static const Row rows[] = {
        {JFILE_READ, L"r", L"rt", L"rb"},
        {JFILE_WRITE, L"w", L"wt", L"wb"},
        {JFILE_READ | JFILE_WRITE, nullptr, L"at", nullptr},
    };
    for (const Row& row : rows) {
        if ((flags & (JFILE_READ | JFILE_WRITE)) != row.access) continue;
        return text ? row.textMode : binary ? row.binaryMode : row.plain;
    }
    return nullptr;
}

JFile::~JFile() { Close(); }

int JFile::Open(const wchar_t* path, int flags) {
    if (path == nullptr) {
        Close();
        m_lastError = EINVAL;
        return 0;
    }
    if (!PathFileExistsW(path)) {
        if ((flags & JFILE_WRITE) == 0) {
            Close();
            m_lastError = -1;
            return 0;
        }
        CreateParentDirectories(path);
    }
    Close();
    const wchar_t* mode = JFileModeOf(flags);
    if (mode == nullptr) {
        m_lastError = EINVAL;
        return 0;
    }
    m_lastError = _wfopen_s(&m_file, path, mode);
    if (m_file == nullptr && m_lastError == 0) m_lastError = EINVAL;
    return m_file != nullptr ? 1 : 0;
}

void JFile::Close() {
    if (m_file != nullptr) std::fclose(m_file);
    m_file = nullptr;
}

int JFile::Read(void* buffer, int count) {
    if (m_file == nullptr || buffer == nullptr || count < 0) return -1;
    return static_cast<int>(std::fread(buffer, 1, static_cast<size_t>(count), m_file));
}

int JFile::Write(const void* buffer, int count) {
    if (m_file == nullptr || buffer == nullptr || count < 0) return -1;
    return static_cast<int>(std::fwrite(buffer, 1, static_cast<size_t>(count), m_file));
}

std::int64_t JFile::Seek(std::int64_t offset, int origin) {
    if (m_file == nullptr) return -1;
    return _fseeki64(m_file, offset, origin);
}

std::int64_t JFile::SeekToBegin() { return Seek(0, SEEK_SET); }
std::int64_t JFile::SeekToEnd() { return Seek(0, SEEK_END); }

std::int64_t JFile::Tell() {
    if (m_file == nullptr) return -1;
    return _ftelli64(m_file);
}

std::uint64_t JFile::GetSize() {
    if (m_file == nullptr) return ~0ULL;
    std::int64_t position = _ftelli64(m_file);
    _fseeki64(m_file, 0, SEEK_END);
    std::int64_t size = _ftelli64(m_file);
    _fseeki64(m_file, position, SEEK_SET);
    return static_cast<std::uint64_t>(size);
}
