#include "platform/system/Wmi.h"
#include "platform/files/ShellLink.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <optional>
#include <string>

#include "platform/base/CodePages.h"
#include "platform/base/HostPaths.h"

const CLSID CLSID_ShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IShellLinkW = {0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
const IID IID_IPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

bool IsEqualGUID(const GUID& a, const GUID& b) {
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 && std::memcmp(a.Data4, b.Data4, 8) == 0;
}

namespace {

std::atomic<int> g_comInitialised{0};

std::string EscapeValue(const std::wstring& value) {
    std::string out;
    for (char c : platform::Utf16ToUtf8(value)) {
        if (c == '%') out += "%25";
        else if (c == '\r') out += "%0D";
        else if (c == '\n') out += "%0A";
        else out.push_back(c);
    }
    return out;
}

std::wstring UnescapeValue(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            std::string code = text.substr(i + 1, 2);
            if (code == "25") out.push_back('%');
            else if (code == "0D") out.push_back('\r');
            else if (code == "0A") out.push_back('\n');
            else out += text.substr(i, 3);
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return platform::Utf8ToUtf16(out);
}

HRESULT CopyOut(const std::wstring& value, LPWSTR buffer, int capacity) {
    if (buffer == nullptr || capacity <= 0) return E_INVALIDARG;
    size_t length = std::min<size_t>(value.size(), static_cast<size_t>(capacity) - 1);
    std::wmemcpy(buffer, value.c_str(), length);
    buffer[length] = L'\0';
    return S_OK;
}

class ShellLink final : public IShellLinkW, public IPersistFile {
public:
    // IUnknown (both bases share one count).
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (IsEqualGUID(iid, IID_IUnknown) || IsEqualGUID(iid, IID_IShellLinkW))
            *object = static_cast<IShellLinkW*>(this);
        else if (IsEqualGUID(iid, IID_IPersistFile)) *object = static_cast<IPersistFile*>(this);
        else return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++m_references); }
    ULONG Release() override {
        int left = --m_references;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    HRESULT GetPath(LPWSTR file, int capacity, void*, DWORD) override { return CopyOut(m_target, file, capacity); }
    HRESULT SetPath(LPCWSTR file) override { return Set(m_target, file); }
    HRESULT GetArguments(LPWSTR arguments, int capacity) override { return CopyOut(m_arguments, arguments, capacity); }
    HRESULT SetArguments(LPCWSTR arguments) override { return Set(m_arguments, arguments); }
    HRESULT GetWorkingDirectory(LPWSTR folder, int capacity) override { return CopyOut(m_folder, folder, capacity); }
    HRESULT SetWorkingDirectory(LPCWSTR folder) override { return Set(m_folder, folder); }
    HRESULT GetDescription(LPWSTR description, int capacity) override {
        return CopyOut(m_description, description, capacity);
    }
    HRESULT SetDescription(LPCWSTR description) override { return Set(m_description, description); }
    HRESULT GetIconLocation(LPWSTR iconPath, int capacity, int* index) override {
        if (index != nullptr) *index = m_iconIndex;
        return CopyOut(m_icon, iconPath, capacity);
    }
    HRESULT SetIconLocation(LPCWSTR iconPath, int index) override {
        m_iconIndex = index;
        return Set(m_icon, iconPath);
    }
    HRESULT GetHotkey(WORD* hotkey) override {
        if (hotkey == nullptr) return E_POINTER;
        *hotkey = m_hotkey;
        return S_OK;
    }
    HRESULT SetHotkey(WORD hotkey) override {
        m_hotkey = hotkey;
        return S_OK;
    }
    HRESULT GetShowCmd(int* showCommand) override {
        if (showCommand == nullptr) return E_POINTER;
        *showCommand = m_show;
        return S_OK;
    }
    HRESULT SetShowCmd(int showCommand) override {
        m_show = showCommand;
        return S_OK;
    }

    HRESULT Save(LPCOLESTR fileName, BOOL) override {
        if (fileName == nullptr) return E_INVALIDARG;
        std::optional<std::string> host = platform::ToHostPath(fileName);
        if (!host) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        std::string text = "WEBINSTALLER-SHORTCUT 1\n";
        text += "Target=" + EscapeValue(m_target) + "\n";
        text += "Arguments=" + EscapeValue(m_arguments) + "\n";
        text += "WorkingDirectory=" + EscapeValue(m_folder) + "\n";
        text += "Description=" + EscapeValue(m_description) + "\n";
        text += "IconLocation=" + EscapeValue(m_icon) + "\n";
        text += "IconIndex=" + std::to_string(m_iconIndex) + "\n";
        text += "ShowCmd=" + std::to_string(m_show) + "\n";
        text += "Hotkey=" + std::to_string(m_hotkey) + "\n";
        std::string temp = *host + ".tmp";
        {
            std::ofstream out(temp, std::ios::binary | std::ios::trunc);
            if (!out) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
            out << text;
            out.flush();
            if (!out) {
                std::remove(temp.c_str());
                return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
            }
        }
        if (std::rename(temp.c_str(), host->c_str()) != 0) {
            std::remove(temp.c_str());
            return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        }
        return S_OK;
    }

    HRESULT Load(LPCOLESTR fileName, DWORD) override {
        if (fileName == nullptr) return E_INVALIDARG;
        std::optional<std::string> host = platform::ToHostPath(fileName);
        std::ifstream in(host.value_or(std::string()), std::ios::binary);
        if (!host || !in) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        std::string line;
        if (!std::getline(in, line) || line != "WEBINSTALLER-SHORTCUT 1") return E_FAIL;
        size_t lines = 0;
        while (std::getline(in, line) && ++lines < 64) {
            size_t equals = line.find('=');
            if (equals == std::string::npos) continue;
            std::string key = line.substr(0, equals), value = line.substr(equals + 1);
            if (key == "Target") m_target = UnescapeValue(value);
            else if (key == "Arguments") m_arguments = UnescapeValue(value);
            else if (key == "WorkingDirectory") m_folder = UnescapeValue(value);
            else if (key == "Description") m_description = UnescapeValue(value);
            else if (key == "IconLocation") m_icon = UnescapeValue(value);
            else if (key == "IconIndex") m_iconIndex = std::atoi(value.c_str());
            else if (key == "ShowCmd") m_show = std::atoi(value.c_str());
            else if (key == "Hotkey") m_hotkey = static_cast<WORD>(std::atoi(value.c_str()));
        }
        return S_OK;
    }

private:
    static HRESULT Set(std::wstring& field, LPCWSTR value) {
        if (value == nullptr) return E_INVALIDARG;
        field = value;
        return S_OK;
    }

    std::atomic<int> m_references{1};
    std::wstring m_target, m_arguments, m_folder, m_description, m_icon;
    int m_iconIndex = 0;
    int m_show = SW_SHOWNORMAL;
    WORD m_hotkey = 0;
};

}  // namespace

HRESULT CoInitialize(LPVOID) { return ++g_comInitialised == 1 ? S_OK : S_FALSE; }

HRESULT CoInitializeEx(LPVOID reserved, DWORD) { return CoInitialize(reserved); }

void CoUninitialize() {
    if (g_comInitialised > 0) --g_comInitialised;
}

HRESULT CoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID iid, LPVOID* object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return static_cast<HRESULT>(0x80040110u);  // CLASS_E_NOAGGREGATION
    if (IsEqualGUID(classId, CLSID_WbemLocator) && (context & CLSCTX_INPROC_SERVER) != 0)
        return platform::CreateWbemLocator(iid, object);
    if (!IsEqualGUID(classId, CLSID_ShellLink) || (context & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
    auto* link = new ShellLink();
    HRESULT result = link->QueryInterface(iid, object);
    link->Release();  // the caller's reference, when the interface was known, keeps it
    return result;
}
