// The zip writer: local headers, optional traditional encryption, stored or
// raw-DEFLATE data (zlib, level 8), data descriptors, the central directory
// and the end record, written to a file, an open handle or memory.
//
// No 64-bit extensions: an entry, the archive or the entry count that would
// outgrow the 32-bit (16-bit for the count) fields is refused with
// ZR_TOOLARGE. The first write error sticks: later additions fail with
// ZR_FAILED. One thread at a time uses a writer.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "formats/zip/ZipCipher.h"
#include "formats/zip/ZipResult.h"
#include "platform/base/Win32Types.h"

// One central directory entry, kept until the directory is written.
struct ZipEntryRecord {
    WORD versionMadeBy = 0x0B17;
    WORD versionNeeded = 20;
    WORD flags = 0;
    WORD method = 0;
    DWORD dosDateTime = 0;
    DWORD crc = 0;
    DWORD compressedSize = 0;
    DWORD uncompressedSize = 0;
    WORD localExtraLength = 17;
    WORD centralExtraLength = 9;
    WORD commentLength = 0;
    WORD disk = 0;
    WORD internalAttributes = 0;
    WORD localFlags = 0;
    DWORD externalAttributes = 0;
    DWORD localHeaderOffset = 0;
    std::vector<BYTE> centralExtra;
    std::string name;  // UTF-8 with "/" separators
};

// What an addition reads from.
enum class ZipSourceKind { File, Handle, Memory, Folder };

class ZipWriter {
public:
    // A null or empty password means no encryption.
    explicit ZipWriter(const char* password);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    ZRESULT OpenFile(const wchar_t* path);
    // From the handle's current position; the caller keeps the handle.
    ZRESULT OpenHandle(HANDLE handle);
    // The caller's buffer, or (buffer null) a page-file mapping of `size` bytes.
    ZRESULT OpenMemory(void* buffer, DWORD size);

    // File: `source` is a wide path. Handle: `source` is the handle and
    // `length` the bytes to take (-1: to its end). Memory: `source` and
    // `length` give the bytes. Folder: no source.
    ZRESULT Add(const wchar_t* name, const void* source, std::int64_t length, ZipSourceKind kind);
    // Memory writers only: writes the central directory once and gives the bytes.
    ZRESULT GetMemory(void** buffer, DWORD* length);
    // Writes the central directory (unless done) and closes what the writer opened.
    ZRESULT Close();

private:
    struct Source;
    ZRESULT OpenSource(Source& source, const void* from, std::int64_t length, ZipSourceKind kind);
    void CloseSource(Source& source);
    ZRESULT CopyData(Source& source, bool compress, DWORD* compressed);
    bool ReadSource(Source& source, BYTE* buffer, DWORD wanted, DWORD* got);
    bool WriteOut(const void* data, std::size_t length);
    bool WriteRaw(const void* data, std::size_t length);
    bool SeekOutput(ULONGLONG position);
    ZRESULT WriteCentral();

    std::string m_password;
    HANDLE m_output = nullptr;
    bool m_ownOutput = false;
    HANDLE m_mapping = nullptr;
    BYTE* m_buffer = nullptr;
    DWORD m_bufferSize = 0;
    ULONGLONG m_outputPosition = 0;
    ULONGLONG m_startOffset = 0;
    ULONGLONG m_written = 0;
    ZRESULT m_lastError = ZR_OK;
    bool m_canSeek = false;
    bool m_centralWritten = false;
    bool m_encrypting = false;
    std::unique_ptr<ZipEncryptKeys> m_keys;
    std::vector<BYTE> m_encryptBuffer;
    std::vector<ZipEntryRecord> m_entries;
    std::unique_ptr<z_stream> m_deflate;
    std::vector<BYTE> m_transfer;
    std::vector<BYTE> m_compressed;
};

// True for a name whose last extension marks data that is compressed already.
bool ZipStoresSuffix(const std::string& name);
