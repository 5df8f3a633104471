#include "platform/base/Resources.h"

#include <algorithm>
#include <cwchar>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/base/HostPaths.h"
#include "platform/base/LastError.h"

namespace {

struct Entry {
    std::shared_ptr<const std::string> bytes;  // null: removed by a test
};

struct Table {
    std::mutex lock;
    std::map<std::wstring, Entry> builtIn;
    std::map<std::wstring, Entry> overrides;
    std::map<UINT, std::wstring> strings;
    // Every entry handed out stays alive so that locked pointers never dangle.
    std::map<const void*, std::shared_ptr<const std::string>> keepAlive;
};

Table& Resources() {
    static Table* table = new Table();
    return *table;
}

std::wstring KeyPart(LPCWSTR value) {
    if (IS_INTRESOURCE(value)) return L"#" + std::to_wstring(reinterpret_cast<UINT_PTR>(value));
    std::wstring text = value;
    for (wchar_t& c : text) c = platform::FoldCase(c);
    return text;
}

std::wstring Key(LPCWSTR type, LPCWSTR name) { return KeyPart(type) + L"|" + KeyPart(name); }

int g_moduleTag = 0;

}  // namespace

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
    if (moduleName != nullptr) {
        SetLastError(126);  // ERROR_MOD_NOT_FOUND: only the program itself is loaded
        return nullptr;
    }
    return &g_moduleTag;
}

HRSRC FindResourceW(HMODULE, LPCWSTR name, LPCWSTR type) {
    if (name == nullptr || type == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    Table& table = Resources();
    std::lock_guard<std::mutex> guard(table.lock);
    std::wstring key = Key(type, name);
    const Entry* entry = nullptr;
    auto over = table.overrides.find(key);
    if (over != table.overrides.end()) {
        entry = &over->second;
    } else {
        auto base = table.builtIn.find(key);
        if (base != table.builtIn.end()) entry = &base->second;
    }
    if (entry == nullptr || !entry->bytes) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    table.keepAlive.emplace(entry->bytes.get(), entry->bytes);
    return reinterpret_cast<HRSRC>(const_cast<std::string*>(entry->bytes.get()));
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
    if (resource == nullptr) return 0;
    return static_cast<DWORD>(reinterpret_cast<const std::string*>(resource)->size());
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) { return resource; }

LPVOID LockResource(HGLOBAL loaded) {
    if (loaded == nullptr) return nullptr;
    return const_cast<char*>(static_cast<const std::string*>(loaded)->data());
}

int LoadStringW(HINSTANCE, UINT id, LPWSTR buffer, int bufferMax) {
    Table& table = Resources();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.strings.find(id);
    if (it == table.strings.end() || buffer == nullptr || bufferMax <= 0) {
        if (buffer != nullptr && bufferMax > 0) buffer[0] = 0;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    size_t count = std::min(it->second.size(), static_cast<size_t>(bufferMax - 1));
    std::wmemcpy(buffer, it->second.c_str(), count);
    buffer[count] = 0;
    return static_cast<int>(count);
}

namespace platform {

void RegisterResource(LPCWSTR type, LPCWSTR name, std::string bytes) {
    Table& table = Resources();
    std::lock_guard<std::mutex> guard(table.lock);
    table.builtIn[Key(type, name)] = Entry{std::make_shared<const std::string>(std::move(bytes))};
}

void RegisterStringResource(UINT id, std::wstring text) {
    Table& table = Resources();
    std::lock_guard<std::mutex> guard(table.lock);
    table.strings[id] = std::move(text);
}

void OverrideResource(LPCWSTR type, LPCWSTR name, std::string bytes) {
    Table& table = Resources();
    std::lock_guard<std::mutex> guard(table.lock);
    table.overrides[Key(type, name)] = Entry{std::make_shared<const std::string>(std::move(bytes))};
}

void RemoveResource(LPCWSTR type, LPCWSTR name) {
    Table& table = Resources();
    std::lock_guard<std::mutex> guard(table.lock);
    table.overrides[Key(type, name)] = Entry{nullptr};
}

void ResetResourceOverrides() {
    Table& table = Resources();
    std::lock_guard<std::mutex> guard(table.lock);
    table.overrides.clear();
}

}  // namespace platform
