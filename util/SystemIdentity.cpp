#include "util/SystemIdentity.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <random>

#include "platform/base/Clock.h"
#include "platform/network/NetworkAdapters.h"
#include "platform/registry/Registry.h"
#include "platform/system/SystemInfo.h"
#include "util/Log.h"
#include "util/Md5.h"
#include "util/RegKeyOsm.h"
#include "util/TraceLogger.h"

namespace {

const char* const kVirtualPrefixes[] = {"00-05-69", "00-0C-29", "00-50-56", "00-1c-14", "00-1C-42",
                                        "00-03-FF", "00-0F-4B", "00-16-3E", "08-00-27"};
const char kAdapterClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002bE10318}";

std::mutex g_identityLock;
std::string g_identity;

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsVirtualMac(const std::string& text) {
    std::string lower = Lower(text);
    for (const char* prefix : kVirtualPrefixes)
        if (lower.find(Lower(prefix)) != std::string::npos) return true;
    return false;
}

std::string MacText(const IP_ADAPTER_INFO& adapter) {
    char text[32];
    std::snprintf(text, sizeof text, "%02x-%02x-%02x-%02x-%02x-%02x", adapter.Address[0], adapter.Address[1],
                  adapter.Address[2], adapter.Address[3], adapter.Address[4], adapter.Address[5]);
    return text;
}

// The adapter list by the 648-byte first try, then the size the call asks for.
struct AdapterList {
    std::unique_ptr<IP_ADAPTER_INFO[]> storage;
    const IP_ADAPTER_INFO* first = nullptr;
};

bool ReadAdapters(AdapterList& list) {
    ULONG size = 648;
    auto slots = [](ULONG bytes) { return (bytes + sizeof(IP_ADAPTER_INFO) - 1) / sizeof(IP_ADAPTER_INFO); };
    list.storage = std::make_unique<IP_ADAPTER_INFO[]>(slots(size));
    DWORD result = GetAdaptersInfo(list.storage.get(), &size);
    if (result == ERROR_BUFFER_OVERFLOW) {
        list.storage = std::make_unique<IP_ADAPTER_INFO[]>(slots(size));
        result = GetAdaptersInfo(list.storage.get(), &size);
    }
    if (result != ERROR_SUCCESS) {
        TraceLog("failed to call GetAdaptersInfo\n");
        return false;
    }
    list.first = list.storage.get();
    return true;
}

void Append(std::string& text, const std::string& item) {
    if (!text.empty()) text += ":";
    text += item;
}

std::string ComputeIdentity() {
    std::string identity, fallback;
    AdapterList list;
    if (ReadAdapters(list)) {
        int index = 0;
        for (const IP_ADAPTER_INFO* adapter = list.first; adapter != nullptr; adapter = adapter->Next, ++index) {
            std::string mac = MacText(*adapter);
            if (index < 3 && !IsVirtualMac(mac)) Append(fallback, mac);
            if (IsPciAdapterByConnection(adapter->AdapterName) || IsPhysicalAdapterByClass(adapter->AdapterName))
                Append(identity, mac);
        }
    }
    if (identity.empty()) identity = !fallback.empty() ? fallback : GetMacAddressesPlain();
    SortMacText(identity);
    return identity;
}

}  // namespace

std::string GetMachineMac() { return GetMacAddressString(); }

std::string GetMacAddressString() {
    std::lock_guard<std::mutex> guard(g_identityLock);
    if (g_identity.empty()) g_identity = ComputeIdentity();
    return g_identity;
}

void ResetMachineMacForTest() {
    std::lock_guard<std::mutex> guard(g_identityLock);
    g_identity.clear();
}

std::string GetMacAddressesPlain() {
    std::string text;
    AdapterList list;
    if (!ReadAdapters(list)) return text;
    int index = 0;
    for (const IP_ADAPTER_INFO* adapter = list.first; adapter != nullptr && index < 3; adapter = adapter->Next, ++index)
        Append(text, MacText(*adapter));
    return text;
}

bool IsPhysicalAdapterByClass(const char* adapterName) {
    if (adapterName == nullptr) return false;
    libutilosm::CMyRegKey classKey;
    if (classKey.Open(HKEY_LOCAL_MACHINE, kAdapterClassKey) != ERROR_SUCCESS) return false;
    RegKeyInfo info{};
    if (classKey.QueryInfo(info) != ERROR_SUCCESS) return false;
    for (DWORD i = 0; i < info.subKeyCount; ++i) {
        RegKeyNameRecord record{};
        if (classKey.EnumKey(i, record) != ERROR_SUCCESS) continue;
        libutilosm::CMyRegKey instance;
        if (instance.Open(classKey.GetHandle(), record.name) != ERROR_SUCCESS) continue;
        char id[260] = {};
        DWORD size = sizeof id;
        if (instance.QueryStringValue("NetCfgInstanceId", id, size) != ERROR_SUCCESS) continue;
        int characteristics = 0;
        if (std::strcmp(id, adapterName) == 0 && instance.QueryDwordValue("Characteristics", characteristics) == 0 &&
            (characteristics & 0x4) != 0)
            return true;
    }
    return false;
}

bool IsPciAdapterByConnection(const char* adapterName) {
    if (adapterName == nullptr) return false;
    char path[260];
    std::snprintf(path, sizeof path,
                  "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\%s\\Connection",
                  adapterName);
    libutilosm::CMyRegKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, path) != ERROR_SUCCESS) return false;
    char id[260] = {};
    DWORD size = sizeof id;
    if (key.QueryStringValue("PnpInstanceID", id, size) != ERROR_SUCCESS) return false;
    // Kept as the statistics service's stored ids were made: PCI ids begin "PCI\", so this rarely holds.
    return std::strncmp(id, ";PCI", 4) == 0;
}

void SortMacText(std::string& text) {
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        size_t colon = text.find(':', start);
        items.push_back(text.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    if (items.size() <= 1) return;
    std::sort(items.begin(), items.end());
    text = JoinStrings(items, ":");
}

std::string JoinStrings(const std::vector<std::string>& items, const std::string& separator) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += separator;
        text += items[i];
    }
    return text;
}

std::vector<std::string> GetMacAddressList() {
    std::vector<std::string> list;
    AdapterList adapters;
    if (!ReadAdapters(adapters)) return list;
    int index = 0;
    for (const IP_ADAPTER_INFO* adapter = adapters.first; adapter != nullptr && index < 3;
         adapter = adapter->Next, ++index) {
        std::string mac = MacText(*adapter);
        std::string upper = mac;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (!IsVirtualMac(upper)) list.push_back(mac);
    }
    if (list.size() > 1) std::sort(list.begin(), list.end());
    return list;
}

std::string MakeRandomId() {
    // Each thread's generator is seeded from the host's random source, so two
    // installs (and two threads) never draw the same values.
    thread_local std::mt19937 generator{std::random_device{}()};
    thread_local std::string text;
    int values[256];
    for (int& value : values) value = static_cast<int>(generator() & 0x7FFFFFFF);
    Md5 md5;
    unsigned char digest[16];
    md5.Digest(values, sizeof values, digest);
    md5.ToHexLower(text);
    return text;
}

bool Random(int max) {
    std::srand(GetTickCount());
    int index = std::rand() % 100;
    WriteLog("Random : max(%d), index(%d).\n", max, index);
    return index < max;
}

std::string MakeGuidString() {
    GUID guid{};
    CoCreateGuid(&guid);
    char text[64];
    std::snprintf(text, sizeof text, "%08X%04X%04X%02X%02X%02X%02X%02X%02X%02X%02X", static_cast<unsigned>(guid.Data1),
                  guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4],
                  guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    return text;
}
