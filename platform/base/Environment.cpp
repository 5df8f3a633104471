#include "platform/base/Environment.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <mutex>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"

namespace {

std::mutex g_environmentLock;
std::map<std::wstring, std::wstring>* g_setValues = nullptr;  // changes made by SetEnvironmentVariableW
const platform::Machine* g_setOwner = nullptr;

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text) c = platform::FoldCase(c);
    return text;
}

// The host session's proxy settings pass through (either letter case, the
// lower-case name first, as curl reads them).
bool HostProxyValue(const std::wstring& upperName, std::wstring& value) {
    std::string upper(upperName.begin(), upperName.end());
    std::string lower = upper;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string& name : {lower, upper}) {
        const char* text = std::getenv(name.c_str());
        if (text != nullptr && *text != '\0') {
            value = platform::Utf8ToUtf16(text);
            return true;
        }
    }
    return false;
}

bool DefaultValue(const std::wstring& upperName, std::wstring& value) {
    const platform::Machine& machine = platform::Machine::Current();
    const platform::MachineProfile& profile = machine.Profile();
    bool wow64 = profile.os64Bit && !profile.process64Bit;
    if (upperName == L"USERPROFILE") value = machine.UserProfileFolder();
    else if (upperName == L"APPDATA") value = machine.AppDataFolder();
    else if (upperName == L"LOCALAPPDATA") value = machine.LocalAppDataFolder();
    else if (upperName == L"TEMP" || upperName == L"TMP") value = machine.TempFolder();
    else if (upperName == L"SYSTEMROOT" || upperName == L"WINDIR") value = machine.WindowsFolder();
    else if (upperName == L"SYSTEMDRIVE") value = L"C:";
    else if (upperName == L"USERNAME") value = profile.userName;
    else if (upperName == L"COMPUTERNAME") value = profile.computerName;
    else if (upperName == L"PROGRAMDATA" || upperName == L"ALLUSERSPROFILE") value = L"C:\\ProgramData";
    else if (upperName == L"PUBLIC") value = L"C:\\Users\\Public";
    else if (upperName == L"PROGRAMFILES") value = wow64 ? L"C:\\Program Files (x86)" : L"C:\\Program Files";
    else if (upperName == L"PROGRAMFILES(X86)" && profile.os64Bit) value = L"C:\\Program Files (x86)";
    else if (upperName == L"PROGRAMW6432" && profile.os64Bit) value = L"C:\\Program Files";
    else if (upperName == L"PROCESSOR_ARCHITECTURE")
        value = (profile.os64Bit && profile.process64Bit) ? L"AMD64" : L"x86";
    else if (upperName == L"PROCESSOR_ARCHITEW6432" && wow64) value = L"AMD64";
    else if (upperName == L"HTTP_PROXY" || upperName == L"HTTPS_PROXY" || upperName == L"ALL_PROXY" ||
             upperName == L"NO_PROXY")
        return HostProxyValue(upperName, value);
    else return false;
    return true;
}

bool Lookup(const std::wstring& name, std::wstring& value) {
    std::wstring upper = Upper(name);
    {
        std::lock_guard<std::mutex> guard(g_environmentLock);
        if (g_setValues != nullptr && g_setOwner == &platform::Machine::Current()) {
            auto it = g_setValues->find(upper);
            if (it != g_setValues->end()) {
                if (it->second.empty()) return false;  // removed
                value = it->second;
                return true;
            }
        }
    }
    return DefaultValue(upper, value);
}

std::string* g_debugCapture = nullptr;
std::mutex g_debugLock;

}  // namespace

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    std::wstring value;
    if (name == nullptr || !Lookup(name, value)) {
        SetLastError(203);  // ERROR_ENVVAR_NOT_FOUND
        return 0;
    }
    if (buffer == nullptr || size <= value.size()) return static_cast<DWORD>(value.size() + 1);
    std::wmemcpy(buffer, value.c_str(), value.size() + 1);
    return static_cast<DWORD>(value.size());
}

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    if (name == nullptr) return 0;
    std::wstring value;
    wchar_t wideName[256] = {0};
    MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, 255);
    if (!Lookup(wideName, value)) {
        SetLastError(203);
        return 0;
    }
    int bytes = WideCharToMultiByte(CP_ACP, 0, value.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (buffer == nullptr || size < static_cast<DWORD>(bytes)) return static_cast<DWORD>(bytes);
    WideCharToMultiByte(CP_ACP, 0, value.c_str(), -1, buffer, static_cast<int>(size), nullptr, nullptr);
    return static_cast<DWORD>(bytes - 1);
}

BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value) {
    if (name == nullptr || *name == 0) return FALSE;
    std::lock_guard<std::mutex> guard(g_environmentLock);
    const platform::Machine* current = &platform::Machine::Current();
    if (g_setValues == nullptr || g_setOwner != current) {
        delete g_setValues;
        g_setValues = new std::map<std::wstring, std::wstring>();
        g_setOwner = current;
    }
    (*g_setValues)[Upper(name)] = value != nullptr ? value : L"";
    return TRUE;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }
DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

void OutputDebugStringA(LPCSTR text) {
    std::lock_guard<std::mutex> guard(g_debugLock);
    if (g_debugCapture != nullptr && text != nullptr) g_debugCapture->append(text);
}

void OutputDebugStringW(LPCWSTR text) {
    if (text == nullptr) return;
    int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), bytes, nullptr, nullptr);
    OutputDebugStringA(narrow.c_str());
}

LANGID GetUserDefaultUILanguage() {
    LANGID configured = platform::Machine::Current().Profile().userLanguage;
    if (configured != 0) return configured;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0' && std::strcmp(value, "C") != 0 && std::strcmp(value, "POSIX") != 0)
            return platform::LangIdFromLocaleName(value);
    }
    return 0x0409;
}

LANGID GetUserDefaultLangID() { return GetUserDefaultUILanguage(); }
LANGID GetSystemDefaultLangID() { return GetUserDefaultUILanguage(); }

namespace platform {
void SetDebugOutputCapture(std::string* capture) {
    std::lock_guard<std::mutex> guard(g_debugLock);
    g_debugCapture = capture;
}
}  // namespace platform
