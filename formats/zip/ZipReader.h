// The zip reader: minizip reads the central directory and the entries
// through ReaderInput; this object adds the password check, entry
// information (names, attributes, times), safe extraction targets and
// extraction to files, handles and memory. One thread at a time.
#pragma once

#include <minizip/unzip.h>
#include <zlib.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "formats/zip/ReaderInput.h"
#include "formats/zip/ZipCipher.h"
#include "formats/zip/ZipResult.h"
#include "platform/base/Win32Types.h"

struct ZipEntryInfo {
    int index;
    wchar_t name[MAX_PATH];
    DWORD attributes;  // FILE_ATTRIBUTE_* bits
    FILETIME accessTime;
    FILETIME creationTime;
    FILETIME writeTime;
    std::uint32_t compressedSize;
    std::uint32_t uncompressedSize;
};

class ZipReader {
public:
    explicit ZipReader(const char* password);
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    ZRESULT OpenFile(const wchar_t* path);
    ZRESULT OpenHandle(HANDLE handle);
    ZRESULT OpenMemory(const void* buffer, std::uint64_t length);

    // Index -1 gives the entry count in `info->index`.
    ZRESULT GetItem(int index, ZipEntryInfo* info);
    ZRESULT FindItem(const wchar_t* name, bool ignoreCase, int* index, ZipEntryInfo* info);
    // A relative target lands under the base folder; an absolute one is taken as given.
    ZRESULT UnzipToFile(int index, const wchar_t* target);
    ZRESULT UnzipToHandle(int index, HANDLE file);
    // ZR_OK at the end of the entry, ZR_MORE while more data follows.
    ZRESULT UnzipToMemory(int index, void* buffer, DWORD length, DWORD* produced);
    ZRESULT SetBaseDir(const wchar_t* folder);
    // Checked after every written chunk; 1 stops the extraction, which then
    // fails with ZR_CANCELLED and leaves no partial file.
    void SetCancelFlag(const std::atomic<int>* flag) { m_cancel = flag; }

private:
    ZRESULT Open();
    ZRESULT GoTo(int index);
    ZRESULT OpenEntry(const unz_file_info64& info);
    // Reads the open entry: > 0 bytes, 0 at its end, < 0 a minizip error.
    int ReadEntry(BYTE* buffer, DWORD length);
    // Closes the open entry; ZR_CORRUPT when it was read to its end and its CRC differs.
    ZRESULT FinishEntry();
    void CloseEntry();
    ZRESULT ResolveTarget(const std::wstring& target, bool folder, std::wstring* full);
    ZRESULT CopyEntry(int index, HANDLE out, bool cancellable);

    ReaderInput m_input;
    unzFile m_archive = nullptr;
    int m_current = 0;  // minizip's current entry
    int m_count = 0;
    int m_openEntry = -1;
    int m_cachedIndex = -1;
    ZipEntryInfo m_cached{};
    bool m_cachedUnsafe = false;
    std::string m_password;
    bool m_hasPassword = false;
    std::vector<BYTE> m_transfer;
    std::wstring m_baseDir;  // ends with "\"
    const std::atomic<int>* m_cancel = nullptr;

    // An encrypted entry: minizip hands over the raw bytes (its own
    // decryption is not built in everywhere), this reader decrypts them and
    // inflates or copies them, and checks the CRC at the end.
    struct Decryption {
        bool active = false;
        bool deflated = false;
        bool ended = false;
        std::unique_ptr<ReaderDecryptKeys> keys;
        z_stream stream{};
        bool streamReady = false;
        std::vector<BYTE> input;
        std::uint64_t compressedLeft = 0;
        std::uint64_t uncompressedLeft = 0;
        uLong crc = 0;
        uLong expectedCrc = 0;
    } m_decrypt;
    void ResetDecryption();
};
