// JUnzip: opens a zip archive from memory or a file and extracts entries
// below a base folder (the current folder unless set). Entries whose names
// would leave the base folder are refused.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/zip/ZipReaderApi.h"

struct JUnzipItem {
    int index;
    std::uint64_t size;  // uncompressed
    std::wstring name;
};

class JUnzip final {
public:
    JUnzip() = default;
    ~JUnzip();
    JUnzip(const JUnzip&) = delete;
    JUnzip& operator=(const JUnzip&) = delete;

    // The buffer must outlive the reader. True when the archive opened.
    virtual bool OpenFromMemory(const void* buffer, DWORD length, const char* password);
    virtual bool OpenFromFile(const wchar_t* path, const char* password);
    // Finds the entry ignoring case and extracts it to `target` (relative:
    // under the base folder). A cancel flag that becomes 1 stops it; the
    // partial file is removed and false returned.
    virtual bool UnzipItem(const wchar_t* entryName, const wchar_t* target, const std::atomic<int>* cancel);

    // Extracts every entry by its own name; false when any entry failed
    // (the others are still extracted).
    bool UnzipAll();
    bool ListItems(std::vector<JUnzipItem>* items);
    int GetItemCount();
    bool SetBaseDir(const wchar_t* folder);
    HZIP GetHandle() const { return m_handle; }
    bool Close();

private:
    HZIP m_handle = nullptr;
};
