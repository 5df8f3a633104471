#include "util/RegKey.h"

#include <cstring>
#include <vector>

#include "util/StringConvert.h"

CMyRegKey::~CMyRegKey() { Close(); }

LONG CMyRegKey::Open(HKEY root, const char* subKey, bool create) {
    Close();  // a replaced handle would otherwise stay open for ever
    m_path = subKey != nullptr ? subKey : "";
    HKEY key = nullptr;
    LONG result = create ? RegCreateKeyExA(root, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                           &key, nullptr)
                         : RegOpenKeyA(root, subKey, &key);
    m_key = result == ERROR_SUCCESS ? key : nullptr;
    return result;
}

LONG CMyRegKey::OpenWithAccess(HKEY root, const char* subKey, REGSAM access) {
    Close();
    m_path = subKey != nullptr ? subKey : "";
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(root, subKey, 0, access, &key);
    m_key = result == ERROR_SUCCESS ? key : nullptr;
    return result;
}

LONG CMyRegKey::Open64(HKEY root, const char* subKey) {
    return OpenWithAccess(root, subKey, KEY_ALL_ACCESS | KEY_WOW64_64KEY);
}

void CMyRegKey::Close() {
    if (m_key != nullptr) RegCloseKey(m_key);
    m_key = nullptr;
}

LONG CMyRegKey::QueryDword(const char* name, int& out) {
    DWORD value = 0, size = sizeof value;
    LONG result = RegQueryValueExA(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    if (result == ERROR_SUCCESS) out = static_cast<int>(value);
    return result;
}

LONG CMyRegKey::QueryString(const char* name, std::string& out) {
    char buffer[200] = {};
    DWORD size = sizeof buffer;
    LONG result = RegQueryValueExA(m_key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    if (result == ERROR_SUCCESS) {
        regrecords::TerminateText(buffer, sizeof buffer, size);
        out = buffer;
    }
    return result;
}

LONG CMyRegKey::QueryWideString(const char* name, std::wstring& out) {
    wchar_t buffer[200] = {};
    DWORD size = sizeof buffer;
    std::wstring wideName = ToWideString(name != nullptr ? name : "");
    LONG result = RegQueryValueExW(m_key, wideName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    if (result == ERROR_SUCCESS) {
        size_t units = size / sizeof(wchar_t);
        if (units >= 200) units = 199;  // ended within the buffer
        buffer[units] = L'\0';
        out = buffer;
    }
    return result;
}

LONG CMyRegKey::QueryValue(const char* name, void* buffer, DWORD& size) {
    return RegQueryValueExA(m_key, name, nullptr, nullptr, static_cast<BYTE*>(buffer), &size);
}

LONG CMyRegKey::QueryStringValue(const char* name, char* buffer, DWORD& size) {
    DWORD type = 0, capacity = size;
    LONG result = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (result != ERROR_SUCCESS) return result;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) return -1;
    regrecords::TerminateText(buffer, capacity, size);
    return result;
}

LONG CMyRegKey::QueryDwordValue(const char* name, int& out) {
    DWORD type = 0, value = 0, size = sizeof value;
    LONG result = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (result != ERROR_SUCCESS) return result;
    out = static_cast<int>(value);
    return (type == REG_DWORD && size == 4) ? result : -1;
}

LONG CMyRegKey::SetDword(const char* name, DWORD value) {
    return RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG CMyRegKey::SetString(const char* name, const char* value) {
    if (value == nullptr) value = "";
    return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1));
}

LONG CMyRegKey::SetBinary(const char* name, const void* data, DWORD size) {
    return RegSetValueExA(m_key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
}

LONG CMyRegKey::EnumKey(DWORD index, RegKeyNameRecord& record) { return regrecords::EnumKey(m_key, index, record); }
LONG CMyRegKey::EnumValue(DWORD index, RegValueRecord& record) { return regrecords::EnumValue(m_key, index, record); }
LONG CMyRegKey::QueryInfo(RegKeyInfo& info) { return regrecords::QueryInfo(m_key, info); }
LONG CMyRegKey::DeleteSubKey(const char* subKey) { return RegDeleteKeyA(m_key, subKey); }
