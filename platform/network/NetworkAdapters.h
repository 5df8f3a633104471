// Network adapters, shaped like IPHLPAPI's GetAdaptersInfo.
//
// The adapters are the host's network interfaces (/sys/class/net; loopback
// and interfaces without a 6-byte hardware address are left out), or the
// machine profile's fixed table when it sets one. An adapter on a PCI bus
// counts as physical. The adapter class and connection registry keys of a
// new machine are seeded from the same list (RegistryStore.h).
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "platform/base/Machine.h"
#include "platform/base/Win32Types.h"

constexpr DWORD MAX_ADAPTER_NAME_LENGTH = 256;
constexpr DWORD MAX_ADAPTER_DESCRIPTION_LENGTH = 128;
constexpr DWORD MAX_ADAPTER_ADDRESS_LENGTH = 8;
constexpr UINT MIB_IF_TYPE_ETHERNET = 6;
constexpr DWORD ERROR_NO_DATA = 232;

struct IP_ADDRESS_STRING {
    char String[16];
};
using IP_MASK_STRING = IP_ADDRESS_STRING;

struct IP_ADDR_STRING {
    IP_ADDR_STRING* Next;
    IP_ADDRESS_STRING IpAddress;
    IP_MASK_STRING IpMask;
    DWORD Context;
};

struct IP_ADAPTER_INFO {
    IP_ADAPTER_INFO* Next;
    DWORD ComboIndex;
    char AdapterName[MAX_ADAPTER_NAME_LENGTH + 4];
    char Description[MAX_ADAPTER_DESCRIPTION_LENGTH + 4];
    UINT AddressLength;
    BYTE Address[MAX_ADAPTER_ADDRESS_LENGTH];
    DWORD Index;
    UINT Type;
    UINT DhcpEnabled;
    IP_ADDR_STRING* CurrentIpAddress;
    IP_ADDR_STRING IpAddressList;
    IP_ADDR_STRING GatewayList;
    IP_ADDR_STRING DhcpServer;
    BOOL HaveWins;
    IP_ADDR_STRING PrimaryWinsServer;
    IP_ADDR_STRING SecondaryWinsServer;
    std::time_t LeaseObtained;
    std::time_t LeaseExpires;
};
using PIP_ADAPTER_INFO = IP_ADAPTER_INFO*;

// Fills `buffer` (aligned for IP_ADAPTER_INFO) with a linked list of the
// adapters. ERROR_BUFFER_OVERFLOW with the needed size in *size when the
// buffer is too small (or null); ERROR_NO_DATA when there is no adapter;
// ERROR_INVALID_PARAMETER for a null size or a misaligned buffer.
DWORD GetAdaptersInfo(PIP_ADAPTER_INFO buffer, ULONG* size);

namespace platform {
// The adapters of the current machine, in GetAdaptersInfo's order.
std::vector<NetworkAdapterEntry> ListNetworkAdapters();
// Copies text into a fixed field, cut to fit, always terminated.
void CopyText(char* target, size_t capacity, const std::string& text);
}  // namespace platform
