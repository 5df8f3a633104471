// CMyRegKey: the setup application's thin registry key (ANSI calls, Win32
// result codes, 0 = success). One thread uses an object at a time.
#pragma once

#include <string>

#include "platform/registry/Registry.h"
#include "util/RegRecords.h"

class CMyRegKey {
public:
    CMyRegKey() = default;
    virtual ~CMyRegKey();
    CMyRegKey(const CMyRegKey&) = delete;
    CMyRegKey& operator=(const CMyRegKey&) = delete;

    // With `create`: RegCreateKeyExA (KEY_ALL_ACCESS, made when missing);
    // otherwise RegOpenKeyA. A key still open is closed first.
    LONG Open(HKEY root, const char* subKey, bool create);
    LONG OpenWithAccess(HKEY root, const char* subKey, REGSAM access);
    // KEY_ALL_ACCESS in the 64-bit view.
    LONG Open64(HKEY root, const char* subKey);
    void Close();

    // Up to 4 bytes, no type check; the output is set only on success.
    LONG QueryDword(const char* name, int& out);
    // A 200-byte read; the output is set only on success (ERROR_MORE_DATA for longer values).
    LONG QueryString(const char* name, std::string& out);
    // A read of up to 200 UTF-16 units; the output is set only on success.
    LONG QueryWideString(const char* name, std::wstring& out);
    LONG QueryValue(const char* name, void* buffer, DWORD& size);
    // -1 when the read succeeds but the value is no text; the text is ended
    // within the buffer.
    LONG QueryStringValue(const char* name, char* buffer, DWORD& size);
    // -1 when the value is not a 4-byte REG_DWORD (the output is still written).
    LONG QueryDwordValue(const char* name, int& out);

    LONG SetDword(const char* name, DWORD value);
    LONG SetString(const char* name, const char* value);
    LONG SetBinary(const char* name, const void* data, DWORD size);

    LONG EnumKey(DWORD index, RegKeyNameRecord& record);
    LONG EnumValue(DWORD index, RegValueRecord& record);
    LONG QueryInfo(RegKeyInfo& info);
    LONG DeleteSubKey(const char* subKey);

    HKEY Handle() const { return m_key; }
    const std::string& Path() const { return m_path; }

private:
    HKEY m_key = nullptr;
    std::string m_path;
};
