#include "formats/zip/ZipReader.h"

#include <algorithm>
#include <cstring>

#include "formats/zip/EntryNames.h"
#include "formats/zip/ZipCalendar.h"
#include "formats/zip/ZipCipher.h"
#include "platform/base/HostPaths.h"
#include "platform/files/FileSystem.h"
#include "platform/files/FileTimes.h"
#include "platform/kernel/KernelObjects.h"
#include "util/StringConvert.h"

namespace {

constexpr DWORD kTransferBytes = 16 * 1024;
constexpr DWORD kDosBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_ARCHIVE;

std::uint32_t Get32(const BYTE* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Replaces times from an extended-timestamp field ("UT") of an extra block.
void ApplyTimestamps(const std::vector<BYTE>& extra, ZipEntryInfo* info) {
    std::size_t at = 0;
    while (at + 4 <= extra.size()) {
        unsigned id = extra[at] | (extra[at + 1] << 8);
        std::size_t size = extra[at + 2] | (extra[at + 3] << 8);
        std::size_t data = at + 4;
        if (data + size > extra.size()) break;
        if (id == 0x5455 && size >= 1) {
            BYTE flags = extra[data];
            std::size_t value = data + 1;
            FILETIME* targets[3] = {&info->writeTime, &info->accessTime, &info->creationTime};
            for (int bit = 0; bit < 3; ++bit) {
                if ((flags & (1 << bit)) == 0) continue;
                if (value + 4 > data + size) break;
                *targets[bit] = UnixTimeToFileTime(static_cast<std::int32_t>(Get32(&extra[value])));
                value += 4;
            }
        }
        at = data + size;
    }
}

bool IsLink(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace

ZipReader::ZipReader(const char* password) {
    if (password != nullptr) {
        m_password = password;
        m_hasPassword = true;
    }
}

ZipReader::~ZipReader() {
    CloseEntry();
    ResetDecryption();
    if (m_archive != nullptr) unzClose(m_archive);
}

ZRESULT ZipReader::Open() {
    wchar_t current[MAX_PATH];
    DWORD length = GetFullPathNameW(L".", MAX_PATH, current, nullptr);
    m_baseDir = length > 0 && length < MAX_PATH ? std::wstring(current, length) : std::wstring(L"C:\\");
    if (m_baseDir.back() != L'\\') m_baseDir += L'\\';
    zlib_filefunc64_def functions = m_input.Functions();
    m_archive = unzOpen2_64("", &functions);
    if (m_archive == nullptr) return ZR_NOFILE;
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(m_archive, &global) != UNZ_OK) return ZR_CORRUPT;
    m_count = static_cast<int>(std::min<ZPOS64_T>(global.number_entry, 0x7FFFFFFF));
    m_current = 0;
    return ZR_OK;
}

ZRESULT ZipReader::OpenFile(const wchar_t* path) {
    if (m_archive != nullptr) return ZR_NOTINITED;
    if (path == nullptr) return ZR_ARGS;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ZR_NOFILE;
    if (!m_input.OpenHandle(file, true)) return ZR_NOFILE;
    return Open();
}

ZRESULT ZipReader::OpenHandle(HANDLE handle) {
    if (m_archive != nullptr) return ZR_NOTINITED;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return ZR_ARGS;
    if (!m_input.OpenHandle(handle, false)) return ZR_SEEK;
    return Open();
}

ZRESULT ZipReader::OpenMemory(const void* buffer, std::uint64_t length) {
    if (m_archive != nullptr) return ZR_NOTINITED;
    if (buffer == nullptr || length == 0) return ZR_ARGS;
    m_input.OpenMemory(buffer, length);
    return Open();
}

void ZipReader::CloseEntry() {
    if (m_openEntry >= 0 && m_archive != nullptr) unzCloseCurrentFile(m_archive);
    m_openEntry = -1;
    ResetDecryption();
}

ZRESULT ZipReader::GoTo(int index) {
    if (index < m_current) {
        if (unzGoToFirstFile(m_archive) != UNZ_OK) return ZR_CORRUPT;
        m_current = 0;
    }
    while (m_current < index) {
        if (unzGoToNextFile(m_archive) != UNZ_OK) return ZR_CORRUPT;
        ++m_current;
    }
    return ZR_OK;
}

ZRESULT ZipReader::GetItem(int index, ZipEntryInfo* info) {
    if (m_archive == nullptr) return ZR_NOTINITED;
    if (info == nullptr || index < -1 || index >= m_count) return ZR_ARGS;
    CloseEntry();
    if (index == -1) {
        std::memset(info, 0, sizeof(*info));
        info->index = m_count;
        return ZR_OK;
    }
    if (index == m_cachedIndex) {
        *info = m_cached;
        return ZR_OK;
    }
    if (GoTo(index) != ZR_OK) return ZR_CORRUPT;
    unz_file_info64 entry{};
    char name[MAX_PATH + 1] = {};
    if (unzGetCurrentFileInfo64(m_archive, &entry, name, MAX_PATH, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return ZR_READ;
    }
    std::memset(info, 0, sizeof(*info));
    info->index = index;
    std::wstring wideName = Utf8ToWide(name);
    std::wstring safeName;
    m_cachedUnsafe = !NormaliseEntryName(wideName, &safeName);
    std::wstring shown = m_cachedUnsafe ? wideName : safeName;
    std::size_t count = std::min<std::size_t>(shown.size(), MAX_PATH - 1);
    std::copy(shown.begin(), shown.begin() + static_cast<std::ptrdiff_t>(count), info->name);

    DWORD host = entry.version >> 8;
    DWORD external = static_cast<DWORD>(entry.external_fa);
    if (host == 0 || host == 7 || host == 11 || host == 14) {
        info->attributes = external & kDosBits;
    } else {
        info->attributes = FILE_ATTRIBUTE_ARCHIVE;
        if (external & 0x40000000u) info->attributes |= FILE_ATTRIBUTE_DIRECTORY;
        if ((external & 0x00800000u) == 0) info->attributes |= FILE_ATTRIBUTE_READONLY;
    }
    if (!shown.empty() && (shown.back() == L'\\' || shown.back() == L'/')) {
        info->attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }

    // The DOS time is a local reading.
    FILETIME local{};
    FILETIME utc{};
    if (CalendarToFileTime(DosDateTimeToCalendar(static_cast<DWORD>(entry.dosDate)), &local)) {
        LocalFileTimeToFileTime(&local, &utc);
    }
    info->accessTime = info->creationTime = info->writeTime = utc;
    // The local extra field may hold all three times.
    if (unzOpenCurrentFile2(m_archive, nullptr, nullptr, 1) == UNZ_OK) {
        int size = unzGetLocalExtrafield(m_archive, nullptr, 0);
        if (size > 0) {
            std::vector<BYTE> extra(static_cast<std::size_t>(size));
            if (unzGetLocalExtrafield(m_archive, extra.data(), static_cast<unsigned>(size)) == size) {
                ApplyTimestamps(extra, info);
            }
        }
        unzCloseCurrentFile(m_archive);
    }
    info->compressedSize = static_cast<std::uint32_t>(entry.compressed_size);
    info->uncompressedSize = static_cast<std::uint32_t>(entry.uncompressed_size);
    m_cachedIndex = index;
    m_cached = *info;
    return ZR_OK;
}

ZRESULT ZipReader::FindItem(const wchar_t* name, bool ignoreCase, int* index, ZipEntryInfo* info) {
    if (index != nullptr) *index = -1;
    if (info != nullptr) {
        std::memset(info, 0, sizeof(*info));
        info->index = -1;
    }
    if (m_archive == nullptr) return ZR_NOTINITED;
    if (name == nullptr) return ZR_ARGS;
    CloseEntry();
    std::wstring wanted = name;
    std::replace(wanted.begin(), wanted.end(), L'\\', L'/');
    for (int i = 0; i < m_count; ++i) {
        if (GoTo(i) != ZR_OK) break;
        char raw[MAX_PATH + 1] = {};
        unz_file_info64 entry{};
        if (unzGetCurrentFileInfo64(m_archive, &entry, raw, MAX_PATH, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        std::wstring candidate = Utf8ToWide(raw);
        std::replace(candidate.begin(), candidate.end(), L'\\', L'/');
        bool same = ignoreCase ? platform::NamesEqualNoCase(candidate, wanted) : candidate == wanted;
        if (!same) continue;
        ZipEntryInfo found{};
        ZRESULT result = GetItem(i, &found);
        if (result != ZR_OK) return result;
        if (index != nullptr) *index = i;
        if (info != nullptr) *info = found;
        return ZR_OK;
    }
    return ZR_NOTFOUND;
}

ZRESULT ZipReader::SetBaseDir(const wchar_t* folder) {
    if (folder == nullptr) return ZR_ARGS;
    m_baseDir = folder;
    if (m_baseDir.empty() || (m_baseDir.back() != L'\\' && m_baseDir.back() != L'/')) m_baseDir += L'\\';
    return ZR_OK;
}

void ZipReader::ResetDecryption() {
    if (m_decrypt.streamReady) inflateEnd(&m_decrypt.stream);
    m_decrypt.streamReady = false;
    m_decrypt.active = false;
    m_decrypt.ended = false;
    m_decrypt.keys.reset();
}

ZRESULT ZipReader::OpenEntry(const unz_file_info64& entry) {
    ResetDecryption();
    bool encrypted = (entry.flag & 1) != 0;
    if (!encrypted) return unzOpenCurrentFile(m_archive) == UNZ_OK ? ZR_OK : ZR_CORRUPT;
    if (!m_hasPassword) return ZR_PASSWORD;
    if (entry.compression_method != 0 && entry.compression_method != Z_DEFLATED) return ZR_CORRUPT;
    if (entry.compressed_size < 12) return ZR_CORRUPT;
    int method = 0;
    int level = 0;
    if (unzOpenCurrentFile2(m_archive, &method, &level, 1) != UNZ_OK) return ZR_CORRUPT;
    auto keys = std::make_unique<ReaderDecryptKeys>(m_password.c_str());
    BYTE header[12];
    if (unzReadCurrentFile(m_archive, header, sizeof(header)) != static_cast<int>(sizeof(header))) {
        unzCloseCurrentFile(m_archive);
        return ZR_CORRUPT;
    }
    keys->Decrypt(header, sizeof(header));
    // The last header byte checks the password: the CRC's high byte, or the
    // DOS time's when the sizes follow the data.
    BYTE expected = (entry.flag & 8) != 0 ? static_cast<BYTE>((entry.dosDate >> 8) & 0xFF)
                                          : static_cast<BYTE>((entry.crc >> 24) & 0xFF);
    if (header[11] != expected) {
        unzCloseCurrentFile(m_archive);
        return ZR_PASSWORD;
    }
    m_decrypt.keys = std::move(keys);
    m_decrypt.deflated = entry.compression_method == Z_DEFLATED;
    m_decrypt.compressedLeft = entry.compressed_size - 12;
    m_decrypt.uncompressedLeft = entry.uncompressed_size;
    m_decrypt.crc = crc32(0, nullptr, 0);
    m_decrypt.expectedCrc = entry.crc;
    if (m_decrypt.deflated) {
        std::memset(&m_decrypt.stream, 0, sizeof(m_decrypt.stream));
        if (inflateInit2(&m_decrypt.stream, -MAX_WBITS) != Z_OK) {
            unzCloseCurrentFile(m_archive);
            return ZR_FLATE;
        }
        m_decrypt.streamReady = true;
    }
    m_decrypt.active = true;
    return ZR_OK;
}

int ZipReader::ReadEntry(BYTE* buffer, DWORD length) {
    if (!m_decrypt.active) return unzReadCurrentFile(m_archive, buffer, length);
    Decryption& d = m_decrypt;
    if (d.ended) return 0;
    if (!d.deflated) {
        DWORD wanted = static_cast<DWORD>(std::min<std::uint64_t>(length, d.compressedLeft));
        if (wanted == 0) {
            d.ended = true;
            return 0;
        }
        int got = unzReadCurrentFile(m_archive, buffer, wanted);
        if (got <= 0) return got < 0 ? got : UNZ_ERRNO;
        d.keys->Decrypt(buffer, static_cast<std::size_t>(got));
        d.compressedLeft -= static_cast<std::uint64_t>(got);
        d.crc = crc32(d.crc, buffer, static_cast<uInt>(got));
        return got;
    }
    d.stream.next_out = buffer;
    d.stream.avail_out = length;
    while (d.stream.avail_out == length) {
        if (d.stream.avail_in == 0 && d.compressedLeft > 0) {
            d.input.resize(kTransferBytes);
            DWORD wanted = static_cast<DWORD>(std::min<std::uint64_t>(kTransferBytes, d.compressedLeft));
            int got = unzReadCurrentFile(m_archive, d.input.data(), wanted);
            if (got <= 0) return got < 0 ? got : UNZ_ERRNO;
            d.keys->Decrypt(d.input.data(), static_cast<std::size_t>(got));
            d.compressedLeft -= static_cast<std::uint64_t>(got);
            d.stream.next_in = d.input.data();
            d.stream.avail_in = static_cast<uInt>(got);
        }
        int status = inflate(&d.stream, Z_SYNC_FLUSH);
        if (status == Z_STREAM_END) {
            d.ended = true;
            break;
        }
        if (status != Z_OK) return Z_DATA_ERROR;
        if (d.stream.avail_in == 0 && d.compressedLeft == 0 && d.stream.avail_out == length) return Z_DATA_ERROR;
    }
    int produced = static_cast<int>(length - d.stream.avail_out);
    d.crc = crc32(d.crc, buffer, static_cast<uInt>(produced));
    return produced;
}

ZRESULT ZipReader::FinishEntry() {
    bool decrypted = m_decrypt.active;
    bool complete = m_decrypt.ended;
    uLong crc = m_decrypt.crc;
    uLong expected = m_decrypt.expectedCrc;
    ResetDecryption();
    int closed = unzCloseCurrentFile(m_archive);
    if (decrypted) return complete && crc != expected ? ZR_CORRUPT : ZR_OK;
    return closed == UNZ_CRCERROR ? ZR_CORRUPT : ZR_OK;
}

ZRESULT ZipReader::CopyEntry(int index, HANDLE out, bool cancellable) {
    if (GoTo(index) != ZR_OK) return ZR_CORRUPT;
    unz_file_info64 entry{};
    if (unzGetCurrentFileInfo64(m_archive, &entry, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return ZR_READ;
    ZRESULT opened = OpenEntry(entry);
    if (opened != ZR_OK) return opened;
    m_transfer.resize(kTransferBytes);
    ZRESULT result = ZR_OK;
    for (;;) {
        int got = ReadEntry(m_transfer.data(), kTransferBytes);
        if (got == 0) break;
        if (got < 0) {
            result = got == UNZ_ERRNO ? ZR_READ : ZR_FLATE;
            break;
        }
        DWORD written = 0;
        if (!WriteFile(out, m_transfer.data(), static_cast<DWORD>(got), &written, nullptr) ||
            written != static_cast<DWORD>(got)) {
            result = ZR_WRITE;
            break;
        }
        if (cancellable && m_cancel != nullptr && m_cancel->load() == 1) {
            result = ZR_CANCELLED;
            break;
        }
    }
    ZRESULT finished = FinishEntry();
    return result == ZR_OK ? finished : result;
}

ZRESULT ZipReader::ResolveTarget(const std::wstring& target, bool folder, std::wstring* full) {
    if (target.empty()) return ZR_ARGS;
    if (IsAbsoluteTarget(target)) {
        *full = target;
        std::replace(full->begin(), full->end(), L'/', L'\\');
    } else {
        std::wstring relative;
        if (!NormaliseEntryName(target, &relative)) return ZR_UNSAFENAME;
        // No step below the base folder may be a link: it could lead anywhere.
        std::wstring path = m_baseDir;
        std::size_t start = 0;
        while (start < relative.size()) {
            std::size_t end = relative.find(L'\\', start);
            if (end == std::wstring::npos) end = relative.size();
            path += relative.substr(start, end - start);
            if (IsLink(path)) return ZR_UNSAFENAME;
            bool last = end >= relative.size() || end + 1 == relative.size();
            if (!last || folder) {
                DWORD attributes = GetFileAttributesW(path.c_str());
                if (attributes == INVALID_FILE_ATTRIBUTES) {
                    if (!CreateDirectoryW(path.c_str(), nullptr)) return ZR_NOFILE;
                } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                    return ZR_NOFILE;
                }
            }
            path += L'\\';
            start = end + 1;
        }
        path.pop_back();
        *full = path;
        return ZR_OK;
    }
    // An absolute target's folders are created as given.
    for (std::size_t at = 3; at < full->size(); ++at) {
        if ((*full)[at] != L'\\') continue;
        std::wstring prefix = full->substr(0, at);
        if (GetFileAttributesW(prefix.c_str()) == INVALID_FILE_ATTRIBUTES &&
            !CreateDirectoryW(prefix.c_str(), nullptr)) {
            return ZR_NOFILE;
        }
    }
    if (folder && GetFileAttributesW(full->c_str()) == INVALID_FILE_ATTRIBUTES &&
        !CreateDirectoryW(full->c_str(), nullptr)) {
        return ZR_NOFILE;
    }
    return ZR_OK;
}

ZRESULT ZipReader::UnzipToFile(int index, const wchar_t* target) {
    if (m_archive == nullptr) return ZR_NOTINITED;
    if (target == nullptr) return ZR_ARGS;
    ZipEntryInfo info{};
    ZRESULT got = GetItem(index, &info);
    if (got != ZR_OK) return got;
    if (m_cachedUnsafe) return ZR_UNSAFENAME;
    bool folder = (info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    std::wstring path;
    ZRESULT resolved = ResolveTarget(target, folder, &path);
    if (resolved != ZR_OK || folder) return resolved;
    if (IsLink(path)) return ZR_UNSAFENAME;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return ZR_NOFILE;
    ZRESULT result = CopyEntry(index, out, true);
    if (result == ZR_OK) SetFileTime(out, &info.creationTime, &info.accessTime, &info.writeTime);
    CloseHandle(out);
    if (result != ZR_OK) {
        // Nothing half-written stays behind.
        DeleteFileW(path.c_str());
        return result;
    }
    if (info.attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    return ZR_OK;
}

ZRESULT ZipReader::UnzipToHandle(int index, HANDLE file) {
    if (m_archive == nullptr) return ZR_NOTINITED;
    if (file == nullptr || file == INVALID_HANDLE_VALUE) return ZR_ARGS;
    ZipEntryInfo info{};
    ZRESULT got = GetItem(index, &info);
    if (got != ZR_OK) return got;
    if (info.attributes & FILE_ATTRIBUTE_DIRECTORY) return ZR_OK;
    return CopyEntry(index, file, false);
}

ZRESULT ZipReader::UnzipToMemory(int index, void* buffer, DWORD length, DWORD* produced) {
    if (produced != nullptr) *produced = 0;
    if (m_archive == nullptr) return ZR_NOTINITED;
    if (buffer == nullptr || length == 0 || index < 0 || index >= m_count) return ZR_ARGS;
    if (m_openEntry != index) {
        CloseEntry();
        if (GoTo(index) != ZR_OK) return ZR_CORRUPT;
        unz_file_info64 entry{};
        if (unzGetCurrentFileInfo64(m_archive, &entry, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return ZR_READ;
        ZRESULT opened = OpenEntry(entry);
        if (opened != ZR_OK) return opened;
        m_openEntry = index;
    }
    DWORD total = 0;
    while (total < length) {
        int got = ReadEntry(static_cast<BYTE*>(buffer) + total, length - total);
        if (got < 0) {
            CloseEntry();
            return got == UNZ_ERRNO ? ZR_READ : ZR_FLATE;
        }
        if (got == 0) {
            if (produced != nullptr) *produced = total;
            m_openEntry = -1;
            return FinishEntry();
        }
        total += static_cast<DWORD>(got);
    }
    if (produced != nullptr) *produced = total;
    return ZR_MORE;
}
