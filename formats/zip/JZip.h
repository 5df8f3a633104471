// JZip: the small archive writer of the statistics reports: create a zip
// file (optionally with a password), add files to it, close it.
#pragma once

#include "formats/zip/ZipResult.h"

class JZip final {
public:
    JZip() = default;
    // Closes an archive that is still open.
    ~JZip();
    JZip(const JZip&) = delete;
    JZip& operator=(const JZip&) = delete;

    // Closes the previous archive, then creates `zipPath` (a null or empty
    // password writes unencrypted entries). True when the archive was created.
    virtual bool Create(const wchar_t* zipPath, const char* password);
    // Adds the file at `sourcePath` under `entryName`. True only when the entry
    // was added; false without an archive, for a missing source, or when the
    // writer refused it (see LastResult).
    virtual bool AddFile(const wchar_t* sourcePath, const wchar_t* entryName);
    virtual bool NoOp(int argument);
    // Writes the directory and closes the file; always true.
    virtual bool Close();

    // The writer's result for the last Create, AddFile or Close.
    ZRESULT LastResult() const { return m_lastResult; }

private:
    HZIP m_handle = nullptr;
    ZRESULT m_lastResult = ZR_OK;
};
