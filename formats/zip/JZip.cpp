#include "formats/zip/JZip.h"

#include "formats/zip/ZipWriterApi.h"
#include "platform/files/FileSystem.h"

JZip::~JZip() { Close(); }

bool JZip::Create(const wchar_t* zipPath, const char* password) {
    Close();
    m_handle = ZipCreateFile(zipPath, password);
    m_lastResult = ZipLastWriterResult();
    return m_handle != nullptr;
}

bool JZip::AddFile(const wchar_t* sourcePath, const wchar_t* entryName) {
    if (m_handle == nullptr) return false;
    if (sourcePath == nullptr || !PathFileExistsW(sourcePath)) {
        m_lastResult = ZR_NOFILE;
        return false;
    }
    m_lastResult = ZipAddFile(m_handle, entryName, sourcePath);
    return m_lastResult == ZR_OK;
}

bool JZip::NoOp(int) { return true; }

bool JZip::Close() {
    if (m_handle != nullptr) {
        m_lastResult = ZipClose(m_handle);
        m_handle = nullptr;
    }
    return true;
}
