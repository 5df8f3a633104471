// The traditional PKWARE stream cipher of zip entries: three 32-bit keys
// updated with every plain byte through the CRC-32 table.
#pragma once

#include <cstddef>
#include <cstdint>

class ZipCipherKeys {
public:
    // Keys 0x12345678, 0x23456789, 0x34567890, then every password byte fed in.
    explicit ZipCipherKeys(const char* password);
    void Update(std::uint8_t plain);
    std::uint8_t StreamByte() const;

protected:
    std::uint32_t m_keys[3];
};

// Encrypts in place: each byte XOR the stream byte, then the keys take the plain byte.
class ZipEncryptKeys : public ZipCipherKeys {
public:
    using ZipCipherKeys::ZipCipherKeys;
    void Encrypt(std::uint8_t* data, std::size_t length);
};

// Decrypts in place: each byte XOR the stream byte, then the keys take the result.
class ReaderDecryptKeys : public ZipCipherKeys {
public:
    using ZipCipherKeys::ZipCipherKeys;
    void Decrypt(std::uint8_t* data, std::size_t length);
};
