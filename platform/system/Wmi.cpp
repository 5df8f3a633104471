#include "platform/system/Wmi.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/base/CodePages.h"
#include "platform/base/Machine.h"

const CLSID CLSID_WbemLocator = {0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};
const IID IID_IWbemLocator = {0xDC12A687, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

namespace {

namespace fs = std::filesystem;

const IID IID_IWbemServices = {0x9556DC99, 0x828C, 0x11CF, {0xA3, 0x7E, 0x00, 0xAA, 0x00, 0x32, 0x40, 0xC7}};
const IID IID_IEnumWbemClassObject = {0x027947E1, 0xD731, 0x11CE, {0xA3, 0x57, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}};
const IID IID_IWbemClassObject = {0xDC12A681, 0x737F, 0x11CF, {0x88, 0x4D, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

std::atomic<bool> g_securityInitialised{false};

// Reference counting and QueryInterface for one interface beside IUnknown.
template <typename Interface>
class ComObject : public Interface {
public:
    explicit ComObject(const IID& iid) : m_iid(iid) {}
    virtual ~ComObject() = default;
    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (!IsEqualGUID(iid, IID_IUnknown) && !IsEqualGUID(iid, m_iid)) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        *object = static_cast<Interface*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return static_cast<ULONG>(++m_references); }
    ULONG Release() override {
        int left = --m_references;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

private:
    const IID& m_iid;
    std::atomic<int> m_references{1};
};

struct Controller {
    std::wstring name;
    std::wstring driverVersion;  // empty: no driver bound
    std::wstring deviceId;
};

std::string ReadLine(const fs::path& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

unsigned HexValue(const std::string& text) { return static_cast<unsigned>(std::strtoul(text.c_str(), nullptr, 16)); }

// Vendor and device names from the PCI ids database, when it is installed.
std::string PciIdsName(unsigned vendor, unsigned device) {
    std::ifstream in("/usr/share/misc/pci.ids");
    if (!in) return {};
    char vendorKey[8], deviceKey[8];
    std::snprintf(vendorKey, sizeof vendorKey, "%04x  ", vendor);
    std::snprintf(deviceKey, sizeof deviceKey, "\t%04x ", device);
    std::string line, vendorName;
    while (std::getline(in, line)) {
        if (vendorName.empty()) {
            if (line.compare(0, 6, vendorKey) == 0) vendorName = line.substr(6);
            continue;
        }
        if (!line.empty() && line[0] != '\t' && line[0] != '#') break;  // the next vendor
        if (line.compare(0, 6, deviceKey) == 0) return vendorName + " " + line.substr(7);
    }
    return vendorName.empty() ? std::string() : vendorName + " display controller";
}

std::string VendorName(unsigned vendor) {
    static const struct {
        unsigned id;
        const char* name;
    } vendors[] = {{0x10de, "NVIDIA"}, {0x1002, "AMD"},   {0x8086, "Intel"},      {0x1af4, "Red Hat"},
                   {0x15ad, "VMware"}, {0x1234, "QEMU"},  {0x80ee, "VirtualBox"}, {0x1414, "Microsoft"},
                   {0x1a03, "ASPEED"}, {0x102b, "Matrox"}};
    for (const auto& entry : vendors)
        if (entry.id == vendor) return entry.name;
    return "PCI";
}

std::string KernelRelease() { return ReadLine("/proc/sys/kernel/osrelease"); }

// One controller from a device folder holding "vendor", "device" and a "driver" link.
Controller FromDevice(const fs::path& root, const fs::path& device, int index) {
    unsigned vendor = HexValue(ReadLine(device / "vendor"));
    unsigned id = HexValue(ReadLine(device / "device"));
    std::string name = PciIdsName(vendor, id);
    if (name.empty()) {
        char text[96];
        std::snprintf(text, sizeof text, "%s display controller %04x:%04x", VendorName(vendor).c_str(), vendor, id);
        name = text;
    }
    std::error_code error;
    fs::path driver = fs::read_symlink(device / "driver", error);
    std::string version;
    if (!error && !driver.filename().empty()) {
        version = ReadLine(root / "module" / driver.filename() / "version");
        if (version.empty()) version = KernelRelease();
    }
    return Controller{platform::Utf8ToUtf16(name), platform::Utf8ToUtf16(version),
                      L"VideoController" + std::to_wstring(index)};
}

std::vector<fs::path> SortedEntries(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(it->path());
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::vector<Controller> ListVideoControllers() {
    const std::string& configured = platform::Machine::Current().Profile().deviceTreeRoot;
    fs::path root = configured.empty() ? fs::path("/sys") : fs::path(configured);
    std::vector<Controller> controllers;
    for (const fs::path& device : SortedEntries(root / "bus" / "pci" / "devices")) {
        if (ReadLine(device / "class").rfind("0x03", 0) != 0) continue;  // display controllers only
        controllers.push_back(FromDevice(root, device, static_cast<int>(controllers.size()) + 1));
    }
    if (!controllers.empty()) return controllers;
    for (const fs::path& card : SortedEntries(root / "class" / "drm")) {
        std::string name = card.filename().string();
        if (name.rfind("card", 0) != 0 || name.find('-') != std::string::npos) continue;  // connectors
        controllers.push_back(FromDevice(root, card / "device", static_cast<int>(controllers.size()) + 1));
    }
    return controllers;
}

bool SameNoCase(const std::wstring& a, const wchar_t* b) {
    std::size_t length = std::wcslen(b);
    if (a.size() != length) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (std::towlower(a[i]) != std::towlower(b[i])) return false;
    return true;
}

// The query text with its blanks folded to one.
std::wstring Normalised(const wchar_t* text) {
    std::wstring out;
    for (const wchar_t* at = text; *at != L'\0'; ++at) {
        bool blank = *at == L' ' || *at == L'\t' || *at == L'\r' || *at == L'\n';
        if (blank && (out.empty() || out.back() == L' ')) continue;
        out += blank ? L' ' : *at;
    }
    while (!out.empty() && out.back() == L' ') out.pop_back();
    return out;
}

class VideoControllerObject : public ComObject<IWbemClassObject> {
public:
    explicit VideoControllerObject(Controller controller)
        : ComObject(IID_IWbemClassObject), m_controller(std::move(controller)) {}
    HRESULT Get(LPCWSTR name, LONG, VARIANT* value, LONG* type, LONG* flavor) override {
        if (name == nullptr || value == nullptr) return E_INVALIDARG;
        VariantInit(value);
        if (type != nullptr) *type = 8;  // CIM_STRING
        if (flavor != nullptr) *flavor = 0;
        const std::wstring* text = nullptr;
        std::wstring key = name;
        if (SameNoCase(key, L"Name")) text = &m_controller.name;
        else if (SameNoCase(key, L"DriverVersion")) text = &m_controller.driverVersion;
        else if (SameNoCase(key, L"DeviceID")) text = &m_controller.deviceId;
        else return WBEM_E_NOT_FOUND;
        if (text->empty()) {
            value->vt = VT_NULL;
            return S_OK;
        }
        value->vt = VT_BSTR;
        value->bstrVal = SysAllocString(text->c_str());
        return value->bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
    }

private:
    Controller m_controller;
};

class ControllerEnumerator : public ComObject<IEnumWbemClassObject> {
public:
    explicit ControllerEnumerator(std::vector<Controller> controllers)
        : ComObject(IID_IEnumWbemClassObject), m_controllers(std::move(controllers)) {}
    HRESULT Next(LONG, ULONG count, IWbemClassObject** objects, ULONG* returned) override {
        if (objects == nullptr || returned == nullptr) return E_INVALIDARG;
        *returned = 0;
        while (*returned < count && m_next < m_controllers.size())
            objects[(*returned)++] = new VideoControllerObject(m_controllers[m_next++]);
        return *returned == count ? S_OK : WBEM_S_FALSE;
    }

private:
    std::vector<Controller> m_controllers;
    std::size_t m_next = 0;
};

class Services : public ComObject<IWbemServices> {
public:
    Services() : ComObject(IID_IWbemServices) {}
    HRESULT ExecQuery(const BSTR language, const BSTR query, LONG, void*, IEnumWbemClassObject** result) override {
        if (result == nullptr) return E_POINTER;
        *result = nullptr;
        if (language == nullptr || query == nullptr || !SameNoCase(language, L"WQL")) return WBEM_E_INVALID_QUERY;
        if (!SameNoCase(Normalised(query), L"SELECT * FROM Win32_VideoController")) return WBEM_E_INVALID_QUERY;
        *result = new ControllerEnumerator(ListVideoControllers());
        return S_OK;
    }
};

class Locator : public ComObject<IWbemLocator> {
public:
    Locator() : ComObject(IID_IWbemLocator) {}
    HRESULT ConnectServer(const BSTR resource, const BSTR, const BSTR, const BSTR, LONG, const BSTR, void*,
                          IWbemServices** services) override {
        if (services == nullptr) return E_POINTER;
        *services = nullptr;
        if (resource == nullptr || !SameNoCase(resource, L"ROOT\\CIMV2")) return WBEM_E_INVALID_NAMESPACE;
        *services = new Services();
        return S_OK;
    }
};

}  // namespace

BSTR SysAllocString(const wchar_t* text) {
    if (text == nullptr) return nullptr;
    std::size_t length = std::wcslen(text);
    auto* copy = static_cast<wchar_t*>(std::malloc((length + 1) * sizeof(wchar_t)));
    if (copy != nullptr) std::wmemcpy(copy, text, length + 1);
    return copy;
}

void SysFreeString(BSTR text) { std::free(text); }

void VariantInit(VARIANT* value) {
    if (value == nullptr) return;
    std::memset(value, 0, sizeof *value);
    value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value) {
    if (value == nullptr) return E_INVALIDARG;
    if (value->vt == VT_BSTR) SysFreeString(value->bstrVal);
    VariantInit(value);
    return S_OK;
}

HRESULT CoInitializeSecurity(void*, LONG, void*, void*, DWORD, DWORD, void*, DWORD, void*) {
    return g_securityInitialised.exchange(true) ? RPC_E_TOO_LATE : S_OK;
}

HRESULT CoSetProxyBlanket(IUnknown* proxy, DWORD, DWORD, LPCOLESTR, DWORD, DWORD, void*, DWORD) {
    return proxy != nullptr ? S_OK : E_INVALIDARG;
}

HRESULT platform::CreateWbemLocator(REFIID iid, void** object) {
    auto* locator = new Locator();
    HRESULT result = locator->QueryInterface(iid, object);
    locator->Release();
    return result;
}
