#include "platform/files/FileVersion.h"

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/base/LastError.h"
#include "platform/files/FileSystem.h"
#include "platform/kernel/KernelObjects.h"

namespace {

std::wstring AnsiToWide(const char* text) { return platform::CodePageToWide(CP_ACP, text); }

constexpr DWORD kResourceDirectoryEntry = 2;   // index of the resource table among the data directories
constexpr DWORD kVersionResourceType = 16;     // RT_VERSION
constexpr DWORD kMaxVersionBlock = 64 * 1024;  // a version block's length field is 16 bits
constexpr int kMaxSections = 96;               // the PE format's own limit

// Bounded reads at absolute offsets of one open file.
class ImageReader {
public:
    explicit ImageReader(HANDLE file) : m_file(file) {
        LARGE_INTEGER size{};
        if (GetFileSizeEx(file, &size)) m_size = static_cast<ULONGLONG>(size.QuadPart);
    }
    bool Read(ULONGLONG offset, void* out, DWORD length) const {
        if (offset > m_size || length > m_size - offset) return false;
        LARGE_INTEGER at{};
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        return SetFilePointerEx(m_file, at, nullptr, FILE_BEGIN) && ReadFile(m_file, out, length, &got, nullptr) &&
               got == length;
    }
    template <typename T>
    bool Value(ULONGLONG offset, T& out) const {
        return Read(offset, &out, sizeof out);
    }

private:
    HANDLE m_file;
    ULONGLONG m_size = 0;
};

struct Section {
    DWORD virtualAddress;
    DWORD virtualSize;
    DWORD rawSize;
    DWORD rawOffset;
};

// File offset of a relative virtual address inside one of the sections.
bool RvaToOffset(const std::vector<Section>& sections, DWORD rva, DWORD length, ULONGLONG& offset) {
    for (const Section& section : sections) {
        DWORD extent = section.virtualSize > section.rawSize ? section.rawSize : section.virtualSize;
        if (extent == 0) extent = section.rawSize;
        if (rva >= section.virtualAddress && rva - section.virtualAddress < extent &&
            length <= extent - (rva - section.virtualAddress)) {
            offset = static_cast<ULONGLONG>(section.rawOffset) + (rva - section.virtualAddress);
            return true;
        }
    }
    return false;
}

// The entry of a resource directory with the given id, or its first entry
// when `id` is 0; false when there is none. `subdirectory` says what it points at.
bool FindResourceEntry(const ImageReader& image, ULONGLONG root, ULONGLONG directory, DWORD id, ULONGLONG& target,
                       bool& subdirectory) {
    WORD named = 0, ids = 0;
    if (!image.Value(directory + 12, named) || !image.Value(directory + 14, ids)) return false;
    for (DWORD index = 0; index < static_cast<DWORD>(named) + ids; ++index) {
        DWORD name = 0, data = 0;
        if (!image.Value(directory + 16 + index * 8, name) || !image.Value(directory + 20 + index * 8, data))
            return false;
        if (id != 0 && ((name & 0x80000000u) != 0 || name != id)) continue;
        subdirectory = (data & 0x80000000u) != 0;
        target = root + (data & 0x7FFFFFFFu);
        return true;
    }
    return false;
}

// The version block of a PE image, empty when it has none.
std::vector<BYTE> ReadVersionBlock(HANDLE file) {
    ImageReader image(file);
    WORD magic = 0;
    DWORD peOffset = 0, signature = 0;
    if (!image.Value(0, magic) || magic != 0x5A4D || !image.Value(0x3C, peOffset) ||
        !image.Value(peOffset, signature) || signature != 0x00004550)
        return {};
    ULONGLONG coff = static_cast<ULONGLONG>(peOffset) + 4;
    WORD sectionCount = 0, optionalSize = 0, optionalMagic = 0;
    if (!image.Value(coff + 2, sectionCount) || !image.Value(coff + 16, optionalSize) || sectionCount > kMaxSections)
        return {};
    ULONGLONG optional = coff + 20;
    if (!image.Value(optional, optionalMagic)) return {};
    ULONGLONG directories = optional + (optionalMagic == 0x20B ? 112 : 96);
    DWORD directoryCount = 0, resourceRva = 0, resourceSize = 0;
    if (!image.Value(directories - 4, directoryCount) || directoryCount <= kResourceDirectoryEntry ||
        directories + (kResourceDirectoryEntry + 1) * 8 > optional + optionalSize ||
        !image.Value(directories + kResourceDirectoryEntry * 8, resourceRva) ||
        !image.Value(directories + kResourceDirectoryEntry * 8 + 4, resourceSize) || resourceRva == 0)
        return {};
    std::vector<Section> sections;
    for (WORD index = 0; index < sectionCount; ++index) {
        ULONGLONG header = optional + optionalSize + index * 40ULL;
        Section section{};
        if (!image.Value(header + 8, section.virtualSize) || !image.Value(header + 12, section.virtualAddress) ||
            !image.Value(header + 16, section.rawSize) || !image.Value(header + 20, section.rawOffset))
            return {};
        sections.push_back(section);
    }
    ULONGLONG root = 0;
    if (!RvaToOffset(sections, resourceRva, 16, root)) return {};
    // Type RT_VERSION, then its first name, then its first language.
    ULONGLONG at = root;
    bool subdirectory = true;
    const DWORD levels[] = {kVersionResourceType, 0, 0};
    for (DWORD id : levels) {
        if (!subdirectory || !FindResourceEntry(image, root, at, id, at, subdirectory)) return {};
    }
    DWORD dataRva = 0, dataSize = 0;
    ULONGLONG dataOffset = 0;
    if (subdirectory || !image.Value(at, dataRva) || !image.Value(at + 4, dataSize) || dataSize < 6 ||
        dataSize > kMaxVersionBlock || !RvaToOffset(sections, dataRva, dataSize, dataOffset))
        return {};
    std::vector<BYTE> block(dataSize);
    if (!image.Read(dataOffset, block.data(), dataSize)) return {};
    WORD length = 0;
    std::memcpy(&length, block.data(), 2);
    if (length < 6 || length > dataSize) return {};  // the block claims more than the resource holds
    block.resize(length);
    return block;
}

std::vector<BYTE> VersionBlockOf(LPCWSTR path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return {};
    }
    std::vector<BYTE> block = ReadVersionBlock(file);
    CloseHandle(file);
    if (block.empty()) SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return block;
}

// The root block's fixed file information: after the header (length, value
// length, type), the key L"VS_VERSION_INFO" and padding to 32 bits.
bool FixedInfo(const BYTE* block, const VS_FIXEDFILEINFO** info) {
    WORD length = 0, valueLength = 0;
    std::memcpy(&length, block, 2);
    std::memcpy(&valueLength, block + 2, 2);
    const std::size_t valueAt = 40;
    if (valueLength < sizeof(VS_FIXEDFILEINFO) || length < valueAt + sizeof(VS_FIXEDFILEINFO)) return false;
    DWORD signature = 0;
    std::memcpy(&signature, block + valueAt, 4);
    if (signature != VS_FFI_SIGNATURE) return false;
    *info = reinterpret_cast<const VS_FIXEDFILEINFO*>(block + valueAt);
    return true;
}

}  // namespace

DWORD GetFileVersionInfoSizeW(LPCWSTR path, LPDWORD handle) {
    if (handle != nullptr) *handle = 0;
    if (path == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return static_cast<DWORD>(VersionBlockOf(path).size());
}

DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
    std::wstring wide = AnsiToWide(path);
    return GetFileVersionInfoSizeW(path != nullptr ? wide.c_str() : nullptr, handle);
}

BOOL GetFileVersionInfoW(LPCWSTR path, DWORD, DWORD size, LPVOID data) {
    if (path == nullptr || data == nullptr || size == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::vector<BYTE> block = VersionBlockOf(path);
    if (block.empty()) return FALSE;
    std::memcpy(data, block.data(), block.size() < size ? block.size() : size);
    return TRUE;
}

BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID data) {
    std::wstring wide = AnsiToWide(path);
    return GetFileVersionInfoW(path != nullptr ? wide.c_str() : nullptr, handle, size, data);
}

BOOL VerQueryValueW(LPCVOID block, LPCWSTR subBlock, LPVOID* value, UINT* length) {
    if (block == nullptr || subBlock == nullptr || value == nullptr) return FALSE;
    if (std::wcscmp(subBlock, L"\\") != 0) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    const VS_FIXEDFILEINFO* info = nullptr;
    if (!FixedInfo(static_cast<const BYTE*>(block), &info)) return FALSE;
    *value = const_cast<VS_FIXEDFILEINFO*>(info);
    if (length != nullptr) *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* value, UINT* length) {
    std::wstring wide = AnsiToWide(subBlock);
    return VerQueryValueW(block, subBlock != nullptr ? wide.c_str() : nullptr, value, length);
}
