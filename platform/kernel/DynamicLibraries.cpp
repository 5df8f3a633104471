// The table of run-time loadable system modules and their exports.
#include "platform/kernel/DynamicLibraries.h"

#include <map>
#include <mutex>
#include <string>

#include "platform/drawing/Gdi.h"
#include "platform/base/HostPaths.h"
#include "platform/base/LastError.h"

namespace platform {
namespace {

struct Module {
    std::map<std::string, FARPROC> exports;
};

struct Table {
    std::mutex lock;
    std::map<std::wstring, Module> modules;
};

// "USER32.DLL", "user32" and "C:\Windows\System32\user32.dll" name one module.
std::wstring Key(const wchar_t* name) {
    std::wstring text = name;
    size_t slash = text.find_last_of(L"\\/");
    if (slash != std::wstring::npos) text = text.substr(slash + 1);
    for (wchar_t& c : text) c = FoldCase(c);
    if (text.size() < 4 || text.compare(text.size() - 4, 4, L".dll") != 0) text += L".dll";
    return text;
}

Table& Modules() {
    static Table* table = [] {
        auto* t = new Table();
        t->modules[Key(L"user32.dll")].exports["UpdateLayeredWindow"] = reinterpret_cast<FARPROC>(&UpdateLayeredWindow);
        t->modules[Key(L"dwmapi.dll")].exports["DwmIsCompositionEnabled"] =
            reinterpret_cast<FARPROC>(&DwmIsCompositionEnabled);
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

BOOL FreeLibrary(HMODULE module) { return module != nullptr ? TRUE : FALSE; }
