// SetupInfoBlock: the 4096-byte setup information record of a product
// package. It is a file format (stored in package files and in the ".bin"
// copy beside the uninstaller), so the layout is fixed: byte-packed,
// little-endian integers, 8-bit texts in the ANSI code page NUL-terminated
// inside their width. The record of a package file is untrusted input: read
// its texts with ReadText, which never runs past a field.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kSetupInfoBlockSize = 4096;
constexpr char kSetupInfoMagic[8] = {'V', 'o', 'n', 't', 'a', 'r', 'b', 'e'};

#pragma pack(push, 1)
struct SetupInfoBlock {
    // All bytes zero, then the magic (which no reader checks).
    SetupInfoBlock();

    char m_magic[8];
    std::int64_t m_uninstallerOffset;  // file offset of the uninstaller image
    std::uint32_t m_uninstallerSize;
    unsigned char m_reserved20[4];
    std::int64_t m_payloadOffset;  // file offset of the 7z payload
    std::int64_t m_payloadSize;
    unsigned char m_reserved40[17];
    unsigned char m_uninstallerDigest[16];  // raw MD5 of the uninstaller image
    unsigned char m_reserved73[48];
    char m_installFolderName[64];  // folder under Program Files
    char m_productName[64];
    char m_version[32];  // dotted version text
    char m_shortProductName[16];
    char m_date[16];
    char m_helpLink[128];  // URL of the uninstall entry
    char m_copyright[67];
    std::int32_t m_is64Bit;  // 1 for a 64-bit product
    unsigned char m_reserved512[3584];
};
#pragma pack(pop)

static_assert(std::endian::native == std::endian::little, "the record is read and written byte for byte");
static_assert(sizeof(SetupInfoBlock) == kSetupInfoBlockSize);
static_assert(offsetof(SetupInfoBlock, m_uninstallerOffset) == 8);
static_assert(offsetof(SetupInfoBlock, m_uninstallerSize) == 16);
static_assert(offsetof(SetupInfoBlock, m_payloadOffset) == 24);
static_assert(offsetof(SetupInfoBlock, m_payloadSize) == 32);
static_assert(offsetof(SetupInfoBlock, m_uninstallerDigest) == 57);
static_assert(offsetof(SetupInfoBlock, m_installFolderName) == 121);
static_assert(offsetof(SetupInfoBlock, m_productName) == 185);
static_assert(offsetof(SetupInfoBlock, m_version) == 249);
static_assert(offsetof(SetupInfoBlock, m_shortProductName) == 281);
static_assert(offsetof(SetupInfoBlock, m_date) == 297);
static_assert(offsetof(SetupInfoBlock, m_helpLink) == 313);
static_assert(offsetof(SetupInfoBlock, m_copyright) == 441);
static_assert(offsetof(SetupInfoBlock, m_is64Bit) == 508);
static_assert(offsetof(SetupInfoBlock, m_reserved512) == 512);

// The text of a field: up to its first NUL, never beyond its width.
template <size_t N>
std::string ReadText(const char (&field)[N]) {
    size_t length = 0;
    while (length < N && field[length] != 0) ++length;
    return std::string(field, length);
}

// Stores a text in a field, cut to the width minus one, the rest zero.
template <size_t N>
void WriteText(char (&field)[N], const std::string& text) {
    size_t length = text.size() < N - 1 ? text.size() : N - 1;
    for (size_t i = 0; i < N; ++i) field[i] = i < length ? text[i] : 0;
}
