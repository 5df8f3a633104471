#include "util/RegKeyOsm.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace libutilosm {

CMyRegKey::~CMyRegKey() { Close(); }

LONG CMyRegKey::Replace(LONG result, HKEY opened) {
    if (result == ERROR_SUCCESS) {
        Close();
        m_key = opened;
    }
    return result;
}

LONG CMyRegKey::Open(HKEY root, const char* subKey) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyA(root, subKey, &key);
    return Replace(result, key);
}

LONG CMyRegKey::Create(HKEY root, const char* subKey) {
    HKEY key = nullptr;
    LONG result = RegCreateKeyA(root, subKey, &key);
    return Replace(result, key);
}

LONG CMyRegKey::OpenWithAccess(HKEY root, const char* subKey, REGSAM access) {
    HKEY key = nullptr;
    LONG result = RegOpenKeyExA(root, subKey, 0, access, &key);
    return Replace(result, key);
}

LONG CMyRegKey::Close() {
    if (m_key == nullptr) return ERROR_SUCCESS;
    LONG result = RegCloseKey(m_key);
    m_key = nullptr;
    return result;
}

LONG CMyRegKey::QueryValue(const char* name, void* buffer, DWORD& size) {
    return RegQueryValueExA(m_key, name, nullptr, nullptr, static_cast<BYTE*>(buffer), &size);
}

LONG CMyRegKey::QueryStringValue(const char* name, char* buffer, DWORD& size) {
    DWORD type = 0, capacity = size;
    LONG result = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (result != ERROR_SUCCESS) return result;
    if (type != REG_SZ && type != REG_EXPAND_SZ && type != REG_MULTI_SZ) {
        m_typeMismatch = 1;
        return -1;
    }
    regrecords::TerminateText(buffer, capacity, size);
    return result;
}

LONG CMyRegKey::QueryDwordValue(const char* name, int& out) {
    DWORD type = 0, value = 0, size = sizeof value;
    LONG result = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (result != ERROR_SUCCESS) return result;
    out = static_cast<int>(value);
    if (type != REG_DWORD || size != 4) {
        m_typeMismatch = 1;
        return -1;
    }
    return result;
}

LONG CMyRegKey::QueryMultiStringValue(std::vector<std::string>& out, const char* name) {
    DWORD type = 0, size = 0;
    LONG result = RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS) return result;
    if (type != REG_MULTI_SZ) return -1;
    std::vector<char> data(size + 1, '\0');
    result = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    if (result != ERROR_SUCCESS) return result;
    out.clear();
    std::string current;
    for (DWORD i = 0; i < size; ++i) {
        if (data[i] == '\0') {
            out.push_back(current);
            current.clear();
        } else {
            current.push_back(data[i]);
        }
    }
    if (!current.empty()) out.push_back(current);
    if (!out.empty() && out.back().empty()) out.pop_back();  // the list's closing NUL
    return ERROR_SUCCESS;
}

bool CMyRegKey::IsMultiStringValue(const char* name) {
    DWORD type = 0;
    return RegQueryValueExA(m_key, name, nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS && type == REG_MULTI_SZ;
}

bool CMyRegKey::ValueExists(const char* name) {
    // Asking for the size alone: a value larger than any buffer still exists.
    DWORD size = 0;
    return RegQueryValueExA(m_key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS;
}

bool CMyRegKey::SubKeyExists(const char* subKey) {
    HKEY key = nullptr;
    if (RegOpenKeyA(m_key, subKey, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

LONG CMyRegKey::SetStringValue(const char* name, const char* value) {
    if (value == nullptr) value = "";
    return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1));
}

LONG CMyRegKey::SetDwordValue(const char* name, DWORD value) {
    return RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG CMyRegKey::SetBinaryValue(const char* name, const void* data, DWORD size) {
    return RegSetValueExA(m_key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
}

LONG CMyRegKey::SetMultiStringValue(const std::vector<std::string>& values, const char* name) {
    if (values.empty()) return -1;
    std::string data;
    for (const std::string& value : values) {
        data += value;
        data.push_back('\0');
    }
    data.push_back('\0');
    return RegSetValueExA(m_key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                          static_cast<DWORD>(data.size()));
}

LONG CMyRegKey::SetSubKeyText(const char* subKey, const char* text) {
    if (text == nullptr) text = "";
    return RegSetValueA(m_key, subKey, REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

LONG CMyRegKey::QuerySubKeyText(const char* subKey, std::string& text) {
    LONG size = 0;
    LONG result = RegQueryValueA(m_key, subKey, nullptr, &size);
    if (result != ERROR_SUCCESS) return result;
    std::vector<char> buffer(static_cast<size_t>(size) + 1, '\0');
    result = RegQueryValueA(m_key, subKey, buffer.data(), &size);
    if (result == ERROR_SUCCESS) text = buffer.data();
    return result;
}

LONG CMyRegKey::DeleteSubKey(const char* subKey) { return RegDeleteKeyA(m_key, subKey); }
LONG CMyRegKey::DeleteValue(const char* name) { return RegDeleteValueA(m_key, name); }

LONG CMyRegKey::DeleteKeyTree(const char* subKey) {
    LONG first = ERROR_SUCCESS;
    {
        CMyRegKey child;
        LONG opened = child.Open(m_key, subKey);
        if (opened != ERROR_SUCCESS) return opened;
        RegKeyInfo info{};
        LONG queried = child.QueryInfo(info);
        if (queried != ERROR_SUCCESS) first = queried;
        for (DWORD i = 0; queried == ERROR_SUCCESS && i < info.subKeyCount; ++i) {
            RegKeyNameRecord record{};
            LONG result = child.EnumKey(0, record);  // index 0: each deletion moves the next one up
            if (result == ERROR_SUCCESS) result = child.DeleteKeyTree(record.name);
            if (result != ERROR_SUCCESS) {
                if (first == ERROR_SUCCESS) first = result;
                break;  // the same first sub-key would fail again
            }
        }
    }
    LONG deleted = RegDeleteKeyA(m_key, subKey);
    return first != ERROR_SUCCESS ? first : deleted;
}

LONG CMyRegKey::EnumKey(DWORD index, RegKeyNameRecord& record) { return regrecords::EnumKey(m_key, index, record); }
LONG CMyRegKey::EnumValue(DWORD index, RegValueRecord& record) { return regrecords::EnumValue(m_key, index, record); }
LONG CMyRegKey::QueryInfo(RegKeyInfo& info) { return regrecords::QueryInfo(m_key, info); }

LONG CMyRegKey::CopyTo(HKEY root, const char* subKey) {
    HKEY destination = nullptr;
    LONG result = RegOpenKeyA(root, subKey, &destination);
    if (result != ERROR_SUCCESS) result = RegCreateKeyA(root, subKey, &destination);
    if (result != ERROR_SUCCESS) return result;
    result = CopyKeyTree(m_key, destination);
    RegCloseKey(destination);
    return result;
}

}  // namespace libutilosm

LONG CopyKeyTree(HKEY source, HKEY destination) {
    if (source == nullptr || destination == nullptr) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    for (DWORD index = 0;; ++index) {
        char name[261] = {};
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(source, index, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        HKEY to = nullptr, from = nullptr;
        LONG made = RegCreateKeyExA(destination, name, 0, nullptr, 0, KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE,
                                    nullptr, &to, nullptr);
        // The source is only read: asking it for write access would skip every
        // sub-key of a key the user may not change.
        LONG opened = RegOpenKeyExA(source, name, 0, KEY_READ, &from);
        if (made == ERROR_SUCCESS && opened == ERROR_SUCCESS) CopyKeyTree(from, to);
        if (to != nullptr) RegCloseKey(to);
        if (from != nullptr) RegCloseKey(from);
    }
    for (DWORD index = 0;; ++index) {
        char name[16384] = {};
        DWORD nameSize = sizeof name, type = 0, size = 0;
        if (RegEnumValueA(source, index, name, &nameSize, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::vector<BYTE> data(size);
        nameSize = sizeof name;
        if (RegEnumValueA(source, index, name, &nameSize, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            continue;
        RegSetValueExA(destination, name, 0, type, data.data(), size);
    }
    return ERROR_SUCCESS;
}

namespace {
std::mutex g_sharedTextLock;
std::string g_sharedText;
}  // namespace

void SetSharedRegText(const std::string& text) {
    std::lock_guard<std::mutex> guard(g_sharedTextLock);
    g_sharedText = text;
}

std::string GetSharedRegText() {
    std::lock_guard<std::mutex> guard(g_sharedTextLock);
    return g_sharedText;
}
