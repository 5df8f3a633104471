#include "formats/zip/ZipWriter.h"

#include <algorithm>
#include <cstring>

#include "formats/zip/ZipCalendar.h"
#include "platform/base/Clock.h"
#include "platform/base/Random.h"
#include "platform/files/FileSystem.h"
#include "platform/files/FileTimes.h"
#include "platform/kernel/KernelObjects.h"
#include "platform/kernel/SharedMemory.h"
#include "util/StringConvert.h"

namespace {

constexpr DWORD kTransferBytes = 16 * 1024;
constexpr WORD kFlagEncrypted = 0x1;
constexpr WORD kFlagMaximum = 0x2;
constexpr WORD kFlagDescriptor = 0x8;
constexpr WORD kMethodStored = 0;
constexpr WORD kMethodDeflate = 8;
constexpr std::size_t kMaxNameBytes = 260;
// Sizes and offsets must stay below 0xFFFFFFFF, which readers take as the
// mark of a 64-bit extension; the entry count below 0xFFFF.
constexpr ULONGLONG kSizeLimit = 0xFFFFFFFFull;
constexpr std::size_t kEntryLimit = 0xFFFF;

constexpr DWORD kUnixRegular = 0x8000;
constexpr DWORD kUnixFolder = 0x4000;
constexpr DWORD kUnixOwnerRead = 0x100;
constexpr DWORD kUnixOwnerWrite = 0x80;
constexpr DWORD kUnixOwnerExecute = 0x40;
constexpr DWORD kStreamAttributes = 0x80000000u;
constexpr DWORD kFolderAttributes = 0x41C00010u;

void Put16(std::vector<BYTE>& out, DWORD value) {
    out.push_back(static_cast<BYTE>(value));
    out.push_back(static_cast<BYTE>(value >> 8));
}

void Put32(std::vector<BYTE>& out, DWORD value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::uint16_t Get16(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const BYTE* p) { return Get16(p) | (static_cast<std::uint32_t>(Get16(p + 2)) << 16); }

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

DWORD CurrentLocalDosTime() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return CalendarToDosDateTime(
        ZipCalendarTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds});
}

std::int64_t CurrentUnixTime() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return FileTimeToUnixTime(now);
}

// The local file header of an entry.
std::vector<BYTE> LocalHeader(const ZipEntryRecord& entry, const std::uint32_t times[3]) {
    std::vector<BYTE> out;
    out.reserve(30 + entry.name.size() + 17);
    Put32(out, 0x04034B50);
    Put16(out, entry.versionNeeded);
    Put16(out, entry.flags);
    Put16(out, entry.method);
    Put32(out, entry.dosDateTime);
    Put32(out, entry.crc);
    Put32(out, entry.compressedSize);
    Put32(out, entry.uncompressedSize);
    Put16(out, static_cast<DWORD>(entry.name.size()));
    Put16(out, entry.localExtraLength);
    out.insert(out.end(), entry.name.begin(), entry.name.end());
    // Extended timestamp: modification, access and creation time.
    Put16(out, 0x5455);
    Put16(out, 13);
    out.push_back(0x07);
    for (int i = 0; i < 3; ++i) Put32(out, times[i]);
    return out;
}

}  // namespace

bool ZipStoresSuffix(const std::string& name) {
    std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string suffix = LowerAscii(name.substr(dot));
    for (const char* stored : {".z", ".zip", ".zoo", ".arc", ".lzh", ".arj", ".gz", ".tgz"}) {
        if (suffix == stored) return true;
    }
    return false;
}

// The entry being added: where its bytes come from and what was read.
struct ZipWriter::Source {
    ZipSourceKind kind = ZipSourceKind::Memory;
    HANDLE handle = nullptr;
    bool ownHandle = false;
    const BYTE* memory = nullptr;
    ULONGLONG memoryLength = 0;
    ULONGLONG memoryPosition = 0;
    std::int64_t declaredSize = -1;
    ULONGLONG bytesRead = 0;
    DWORD crc = 0;
    bool canSeek = false;
    DWORD attributes = 0;
    std::uint32_t times[3] = {0, 0, 0};  // modification, access, creation (Unix)
    DWORD dosDateTime = 0;
};

ZipWriter::ZipWriter(const char* password) {
    if (password != nullptr && *password != '\0') m_password = password;
}

ZipWriter::~ZipWriter() {
    if (m_deflate) deflateEnd(m_deflate.get());
    if (m_mapping != nullptr) {
        UnmapViewOfFile(m_buffer);
        CloseHandle(m_mapping);
    }
    if (m_ownOutput && m_output != nullptr) CloseHandle(m_output);
}

ZRESULT ZipWriter::OpenFile(const wchar_t* path) {
    if (m_output != nullptr || m_buffer != nullptr) return ZR_NOTINITED;
    if (path == nullptr) return ZR_ARGS;
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return ZR_NOFILE;
    m_output = file;
    m_ownOutput = true;
    m_canSeek = true;
    return ZR_OK;
}

ZRESULT ZipWriter::OpenHandle(HANDLE handle) {
    if (m_output != nullptr || m_buffer != nullptr) return ZR_NOTINITED;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return ZR_ARGS;
    LARGE_INTEGER zero{};
    LARGE_INTEGER position{};
    m_canSeek = SetFilePointerEx(handle, zero, &position, FILE_CURRENT) != FALSE;
    m_startOffset = m_canSeek ? static_cast<ULONGLONG>(position.QuadPart) : 0;
    if (m_startOffset >= kSizeLimit) return ZR_TOOLARGE;
    m_output = handle;
    m_ownOutput = false;
    return ZR_OK;
}

ZRESULT ZipWriter::OpenMemory(void* buffer, DWORD size) {
    if (m_output != nullptr || m_buffer != nullptr) return ZR_NOTINITED;
    if (size == 0) return ZR_MEMSIZE;
    if (buffer != nullptr) {
        m_buffer = static_cast<BYTE*>(buffer);
    } else {
        m_mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, nullptr);
        if (m_mapping == nullptr) return ZR_NOALLOC;
        m_buffer = static_cast<BYTE*>(MapViewOfFile(m_mapping, FILE_MAP_ALL_ACCESS, 0, 0, size));
        if (m_buffer == nullptr) {
            CloseHandle(m_mapping);
            m_mapping = nullptr;
            return ZR_NOALLOC;
        }
    }
    m_bufferSize = size;
    m_canSeek = true;
    return ZR_OK;
}

bool ZipWriter::WriteRaw(const void* data, std::size_t length) {
    if (length == 0) return true;
    if (m_buffer != nullptr) {
        // The whole buffer may be filled: a write that ends exactly at its end fits.
        if (m_outputPosition + length > m_bufferSize) {
            if (m_lastError == ZR_OK) m_lastError = ZR_MEMSIZE;
            return false;
        }
        std::memcpy(m_buffer + m_outputPosition, data, length);
        m_outputPosition += length;
        return true;
    }
    DWORD done = 0;
    if (!WriteFile(m_output, data, static_cast<DWORD>(length), &done, nullptr) || done != length) {
        if (m_lastError == ZR_OK) m_lastError = ZR_WRITE;
        return false;
    }
    return true;
}

bool ZipWriter::WriteOut(const void* data, std::size_t length) {
    if (m_lastError != ZR_OK) return false;
    if (m_startOffset + m_written + length >= kSizeLimit) {
        m_lastError = ZR_TOOLARGE;
        return false;
    }
    const void* bytes = data;
    if (m_encrypting && length > 0) {
        if (m_encryptBuffer.size() < length) m_encryptBuffer.resize(length * 2);
        std::memcpy(m_encryptBuffer.data(), data, length);
        m_keys->Encrypt(m_encryptBuffer.data(), length);
        bytes = m_encryptBuffer.data();
    }
    if (!WriteRaw(bytes, length)) return false;
    m_written += length;
    return true;
}

bool ZipWriter::SeekOutput(ULONGLONG position) {
    if (m_buffer != nullptr) {
        if (position > m_bufferSize) return false;
        m_outputPosition = position;
        return true;
    }
    LARGE_INTEGER target{};
    target.QuadPart = static_cast<LONGLONG>(position);
    return SetFilePointerEx(m_output, target, nullptr, FILE_BEGIN) != FALSE;
}

ZRESULT ZipWriter::OpenSource(Source& source, const void* from, std::int64_t length, ZipSourceKind kind) {
    source.kind = kind;
    DWORD nowDos = CurrentLocalDosTime();
    std::uint32_t nowUnix = static_cast<std::uint32_t>(CurrentUnixTime());
    source.dosDateTime = nowDos;
    source.times[0] = source.times[1] = source.times[2] = nowUnix;
    switch (kind) {
        case ZipSourceKind::Folder:
            source.attributes = kFolderAttributes;
            source.declaredSize = 0;
            return ZR_OK;
        case ZipSourceKind::Memory:
            if (from == nullptr && length != 0) return ZR_ARGS;
            if (length < 0) return ZR_ARGS;
            source.memory = static_cast<const BYTE*>(from);
            source.memoryLength = static_cast<ULONGLONG>(length);
            source.declaredSize = length;
            source.canSeek = true;
            source.attributes = kStreamAttributes;
            return ZR_OK;
        case ZipSourceKind::File:
        case ZipSourceKind::Handle: break;
    }
    DWORD dosAttributes = FILE_ATTRIBUTE_ARCHIVE;
    if (kind == ZipSourceKind::File) {
        const wchar_t* path = static_cast<const wchar_t*>(from);
        if (path == nullptr) return ZR_ARGS;
        source.handle =
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (source.handle == INVALID_HANDLE_VALUE) {
            source.handle = nullptr;
            return ZR_NOFILE;
        }
        source.ownHandle = true;
        DWORD attributes = GetFileAttributesW(path);
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            dosAttributes = attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                          FILE_ATTRIBUTE_ARCHIVE);
        }
    } else {
        source.handle = const_cast<HANDLE>(from);
        if (source.handle == nullptr || source.handle == INVALID_HANDLE_VALUE) {
            source.handle = nullptr;
            return ZR_ARGS;
        }
    }
    LARGE_INTEGER zero{};
    LARGE_INTEGER position{};
    LARGE_INTEGER size{};
    source.canSeek = SetFilePointerEx(source.handle, zero, &position, FILE_CURRENT) != FALSE &&
                     GetFileSizeEx(source.handle, &size) != FALSE;
    if (!source.canSeek) {
        // A pipe: no size, no times of its own.
        source.declaredSize = length >= 0 ? length : -1;
        source.attributes = kStreamAttributes;
        return ZR_OK;
    }
    std::int64_t remaining = std::max<std::int64_t>(0, size.QuadPart - position.QuadPart);
    source.declaredSize = length >= 0 ? std::min(length, remaining) : remaining;
    FILETIME created{};
    FILETIME accessed{};
    FILETIME modified{};
    if (GetFileTime(source.handle, &created, &accessed, &modified)) {
        // DOS times are local times: readers show them as they stand.
        FILETIME localModified{};
        FileTimeToLocalFileTime(&modified, &localModified);
        source.dosDateTime = CalendarToDosDateTime(FileTimeToCalendar(localModified));
        source.times[0] = static_cast<std::uint32_t>(FileTimeToUnixTime(modified));
        source.times[1] = static_cast<std::uint32_t>(FileTimeToUnixTime(accessed));
        source.times[2] = static_cast<std::uint32_t>(FileTimeToUnixTime(created));
    }
    DWORD mode = kUnixRegular | kUnixOwnerRead;
    if ((dosAttributes & FILE_ATTRIBUTE_READONLY) == 0) mode |= kUnixOwnerWrite;
    if (kind == ZipSourceKind::File && source.declaredSize > 64) {
        // A Windows executable: "MZ" at 0, the offset of its new header at 60,
        // and there one of the "PE", "NE" or "LE" signatures.
        BYTE head[64];
        DWORD got = 0;
        if (ReadFile(source.handle, head, sizeof(head), &got, nullptr) && got == sizeof(head) &&
            Get16(head) == 0x5A4D) {
            std::uint32_t header = Get32(head + 60);
            BYTE signature[4] = {0, 0, 0, 0};
            LARGE_INTEGER at{};
            at.QuadPart = header;
            if (static_cast<std::int64_t>(header) + 4 <= source.declaredSize &&
                SetFilePointerEx(source.handle, at, nullptr, FILE_BEGIN) &&
                ReadFile(source.handle, signature, 4, &got, nullptr) && got == 4) {
                bool pe = std::memcmp(signature, "PE\0\0", 4) == 0;
                bool older = std::memcmp(signature, "NE", 2) == 0 || std::memcmp(signature, "LE", 2) == 0;
                if (pe || older) mode |= kUnixOwnerExecute;
            }
        }
        SetFilePointerEx(source.handle, position, nullptr, FILE_BEGIN);
    }
    source.attributes = (mode << 16) | dosAttributes;
    return ZR_OK;
}

void ZipWriter::CloseSource(Source& source) {
    if (source.ownHandle && source.handle != nullptr) CloseHandle(source.handle);
    source.handle = nullptr;
    source.ownHandle = false;
}

bool ZipWriter::ReadSource(Source& source, BYTE* buffer, DWORD wanted, DWORD* got) {
    *got = 0;
    if (source.declaredSize >= 0) {
        ULONGLONG left = static_cast<ULONGLONG>(source.declaredSize) -
                         std::min<ULONGLONG>(source.bytesRead, static_cast<ULONGLONG>(source.declaredSize));
        wanted = static_cast<DWORD>(std::min<ULONGLONG>(wanted, left));
    }
    if (wanted == 0) return true;
    if (source.kind == ZipSourceKind::Memory) {
        ULONGLONG left = source.memoryLength - source.memoryPosition;
        DWORD count = static_cast<DWORD>(std::min<ULONGLONG>(wanted, left));
        std::memcpy(buffer, source.memory + source.memoryPosition, count);
        source.memoryPosition += count;
        *got = count;
    } else if (!ReadFile(source.handle, buffer, wanted, got, nullptr)) {
        return false;
    }
    source.bytesRead += *got;
    source.crc = static_cast<DWORD>(crc32(source.crc, buffer, *got));
    return true;
}

ZRESULT ZipWriter::CopyData(Source& source, bool compress, DWORD* compressed) {
    *compressed = 0;
    if (source.kind == ZipSourceKind::Folder) return ZR_OK;
    m_transfer.resize(kTransferBytes);
    ULONGLONG before = m_written;
    if (!compress) {
        for (;;) {
            DWORD got = 0;
            if (!ReadSource(source, m_transfer.data(), kTransferBytes, &got)) return ZR_READ;
            if (got == 0) break;
            if (source.bytesRead >= kSizeLimit) return ZR_TOOLARGE;
            if (!WriteOut(m_transfer.data(), got)) return m_lastError;
        }
        *compressed = static_cast<DWORD>(m_written - before);
        return ZR_OK;
    }
    if (!m_deflate) {
        m_deflate = std::make_unique<z_stream>();
        std::memset(m_deflate.get(), 0, sizeof(z_stream));
        if (deflateInit2(m_deflate.get(), 8, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
            m_deflate.reset();
            return ZR_FLATE;
        }
    } else if (deflateReset(m_deflate.get()) != Z_OK) {
        return ZR_FLATE;
    }
    m_compressed.resize(kTransferBytes);
    z_stream& stream = *m_deflate;
    bool finished = false;
    while (!finished) {
        DWORD got = 0;
        if (!ReadSource(source, m_transfer.data(), kTransferBytes, &got)) return ZR_READ;
        if (source.bytesRead >= kSizeLimit) return ZR_TOOLARGE;
        int flush = got == 0 ? Z_FINISH : Z_NO_FLUSH;
        stream.next_in = m_transfer.data();
        stream.avail_in = got;
        do {
            stream.next_out = m_compressed.data();
            stream.avail_out = kTransferBytes;
            int status = deflate(&stream, flush);
            if (status == Z_STREAM_ERROR) return ZR_FLATE;
            std::size_t produced = kTransferBytes - stream.avail_out;
            if (!WriteOut(m_compressed.data(), produced)) return m_lastError;
            if (status == Z_STREAM_END) finished = true;
        } while (stream.avail_out == 0 || (flush == Z_FINISH && !finished));
    }
    *compressed = static_cast<DWORD>(m_written - before);
    return ZR_OK;
}

ZRESULT ZipWriter::Add(const wchar_t* name, const void* from, std::int64_t length, ZipSourceKind kind) {
    if (m_lastError != ZR_OK) return ZR_FAILED;
    if (m_centralWritten) return ZR_ENDED;
    if (m_output == nullptr && m_buffer == nullptr) return ZR_NOTINITED;
    if (name == nullptr || *name == L'\0') return ZR_ARGS;
    if (m_entries.size() >= kEntryLimit) return ZR_TOOLARGE;

    std::wstring wideName = name;
    std::replace(wideName.begin(), wideName.end(), L'\\', L'/');
    std::string entryName = WideToUtf8(wideName);
    bool folder = kind == ZipSourceKind::Folder;
    if (folder && entryName.back() != '/') entryName.push_back('/');
    if (entryName.size() > kMaxNameBytes) return ZR_ARGS;

    bool encrypt = !m_password.empty() && !folder;
    DWORD headerLength = encrypt ? 12 : 0;
    bool stored = folder || ZipStoresSuffix(entryName);

    Source source;
    ZRESULT opened = OpenSource(source, from, length, kind);
    if (opened != ZR_OK) {
        CloseSource(source);
        return opened;
    }
    if (source.declaredSize >= 0 && static_cast<ULONGLONG>(source.declaredSize) + headerLength >= kSizeLimit) {
        CloseSource(source);
        return ZR_TOOLARGE;
    }

    ZipEntryRecord entry;
    entry.flags = encrypt ? (kFlagDescriptor | kFlagEncrypted) : kFlagDescriptor;
    entry.method = stored ? kMethodStored : kMethodDeflate;
    entry.dosDateTime = source.dosDateTime;
    bool sizeKnown = source.declaredSize >= 0;
    entry.compressedSize = stored && sizeKnown ? static_cast<DWORD>(source.declaredSize) + headerLength : 0;
    entry.uncompressedSize = sizeKnown ? static_cast<DWORD>(source.declaredSize) : 0;
    entry.localFlags = entry.flags;
    entry.externalAttributes = source.attributes;
    entry.localHeaderOffset = static_cast<DWORD>(m_written + m_startOffset);
    entry.name = entryName;
    Put16(entry.centralExtra, 0x5455);
    Put16(entry.centralExtra, 5);
    entry.centralExtra.push_back(0x07);
    Put32(entry.centralExtra, source.times[0]);

    std::vector<BYTE> header = LocalHeader(entry, source.times);
    if (!WriteOut(header.data(), header.size())) {
        CloseSource(source);
        return m_lastError == ZR_TOOLARGE ? ZR_TOOLARGE : ZR_WRITE;
    }

    if (encrypt) {
        m_keys = std::make_unique<ZipEncryptKeys>(m_password.c_str());
        BYTE head[12];
        if (BCryptGenRandom(nullptr, head, 11, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != STATUS_SUCCESS) {
            CloseSource(source);
            m_lastError = ZR_NOALLOC;
            return ZR_NOALLOC;
        }
        // The last byte lets readers check the password: with sizes in a
        // descriptor it is the high byte of the DOS time.
        head[11] = static_cast<BYTE>((entry.dosDateTime >> 8) & 0xFF);
        m_encrypting = true;
        bool written = WriteOut(head, sizeof(head));
        if (!written) {
            m_encrypting = false;
            CloseSource(source);
            return m_lastError;
        }
    }

    if (!stored) {
        entry.flags |= kFlagMaximum;
    }
    DWORD compressed = 0;
    ZRESULT copied = CopyData(source, !stored, &compressed);
    m_encrypting = false;
    CloseSource(source);
    if (copied != ZR_OK) {
        // An error of the output sticks (WriteOut recorded it). A source that
        // failed leaves its bytes unlisted; later entries still find their place.
        if (m_lastError != ZR_OK) return m_lastError;
        return copied == ZR_TOOLARGE ? ZR_TOOLARGE : ZR_WRITE;
    }
    entry.crc = source.crc;
    entry.compressedSize = compressed + headerLength;
    entry.uncompressedSize = static_cast<DWORD>(source.bytesRead);

    if (m_canSeek && !encrypt) {
        entry.flags &= static_cast<WORD>(~kFlagDescriptor);
        entry.localFlags = entry.flags;
        std::vector<BYTE> final = LocalHeader(entry, source.times);
        ULONGLONG end = m_startOffset + m_written;
        if (!SeekOutput(entry.localHeaderOffset)) {
            m_lastError = ZR_SEEK;
            return ZR_SEEK;
        }
        bool rewritten = WriteRaw(final.data(), final.size());
        if (!SeekOutput(end)) {
            m_lastError = ZR_SEEK;
            return ZR_SEEK;
        }
        if (!rewritten) return ZR_WRITE;
    } else {
        if (stored && (!sizeKnown || entry.compressedSize != static_cast<DWORD>(source.declaredSize) + headerLength)) {
            return ZR_NOCHANGE;
        }
        // The central header repeats the flags of the local header.
        entry.flags = entry.localFlags;
        std::vector<BYTE> descriptor;
        Put32(descriptor, 0x08074B50);
        Put32(descriptor, entry.crc);
        Put32(descriptor, entry.compressedSize);
        Put32(descriptor, entry.uncompressedSize);
        if (!WriteOut(descriptor.data(), descriptor.size())) return m_lastError;
    }
    m_entries.push_back(std::move(entry));
    return ZR_OK;
}

ZRESULT ZipWriter::WriteCentral() {
    if (m_centralWritten) return ZR_OK;
    m_centralWritten = true;
    ULONGLONG start = m_written;
    // After a sticky error the output is unusable: nothing more is written.
    bool failed = m_lastError != ZR_OK;
    DWORD count = static_cast<DWORD>(m_entries.size());
    for (const ZipEntryRecord& entry : m_entries) {
        if (failed) break;
        std::vector<BYTE> out;
        out.reserve(46 + entry.name.size() + entry.centralExtra.size());
        Put32(out, 0x02014B50);
        Put16(out, entry.versionMadeBy);
        Put16(out, entry.versionNeeded);
        Put16(out, entry.flags);
        Put16(out, entry.method);
        Put32(out, entry.dosDateTime);
        Put32(out, entry.crc);
        Put32(out, entry.compressedSize);
        Put32(out, entry.uncompressedSize);
        Put16(out, static_cast<DWORD>(entry.name.size()));
        Put16(out, entry.centralExtraLength);
        Put16(out, entry.commentLength);
        Put16(out, entry.disk);
        Put16(out, entry.internalAttributes);
        Put32(out, entry.externalAttributes);
        Put32(out, entry.localHeaderOffset);
        out.insert(out.end(), entry.name.begin(), entry.name.end());
        out.insert(out.end(), entry.centralExtra.begin(), entry.centralExtra.end());
        if (!WriteOut(out.data(), out.size())) failed = true;
    }
    m_entries.clear();
    if (failed) return ZR_WRITE;
    std::vector<BYTE> end;
    Put32(end, 0x06054B50);
    Put16(end, 0);
    Put16(end, 0);
    Put16(end, count);
    Put16(end, count);
    Put32(end, static_cast<DWORD>(m_written - start));
    Put32(end, static_cast<DWORD>(start + m_startOffset));
    Put16(end, 0);
    return WriteOut(end.data(), end.size()) ? ZR_OK : ZR_WRITE;
}

ZRESULT ZipWriter::GetMemory(void** buffer, DWORD* length) {
    if (m_buffer == nullptr) return ZR_NOTMMAP;
    ZRESULT result = WriteCentral();
    if (buffer != nullptr) *buffer = m_buffer;
    if (length != nullptr) *length = static_cast<DWORD>(m_written);
    return result;
}

ZRESULT ZipWriter::Close() {
    ZRESULT result = WriteCentral();
    if (m_ownOutput && m_output != nullptr) {
        if (!CloseHandle(m_output) && result == ZR_OK) result = ZR_WRITE;
        m_output = nullptr;
        m_ownOutput = false;
    }
    return result;
}
