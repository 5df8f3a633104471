// The table of run-time loadable system modules and their exports.
#include "platform/kernel/DynamicLibraries.h"

#include <dlfcn.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/drawing/Gdi.h"
#include "platform/windowing/Desktop.h"
#include "platform/files/FileSystem.h"
#include "platform/system/SystemInfo.h"
#include "platform/base/HostPaths.h"
#include "platform/base/LastError.h"

namespace platform {
namespace {

struct Module {
    std::map<std::string, FARPROC> exports;
};

// A module that is a library of the host: the CUDA driver is the machine's
// own, loaded when asked for and released with its last FreeLibrary.
struct HostModule {
    const char* file;
    void* handle = nullptr;
    int references = 0;
};

struct Table {
    std::mutex lock;
    std::map<std::wstring, Module> modules;
    std::map<std::wstring, HostModule> hostModules;
};

// "USER32.DLL", "user32" and "C:\Windows\System32\user32.dll" name one module.
std::wstring Key(const wchar_t* name) {
    std::wstring text = name;
    size_t slash = text.find_last_of(L"\\/");
    if (slash != std::wstring::npos) text = text.substr(slash + 1);
    // The suffix is compared after folding too, so "user32" gains it exactly once.
    if (text.size() < 4 || FoldCase(text[text.size() - 1]) != FoldCase(L'l') ||
        FoldCase(text[text.size() - 2]) != FoldCase(L'l') || FoldCase(text[text.size() - 3]) != FoldCase(L'd') ||
        text[text.size() - 4] != L'.')
        text += L".dll";
    for (wchar_t& c : text) c = FoldCase(c);
    return text;
}

Table& Modules() {
    static Table* table = [] {
        auto* t = new Table();
        t->modules[Key(L"user32.dll")].exports["UpdateLayeredWindow"] = reinterpret_cast<FARPROC>(&UpdateLayeredWindow);
        t->modules[Key(L"user32.dll")].exports["SwitchToThisWindow"] = reinterpret_cast<FARPROC>(&SwitchToThisWindow);
        t->modules[Key(L"dwmapi.dll")].exports["DwmIsCompositionEnabled"] =
            reinterpret_cast<FARPROC>(&DwmIsCompositionEnabled);
        t->modules[Key(L"kernel32.dll")].exports["IsWow64Process"] = reinterpret_cast<FARPROC>(&IsWow64Process);
        t->modules[Key(L"kernel32.dll")].exports["GetDiskFreeSpaceExA"] =
            reinterpret_cast<FARPROC>(&GetDiskFreeSpaceExA);
        t->hostModules.emplace(Key(L"nvcuda.dll"), HostModule{"libcuda.so.1"});
        return t;
    }();
    return *table;
}

}  // namespace

void RegisterLibraryExport(const wchar_t* module, const char* name, FARPROC procedure) {
    if (module == nullptr || name == nullptr) return;
    Table& table = Modules();
    std::lock_guard<std::mutex> guard(table.lock);
    table.modules[Key(module)].exports[name] = procedure;
}

}  // namespace platform

using namespace platform;

HMODULE LoadLibraryW(LPCWSTR fileName) {
    if (fileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Table& table = Modules();
    std::lock_guard<std::mutex> guard(table.lock);
    auto host = table.hostModules.find(Key(fileName));
    if (host != table.hostModules.end()) {
        HostModule& module = host->second;
        if (module.handle == nullptr) module.handle = dlopen(module.file, RTLD_NOW | RTLD_LOCAL);
        if (module.handle == nullptr) {
            SetLastError(126);  // ERROR_MOD_NOT_FOUND
            return nullptr;
        }
        ++module.references;
        return &module;
    }
    auto it = table.modules.find(Key(fileName));
    if (it == table.modules.end()) {
        SetLastError(126);  // ERROR_MOD_NOT_FOUND
        return nullptr;
    }
    return &it->second;  // map nodes are stable: the handle stays valid
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procedureName) {
    if (module == nullptr || procedureName == nullptr || IS_INTRESOURCE(procedureName)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    Table& table = Modules();
    std::lock_guard<std::mutex> guard(table.lock);
    for (auto& entry : table.hostModules) {
        if (&entry.second != module) continue;
        void* symbol = entry.second.handle != nullptr ? dlsym(entry.second.handle, procedureName) : nullptr;
        if (symbol != nullptr) return reinterpret_cast<FARPROC>(symbol);
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    for (auto& entry : table.modules) {
        if (&entry.second != module) continue;
        if (entry.first == Key(L"user32.dll") && std::string(procedureName) == "UpdateLayeredWindow" &&
            LayeredWindowsMissing())
            break;
        auto it = entry.second.exports.find(procedureName);
        if (it != entry.second.exports.end()) return it->second;
        break;
    }
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    if (module == nullptr) return FALSE;
    Table& table = Modules();
    std::lock_guard<std::mutex> guard(table.lock);
    for (auto& entry : table.hostModules) {
        HostModule& host = entry.second;
        if (&host != module) continue;
        if (host.references <= 0) return FALSE;
        if (--host.references == 0 && host.handle != nullptr) {
            dlclose(host.handle);
            host.handle = nullptr;
        }
        return TRUE;
    }
    return TRUE;
}
