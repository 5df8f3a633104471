#include "platform/network/NetworkAdapters.h"

#include <dirent.h>
#include <limits.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace platform {

namespace {

std::string ReadFirstLine(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

bool ParseHardwareAddress(const std::string& text, std::vector<BYTE>& address) {
    address.clear();
    unsigned values[6];
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x", &values[0], &values[1], &values[2], &values[3], &values[4],
                    &values[5]) != 6)
        return false;
    bool allZero = true;
    for (unsigned value : values) {
        address.push_back(static_cast<BYTE>(value));
        if (value != 0) allZero = false;
    }
    return !allZero;
}

// A stable GUID-shaped adapter name from the interface name (FNV-1a), as
// Windows names adapters by GUID.
std::string AdapterNameOf(const std::string& interfaceName) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char c : interfaceName) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    std::uint64_t second = hash * 0x9E3779B97F4A7C15ull;
    char text[64];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%04X-%012llX}", static_cast<unsigned>(hash >> 32),
                  static_cast<unsigned>((hash >> 16) & 0xFFFF), static_cast<unsigned>(hash & 0xFFFF),
                  static_cast<unsigned>(second >> 48), static_cast<unsigned long long>(second & 0xFFFFFFFFFFFFull));
    return text;
}

std::vector<NetworkAdapterEntry> HostAdapters() {
    struct Found {
        int index;
        NetworkAdapterEntry entry;
    };
    std::vector<Found> found;
    const std::string base = "/sys/class/net";
    DIR* dir = ::opendir(base.c_str());
    if (dir == nullptr) return {};
    while (dirent* item = ::readdir(dir)) {
        std::string name = item->d_name;
        if (name == "." || name == "..") continue;
        std::string folder = base + "/" + name;
        if (ReadFirstLine(folder + "/type") == "772") continue;  // loopback
        NetworkAdapterEntry entry;
        if (!ParseHardwareAddress(ReadFirstLine(folder + "/address"), entry.address)) continue;
        entry.name = AdapterNameOf(name);
        entry.description = name;
        char real[PATH_MAX];
        if (::realpath(folder.c_str(), real) != nullptr) entry.pci = std::strstr(real, "/devices/pci") != nullptr;
        found.push_back({std::atoi(ReadFirstLine(folder + "/ifindex").c_str()), std::move(entry)});
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.index < b.index; });
    std::vector<NetworkAdapterEntry> adapters;
    for (Found& item : found) adapters.push_back(std::move(item.entry));
    return adapters;
}

}  // namespace

void CopyText(char* target, size_t capacity, const std::string& text) {
    size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

std::vector<NetworkAdapterEntry> ListNetworkAdapters() {
    const MachineProfile& profile = Machine::Current().Profile();
    if (profile.networkAdapters) return *profile.networkAdapters;
    return HostAdapters();
}

}  // namespace platform

DWORD GetAdaptersInfo(PIP_ADAPTER_INFO buffer, ULONG* size) {
    if (size == nullptr) return ERROR_INVALID_PARAMETER;
    std::vector<platform::NetworkAdapterEntry> adapters = platform::ListNetworkAdapters();
    if (adapters.empty()) return ERROR_NO_DATA;
    ULONG needed = static_cast<ULONG>(adapters.size() * sizeof(IP_ADAPTER_INFO));
    if (buffer == nullptr || *size < needed) {
        *size = needed;
        return ERROR_BUFFER_OVERFLOW;
    }
    if (reinterpret_cast<UINT_PTR>(buffer) % alignof(IP_ADAPTER_INFO) != 0) return ERROR_INVALID_PARAMETER;
    for (size_t i = 0; i < adapters.size(); ++i) {
        IP_ADAPTER_INFO& info = buffer[i];
        std::memset(&info, 0, sizeof info);
        info.Next = i + 1 < adapters.size() ? &buffer[i + 1] : nullptr;
        info.ComboIndex = static_cast<DWORD>(i + 1);
        info.Index = static_cast<DWORD>(i + 1);
        platform::CopyText(info.AdapterName, sizeof info.AdapterName, adapters[i].name);
        platform::CopyText(info.Description, sizeof info.Description, adapters[i].description);
        info.AddressLength =
            static_cast<UINT>(std::min<size_t>(adapters[i].address.size(), MAX_ADAPTER_ADDRESS_LENGTH));
        std::memcpy(info.Address, adapters[i].address.data(), info.AddressLength);
        info.Type = MIB_IF_TYPE_ETHERNET;
        platform::CopyText(info.IpAddressList.IpAddress.String, 16, "0.0.0.0");
        platform::CopyText(info.IpAddressList.IpMask.String, 16, "0.0.0.0");
    }
    *size = needed;
    return ERROR_SUCCESS;
}
