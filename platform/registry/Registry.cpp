#include "platform/registry/Registry.h"

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"
#include "platform/kernel/KernelObjects.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"
#include "platform/registry/detail/RegistryStore.h"

namespace {

using platform::registry::Hive;
using platform::registry::Key;
using platform::registry::Value;
using Path = std::vector<std::wstring>;

constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | WRITE_DAC | WRITE_OWNER;
constexpr REGSAM kViewFlags = KEY_WOW64_32KEY | KEY_WOW64_64KEY;

class OpenKey : public platform::KernelObject {
public:
    OpenKey(Hive hive, Path path, REGSAM granted) : hive(hive), path(std::move(path)), granted(granted) {}
    Hive hive;
    Path path;
    REGSAM granted;
};

enum class Encoding { Ansi, Wide };

struct Base {
    Hive hive = Hive::LocalMachine;
    Path path;
    REGSAM granted = 0;
};

bool MachineWritesRefused(Hive hive) {
    return hive == Hive::LocalMachine && !platform::Machine::Current().Profile().elevated;
}

LONG ResolveBase(HKEY key, Base& base) {
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT) {
        base.hive = Hive::LocalMachine;
        base.path = key == HKEY_CLASSES_ROOT ? Path{L"SOFTWARE", L"Classes"} : Path{};
        base.granted = MachineWritesRefused(Hive::LocalMachine) ? KEY_READ : KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    if (key == HKEY_CURRENT_USER) {
        base.hive = Hive::CurrentUser;
        base.path.clear();
        base.granted = KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    std::shared_ptr<OpenKey> open = platform::LookupHandle<OpenKey>(reinterpret_cast<HANDLE>(key));
    if (!open) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    base.hive = open->hive;
    base.path = open->path;
    base.granted = open->granted;
    return ERROR_SUCCESS;
}

void AppendSubKey(Path& path, const std::wstring& subKey) {
    std::wstring name;
    for (wchar_t c : subKey) {
        if (c == L'\\') {
            if (!name.empty()) path.push_back(name);
            name.clear();
        } else {
            name.push_back(c);
        }
    }
    if (!name.empty()) path.push_back(name);
}

// A 32-bit process on a 64-bit system sees HKLM\SOFTWARE through WOW6432Node.
void ApplyView(Hive hive, Path& path, REGSAM access) {
    if (hive != Hive::LocalMachine || path.size() < 2) return;
    const platform::MachineProfile& profile = platform::Machine::Current().Profile();
    if (!profile.os64Bit) return;
    bool view32 = (access & KEY_WOW64_32KEY) != 0 || (!profile.process64Bit && (access & KEY_WOW64_64KEY) == 0);
    if (!view32 || !platform::NamesEqualNoCase(path[0], L"SOFTWARE")) return;
    if (platform::NamesEqualNoCase(path[1], L"WOW6432Node") || platform::NamesEqualNoCase(path[1], L"Classes")) return;
    path.insert(path.begin() + 1, L"WOW6432Node");
}

// Rights an open asking for `access` gets, or ERROR_ACCESS_DENIED.
LONG GrantFor(Hive hive, REGSAM access, REGSAM& granted) {
    bool refused = MachineWritesRefused(hive);
    if ((access & MAXIMUM_ALLOWED) != 0) {
        granted = refused ? KEY_READ : KEY_ALL_ACCESS;
        return ERROR_SUCCESS;
    }
    if (refused && (access & kWriteRights) != 0) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    granted = access & ~kViewFlags;
    return ERROR_SUCCESS;
}

Key* Walk(Key& root, const Path& path) {
    Key* key = &root;
    for (const std::wstring& name : path) {
        key = key->Find(name);
        if (key == nullptr) return nullptr;
    }
    return key;
}

// False when the code page's converter is not available: the caller fails
// rather than store or look up an empty text in place of the caller's.
bool AnsiToUnits(const char* text, size_t bytes, std::wstring& out) {
    out.clear();
    if (text == nullptr || bytes == 0) return true;
    int units = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(bytes), nullptr, 0);
    if (units <= 0) return false;
    out.assign(static_cast<size_t>(units), L'\0');
    return MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(bytes), out.data(), units) == units;
}

std::string UnitsToAnsi(const std::wstring& units) {
    if (units.empty()) return {};
    int bytes =
        WideCharToMultiByte(CP_ACP, 0, units.data(), static_cast<int>(units.size()), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, units.data(), static_cast<int>(units.size()), out.data(), bytes, nullptr, nullptr);
    return out;
}

std::wstring NameOf(const wchar_t* name) { return name == nullptr ? std::wstring() : std::wstring(name); }

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::wstring StoredUnits(const std::vector<BYTE>& data) {
    std::wstring units;
    for (size_t i = 0; i + 1 < data.size(); i += 2) units.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    return units;
}

std::vector<BYTE> UnitsToStored(const std::wstring& units) {
    std::vector<BYTE> data;
    for (wchar_t unit : units) {
        data.push_back(static_cast<BYTE>(unit & 0xFF));
        data.push_back(static_cast<BYTE>((unit >> 8) & 0xFF));
    }
    return data;
}

// The caller's bytes of a value, as the store holds them.
bool ToStored(DWORD type, const BYTE* data, DWORD size, Encoding encoding, std::vector<BYTE>& stored) {
    stored.clear();
    if (data == nullptr || size == 0) return true;
    if (!IsStringType(type)) {
        stored.assign(data, data + size);
        return true;
    }
    if (encoding == Encoding::Ansi) {
        // Convert piece by piece so the NULs of REG_MULTI_SZ pass unchanged.
        std::wstring units;
        const char* text = reinterpret_cast<const char*>(data);
        size_t start = 0;
        for (size_t i = 0; i <= size; ++i) {
            if (i == size || text[i] == '\0') {
                std::wstring piece;
                if (!AnsiToUnits(text + start, i - start, piece)) return false;
                units += piece;
                if (i < size) units.push_back(L'\0');
                start = i + 1;
            }
        }
        stored = UnitsToStored(units);
        return true;
    }
    std::wstring units;
    for (size_t i = 0; i + sizeof(wchar_t) <= size; i += sizeof(wchar_t)) {
        wchar_t unit;
        std::memcpy(&unit, data + i, sizeof unit);
        units.push_back(unit);
    }
    stored = UnitsToStored(units);
    return true;
}

// The store's bytes of a value, as the caller receives them.
std::vector<BYTE> FromStored(const Value& value, Encoding encoding) {
    if (!IsStringType(value.type)) return value.data;
    std::wstring units = StoredUnits(value.data);
    std::vector<BYTE> out;
    if (encoding == Encoding::Ansi) {
        size_t start = 0;
        for (size_t i = 0; i <= units.size(); ++i) {
            if (i == units.size() || units[i] == L'\0') {
                std::string piece = UnitsToAnsi(units.substr(start, i - start));
                out.insert(out.end(), piece.begin(), piece.end());
                if (i < units.size()) out.push_back(0);
                start = i + 1;
            }
        }
        return out;
    }
    out.resize(units.size() * sizeof(wchar_t));
    if (!units.empty()) std::memcpy(out.data(), units.data(), out.size());
    return out;
}

// Copies `bytes` out by the size rules of RegQueryValueEx.
LONG CopyOut(const std::vector<BYTE>& bytes, LPBYTE data, LPDWORD size) {
    if (data == nullptr) {
        if (size != nullptr) *size = static_cast<DWORD>(bytes.size());
        return ERROR_SUCCESS;
    }
    if (size == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    if (*size < bytes.size()) {
        *size = static_cast<DWORD>(bytes.size());
        return static_cast<LONG>(ERROR_MORE_DATA);
    }
    if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
    *size = static_cast<DWORD>(bytes.size());
    return ERROR_SUCCESS;
}

LONG RegisterKey(Hive hive, Path path, REGSAM granted, PHKEY result) {
    *result =
        reinterpret_cast<HKEY>(platform::RegisterHandle(std::make_shared<OpenKey>(hive, std::move(path), granted)));
    return ERROR_SUCCESS;
}

LONG OpenCore(HKEY key, const std::wstring& subKey, REGSAM access, PHKEY result) {
    if (result == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    Base base;
    if (LONG error = ResolveBase(key, base)) return error;
    Path path = base.path;
    AppendSubKey(path, subKey);
    ApplyView(base.hive, path, access);
    REGSAM granted = 0;
    LONG found = platform::registry::WithHive(base.hive, false, [&](Key& root, bool&) {
        return Walk(root, path) != nullptr ? ERROR_SUCCESS : static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    });
    if (found != ERROR_SUCCESS) return found;
    if (LONG error = GrantFor(base.hive, access, granted)) return error;
    return RegisterKey(base.hive, std::move(path), granted, result);
}

LONG CreateCore(HKEY key, const std::wstring& subKey, REGSAM access, PHKEY result, LPDWORD disposition) {
    if (result == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    Base base;
    if (LONG error = ResolveBase(key, base)) return error;
    Path path = base.path;
    AppendSubKey(path, subKey);
    ApplyView(base.hive, path, access);
    bool exists = false;
    platform::registry::WithHive(base.hive, false, [&](Key& root, bool&) {
        exists = Walk(root, path) != nullptr;
        return ERROR_SUCCESS;
    });
    REGSAM granted = 0;
    if (LONG error = GrantFor(base.hive, access, granted)) return error;
    if (!exists) {
        if (MachineWritesRefused(base.hive) || (base.granted & KEY_CREATE_SUB_KEY) == 0)
            return static_cast<LONG>(ERROR_ACCESS_DENIED);
        LONG made = platform::registry::WithHive(base.hive, true, [&](Key& root, bool& changed) {
            Key* current = &root;
            for (const std::wstring& name : path) {
                Key* next = current->Find(name);
                if (next == nullptr) {
                    next = &current->Child(name);
                    changed = true;
                }
                current = next;
            }
            return ERROR_SUCCESS;
        });
        if (made != ERROR_SUCCESS) return made;
    }
    if (disposition != nullptr) *disposition = exists ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    return RegisterKey(base.hive, std::move(path), granted, result);
}

LONG QueryCore(HKEY key, const std::wstring& name, LPDWORD type, LPBYTE data, LPDWORD size, Encoding encoding) {
    Base base;
    if (LONG error = ResolveBase(key, base)) return error;
    if ((base.granted & KEY_QUERY_VALUE) == 0) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    return platform::registry::WithHive(base.hive, false, [&](Key& root, bool&) {
        Key* found = Walk(root, base.path);
        if (found == nullptr) return static_cast<LONG>(ERROR_KEY_DELETED);
        Value* value = found->FindValue(name);
        if (value == nullptr) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        if (type != nullptr) *type = value->type;
        return CopyOut(FromStored(*value, encoding), data, size);
    });
}

LONG SetCore(HKEY key, const std::wstring& name, DWORD type, const BYTE* data, DWORD size, Encoding encoding) {
    Base base;
    if (LONG error = ResolveBase(key, base)) return error;
    if ((base.granted & KEY_SET_VALUE) == 0 || MachineWritesRefused(base.hive))
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    if (data == nullptr && size != 0) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    std::vector<BYTE> stored;
    if (!ToStored(type, data, size, encoding, stored)) return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
    return platform::registry::WithHive(base.hive, true, [&](Key& root, bool& changed) {
        Key* found = Walk(root, base.path);
        if (found == nullptr) return static_cast<LONG>(ERROR_KEY_DELETED);
        Value* value = found->FindValue(name);
        if (value == nullptr) {
            found->values.push_back(Value{name, type, stored});
        } else {
            value->type = type;
            value->data = stored;
        }
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG DeleteKeyCore(HKEY key, const std::wstring& subKey, REGSAM access) {
    Base base;
    if (LONG error = ResolveBase(key, base)) return error;
    Path path = base.path;
    AppendSubKey(path, subKey);
    ApplyView(base.hive, path, access);
    if (path.empty()) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    return platform::registry::WithHive(base.hive, true, [&](Key& root, bool& changed) {
        Path parentPath(path.begin(), path.end() - 1);
        Key* parent = Walk(root, parentPath);
        Key* target = parent == nullptr ? nullptr : parent->Find(path.back());
        if (target == nullptr) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
        if (MachineWritesRefused(base.hive) || !target->subKeys.empty()) return static_cast<LONG>(ERROR_ACCESS_DENIED);
        parent->RemoveChild(path.back());
        changed = true;
        return ERROR_SUCCESS;
    });
}

LONG DeleteValueCore(HKEY key, const std::wstring& name) {
    Base base;
    if (LONG error = ResolveBase(key, base)) return error;
    if ((base.granted & KEY_SET_VALUE) == 0 || MachineWritesRefused(base.hive))
        return static_cast<LONG>(ERROR_ACCESS_DENIED);
    return platform::registry::WithHive(base.hive, true, [&](Key& root, bool& changed) {
        Key* found = Walk(root, base.path);
        if (found == nullptr) return static_cast<LONG>(ERROR_KEY_DELETED);
        for (auto it = found->values.begin(); it != found->values.end(); ++it) {
            if (platform::NamesEqualNoCase(it->name, name)) {
                found->values.erase(it);
                changed = true;
                return ERROR_SUCCESS;
            }
        }
        return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
    });
}

// Copies a name into a caller's buffer of `capacity` characters (terminator included).
template <typename Char>
LONG CopyName(const std::basic_string<Char>& text, Char* buffer, DWORD capacity) {
    if (buffer == nullptr || capacity <= text.size()) return static_cast<LONG>(ERROR_MORE_DATA);
    std::memcpy(buffer, text.data(), text.size() * sizeof(Char));
    buffer[text.size()] = Char(0);
    return ERROR_SUCCESS;
}

template <typename Char>
std::basic_string<Char> Convert(const std::wstring& name) {
    if constexpr (sizeof(Char) == 1) return UnitsToAnsi(name);
    else return name;
}

template <typename Char>
LONG EnumKeyCore(HKEY key, DWORD index, Char* name, LPDWORD nameSize, bool sizeIsOut) {
    Base base;
    if (LONG error = ResolveBase(key, base)) return error;
    if ((base.granted & KEY_ENUMERATE_SUB_KEYS) == 0) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    if (nameSize == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    return platform::registry::WithHive(base.hive, false, [&](Key& root, bool&) {
        Key* found = Walk(root, base.path);
        if (found == nullptr) return static_cast<LONG>(ERROR_KEY_DELETED);
        if (index >= found->subKeys.size()) return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
        auto it = found->subKeys.begin();
        std::advance(it, index);
        std::basic_string<Char> text = Convert<Char>(it->second->name);
        LONG copied = CopyName(text, name, *nameSize);
        if (copied == ERROR_SUCCESS && sizeIsOut) *nameSize = static_cast<DWORD>(text.size());
        return copied;
    });
}

template <typename Char>
LONG EnumValueCore(HKEY key, DWORD index, Char* name, LPDWORD nameSize, LPDWORD type, LPBYTE data, LPDWORD dataSize,
                   Encoding encoding) {
    Base base;
    if (LONG error = ResolveBase(key, base)) return error;
    if ((base.granted & KEY_QUERY_VALUE) == 0) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    if (nameSize == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    return platform::registry::WithHive(base.hive, false, [&](Key& root, bool&) {
        Key* found = Walk(root, base.path);
        if (found == nullptr) return static_cast<LONG>(ERROR_KEY_DELETED);
        if (index >= found->values.size()) return static_cast<LONG>(ERROR_NO_MORE_ITEMS);
        const Value& value = found->values[index];
        std::basic_string<Char> text = Convert<Char>(value.name);
        if (LONG copied = CopyName(text, name, *nameSize)) return copied;
        *nameSize = static_cast<DWORD>(text.size());
        if (type != nullptr) *type = value.type;
        if (data == nullptr && dataSize == nullptr) return static_cast<LONG>(ERROR_SUCCESS);
        return CopyOut(FromStored(value, encoding), data, dataSize);
    });
}

// The wide form of an ANSI key or value name. A name that cannot be converted
// fails the call: taken as "" it would name the key itself or its default value.
LONG WideName(LPCSTR text, std::wstring& name) {
    if (AnsiToUnits(text, text == nullptr ? 0 : std::strlen(text), name)) return ERROR_SUCCESS;
    return static_cast<LONG>(ERROR_NO_UNICODE_TRANSLATION);
}

}  // namespace

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    std::wstring wideSubKey;
    if (LONG error = WideName(subKey, wideSubKey)) return error;
    return OpenCore(key, wideSubKey, MAXIMUM_ALLOWED, result);
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result) {
    std::wstring wideSubKey;
    if (LONG error = WideName(subKey, wideSubKey)) return error;
    return OpenCore(key, wideSubKey, access, result);
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result) {
    return OpenCore(key, NameOf(subKey), access, result);
}

LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    std::wstring wideSubKey;
    if (LONG error = WideName(subKey, wideSubKey)) return error;
    return CreateCore(key, wideSubKey, MAXIMUM_ALLOWED, result, nullptr);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access, LPSECURITY_ATTRIBUTES, PHKEY result,
                     LPDWORD disposition) {
    std::wstring wideSubKey;
    if (LONG error = WideName(subKey, wideSubKey)) return error;
    return CreateCore(key, wideSubKey, access, result, disposition);
}

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM access, LPSECURITY_ATTRIBUTES, PHKEY result,
                     LPDWORD disposition) {
    return CreateCore(key, NameOf(subKey), access, result, disposition);
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT || key == HKEY_USERS)
        return ERROR_SUCCESS;
    if (!platform::LookupHandle<OpenKey>(reinterpret_cast<HANDLE>(key))) return static_cast<LONG>(ERROR_INVALID_HANDLE);
    platform::ReleaseHandle(reinterpret_cast<HANDLE>(key));
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    std::wstring wideValueName;
    if (LONG error = WideName(valueName, wideValueName)) return error;
    return QueryCore(key, wideValueName, type, data, dataSize, Encoding::Ansi);
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    return QueryCore(key, NameOf(valueName), type, data, dataSize, Encoding::Wide);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
    std::wstring wideValueName;
    if (LONG error = WideName(valueName, wideValueName)) return error;
    return SetCore(key, wideValueName, type, data, dataSize, Encoding::Ansi);
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD dataSize) {
    return SetCore(key, NameOf(valueName), type, data, dataSize, Encoding::Wide);
}

LONG RegSetValueA(HKEY key, LPCSTR subKey, DWORD type, LPCSTR data, DWORD) {
    if (type != REG_SZ || data == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
    HKEY target = key;
    bool opened = subKey != nullptr && *subKey != '\0';
    if (opened) {
        std::wstring wideSubKey;
        if (LONG error = WideName(subKey, wideSubKey)) return error;
        if (LONG error = CreateCore(key, wideSubKey, KEY_SET_VALUE, &target, nullptr)) return error;
    }
    LONG result = SetCore(target, L"", REG_SZ, reinterpret_cast<const BYTE*>(data),
                          static_cast<DWORD>(std::strlen(data) + 1), Encoding::Ansi);
    if (opened) RegCloseKey(target);
    return result;
}

LONG RegQueryValueA(HKEY key, LPCSTR subKey, LPSTR data, LONG* dataSize) {
    HKEY target = key;
    bool opened = subKey != nullptr && *subKey != '\0';
    if (opened) {
        std::wstring wideSubKey;
        if (LONG error = WideName(subKey, wideSubKey)) return error;
        if (LONG error = OpenCore(key, wideSubKey, KEY_QUERY_VALUE, &target)) return error;
    }
    DWORD size = dataSize != nullptr ? static_cast<DWORD>(*dataSize) : 0;
    DWORD type = 0;
    LONG result = QueryCore(target, L"", &type, reinterpret_cast<LPBYTE>(data), dataSize != nullptr ? &size : nullptr,
                            Encoding::Ansi);
    if (result == static_cast<LONG>(ERROR_FILE_NOT_FOUND)) {
        // A key without a default value reads as the empty text.
        result = CopyOut(std::vector<BYTE>{0}, reinterpret_cast<LPBYTE>(data), dataSize != nullptr ? &size : nullptr);
    } else if (result == ERROR_SUCCESS && !IsStringType(type)) {
        result = static_cast<LONG>(ERROR_INVALID_DATA);
    }
    if (dataSize != nullptr) *dataSize = static_cast<LONG>(size);
    if (opened) RegCloseKey(target);
    return result;
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    std::wstring wideSubKey;
    if (LONG error = WideName(subKey, wideSubKey)) return error;
    return DeleteKeyCore(key, wideSubKey, 0);
}
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey) { return DeleteKeyCore(key, NameOf(subKey), 0); }
LONG RegDeleteKeyExA(HKEY key, LPCSTR subKey, REGSAM access, DWORD) {
    std::wstring wideSubKey;
    if (LONG error = WideName(subKey, wideSubKey)) return error;
    return DeleteKeyCore(key, wideSubKey, access);
}
LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
    std::wstring wideValueName;
    if (LONG error = WideName(valueName, wideValueName)) return error;
    return DeleteValueCore(key, wideValueName);
}
LONG RegDeleteValueW(HKEY key, LPCWSTR valueName) { return DeleteValueCore(key, NameOf(valueName)); }

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize) {
    return EnumKeyCore<char>(key, index, name, &nameSize, false);
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR className, LPDWORD classSize,
                   FILETIME* lastWrite) {
    LONG result = EnumKeyCore<char>(key, index, name, nameSize, true);
    if (result == ERROR_SUCCESS) {
        if (className != nullptr && classSize != nullptr && *classSize > 0) className[0] = '\0';
        if (classSize != nullptr) *classSize = 0;
        if (lastWrite != nullptr) *lastWrite = FILETIME{0, 0};
    }
    return result;
}

LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD, LPWSTR className, LPDWORD classSize,
                   FILETIME* lastWrite) {
    LONG result = EnumKeyCore<wchar_t>(key, index, name, nameSize, true);
    if (result == ERROR_SUCCESS) {
        if (className != nullptr && classSize != nullptr && *classSize > 0) className[0] = L'\0';
        if (classSize != nullptr) *classSize = 0;
        if (lastWrite != nullptr) *lastWrite = FILETIME{0, 0};
    }
    return result;
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize) {
    return EnumValueCore<char>(key, index, name, nameSize, type, data, dataSize, Encoding::Ansi);
}

LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD dataSize) {
    return EnumValueCore<wchar_t>(key, index, name, nameSize, type, data, dataSize, Encoding::Wide);
}

LONG RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classSize, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLength,
                      LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                      LPDWORD securityDescriptor, FILETIME* lastWrite) {
    Base base;
    if (LONG error = ResolveBase(key, base)) return error;
    if ((base.granted & KEY_QUERY_VALUE) == 0) return static_cast<LONG>(ERROR_ACCESS_DENIED);
    return platform::registry::WithHive(base.hive, false, [&](Key& root, bool&) {
        Key* found = Walk(root, base.path);
        if (found == nullptr) return static_cast<LONG>(ERROR_KEY_DELETED);
        if (className != nullptr && classSize != nullptr && *classSize > 0) className[0] = '\0';
        if (classSize != nullptr) *classSize = 0;
        DWORD longestKey = 0, longestName = 0, longestData = 0;
        for (const auto& [folded, child] : found->subKeys)
            longestKey = std::max<DWORD>(longestKey, static_cast<DWORD>(child->name.size()));
        for (const Value& value : found->values) {
            longestName = std::max<DWORD>(longestName, static_cast<DWORD>(value.name.size()));
            longestData = std::max<DWORD>(longestData, static_cast<DWORD>(FromStored(value, Encoding::Ansi).size()));
        }
        if (subKeys != nullptr) *subKeys = static_cast<DWORD>(found->subKeys.size());
        if (maxSubKeyLength != nullptr) *maxSubKeyLength = longestKey;
        if (maxClassLength != nullptr) *maxClassLength = 0;
        if (values != nullptr) *values = static_cast<DWORD>(found->values.size());
        if (maxValueNameLength != nullptr) *maxValueNameLength = longestName;
        if (maxValueLength != nullptr) *maxValueLength = longestData;
        if (securityDescriptor != nullptr) *securityDescriptor = 0;
        if (lastWrite != nullptr) *lastWrite = FILETIME{0, 0};
        return static_cast<LONG>(ERROR_SUCCESS);
    });
}
