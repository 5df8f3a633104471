#include "formats/zip/ZipCipher.h"

#include <zlib.h>

namespace {

// One step of the CRC-32 (the table of zlib's crc32) over one byte.
std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t byte) {
    static const z_crc_t* table = get_crc_table();
    return table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

}  // namespace

ZipCipherKeys::ZipCipherKeys(const char* password) : m_keys{0x12345678u, 0x23456789u, 0x34567890u} {
    if (password == nullptr) return;
    for (const char* p = password; *p != '\0'; ++p) Update(static_cast<std::uint8_t>(*p));
}

void ZipCipherKeys::Update(std::uint8_t plain) {
    m_keys[0] = CrcStep(m_keys[0], plain);
    m_keys[1] = (m_keys[1] + (m_keys[0] & 0xFF)) * 134775813u + 1;
    m_keys[2] = CrcStep(m_keys[2], static_cast<std::uint8_t>(m_keys[1] >> 24));
}

std::uint8_t ZipCipherKeys::StreamByte() const {
    std::uint32_t temp = (m_keys[2] & 0xFFFF) | 2;
    return static_cast<std::uint8_t>((temp * (temp ^ 1)) >> 8);
}

void ZipEncryptKeys::Encrypt(std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        std::uint8_t plain = data[i];
        data[i] = static_cast<std::uint8_t>(plain ^ StreamByte());
        Update(plain);
    }
}

void ReaderDecryptKeys::Decrypt(std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        data[i] = static_cast<std::uint8_t>(data[i] ^ StreamByte());
        Update(data[i]);
    }
}
