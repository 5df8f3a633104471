// libutilosm::CMyRegKey: the second utility library's registry key (ANSI
// calls, Win32 result codes, 0 = success), used by the MAC identity code.
// Every open replaces the held key only once the new open succeeded.
#pragma once

#include <string>
#include <vector>

#include "platform/registry/Registry.h"
#include "util/RegRecords.h"

namespace libutilosm {

class CMyRegKey {
public:
    CMyRegKey() = default;
    virtual ~CMyRegKey();
    CMyRegKey(const CMyRegKey&) = delete;
    CMyRegKey& operator=(const CMyRegKey&) = delete;

    LONG Open(HKEY root, const char* subKey);
    LONG Create(HKEY root, const char* subKey);
    LONG OpenWithAccess(HKEY root, const char* subKey, REGSAM access);
    LONG Close();
    HKEY GetHandle() const { return m_key; }
    // 1 once a typed read met another value type; nothing resets it.
    int TypeMismatch() const { return m_typeMismatch; }

    LONG QueryValue(const char* name, void* buffer, DWORD& size);
    // -1 (and the mismatch flag) when the value is no text; the text is ended within the buffer.
    LONG QueryStringValue(const char* name, char* buffer, DWORD& size);
    // -1 (and the flag) unless a 4-byte REG_DWORD; the output is written either way.
    LONG QueryDwordValue(const char* name, int& out);
    // -1 unless the value exists as REG_MULTI_SZ; read whole and split at its NULs.
    LONG QueryMultiStringValue(std::vector<std::string>& out, const char* name);
    bool IsMultiStringValue(const char* name);
    // True when the value exists, whatever its size.
    bool ValueExists(const char* name);
    bool SubKeyExists(const char* subKey);

    LONG SetStringValue(const char* name, const char* value);
    LONG SetDwordValue(const char* name, DWORD value);
    LONG SetBinaryValue(const char* name, const void* data, DWORD size);
    // -1 for an empty list; each text and its NUL, then one more NUL.
    LONG SetMultiStringValue(const std::vector<std::string>& values, const char* name);
    // The default value of a sub-key.
    LONG SetSubKeyText(const char* subKey, const char* text);
    LONG QuerySubKeyText(const char* subKey, std::string& text);

    LONG DeleteSubKey(const char* subKey);
    LONG DeleteValue(const char* name);
    // Deletes the sub-key with everything below it; the first error met.
    LONG DeleteKeyTree(const char* subKey);

    LONG EnumKey(DWORD index, RegKeyNameRecord& record);
    LONG EnumValue(DWORD index, RegValueRecord& record);
    LONG QueryInfo(RegKeyInfo& info);
    // Copies the held key's tree into root\subKey (created when missing).
    LONG CopyTo(HKEY root, const char* subKey);

private:
    LONG Replace(LONG result, HKEY opened);

    HKEY m_key = nullptr;
    int m_typeMismatch = 0;
    std::string m_path;
};

}  // namespace libutilosm

// Copies every sub-key and value of `source` into `destination`;
// ERROR_INVALID_HANDLE when either is null.
LONG CopyKeyTree(HKEY source, HKEY destination);

// A process-wide text of this unit.
void SetSharedRegText(const std::string& text);
std::string GetSharedRegText();
