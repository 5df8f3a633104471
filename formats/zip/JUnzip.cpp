#include "formats/zip/JUnzip.h"

JUnzip::~JUnzip() { Close(); }

bool JUnzip::OpenFromMemory(const void* buffer, DWORD length, const char* password) {
    Close();
    m_handle = ZipOpenMemory(buffer, length, password);
    return m_handle != nullptr;
}

bool JUnzip::OpenFromFile(const wchar_t* path, const char* password) {
    Close();
    m_handle = ZipOpenFile(path, password);
    return m_handle != nullptr;
}

bool JUnzip::UnzipItem(const wchar_t* entryName, const wchar_t* target, const std::atomic<int>* cancel) {
    if (m_handle == nullptr) return false;
    ZipSetCancelFlag(m_handle, cancel);
    int index = -1;
    ZipEntryInfo info{};
    bool done = ZipFindItem(m_handle, entryName, true, &index, &info) == ZR_OK &&
                ZipUnzipToFile(m_handle, index, target) == ZR_OK;
    ZRESULT result = ZipLastReaderResult();
    ZipSetCancelFlag(m_handle, nullptr);
    ZipSetReaderResult(result);
    return done;
}

bool JUnzip::UnzipAll() {
    if (m_handle == nullptr) return false;
    bool all = true;
    ZipEntryInfo info{};
    for (int index = 0; ZipGetItem(m_handle, index, &info) == ZR_OK; ++index) {
        if (ZipUnzipToFile(m_handle, index, info.name) != ZR_OK) all = false;
    }
    return all;
}

bool JUnzip::ListItems(std::vector<JUnzipItem>* items) {
    if (items == nullptr) return false;
    items->clear();
    if (m_handle == nullptr) return false;
    ZipEntryInfo info{};
    for (int index = 0; ZipGetItem(m_handle, index, &info) == ZR_OK; ++index) {
        items->push_back(JUnzipItem{index, info.uncompressedSize, info.name});
    }
    return true;
}

int JUnzip::GetItemCount() {
    if (m_handle == nullptr) return 0;
    ZipEntryInfo info{};
    int count = 0;
    while (ZipGetItem(m_handle, count, &info) == ZR_OK) ++count;
    return count;
}

bool JUnzip::SetBaseDir(const wchar_t* folder) {
    return m_handle != nullptr && ZipSetBaseDir(m_handle, folder) == ZR_OK;
}

bool JUnzip::Close() {
    if (m_handle != nullptr) {
        ZipCloseReader(m_handle);
        m_handle = nullptr;
    }
    return true;
}
