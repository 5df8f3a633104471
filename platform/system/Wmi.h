// The WMI query of the video controllers through COM, shaped like wbemcli's
// IWbemLocator / IWbemServices / IEnumWbemClassObject / IWbemClassObject with
// oleaut32's BSTR and VARIANT, ole32's CoInitializeSecurity and
// CoSetProxyBlanket.
//
// CoCreateInstance(CLSID_WbemLocator) gives a locator whose only namespace
// is "ROOT\CIMV2" and whose only query is "SELECT * FROM
// Win32_VideoController" (WQL, any letter case). The objects come from the
// Linux device tree: the PCI devices of the display class (0x03), else the
// DRM cards, under /sys (or the machine profile's deviceTreeRoot). Each
// answers "Name" (the PCI ids database's vendor and device names when
// /usr/share/misc/pci.ids is installed, else "<vendor> display controller
// <vvvv>:<dddd>") and "DriverVersion" (the kernel module's version, else the
// kernel release; VT_NULL without a driver) and "DeviceID"
// ("VideoController1", ...).
#pragma once

#include "platform/base/Win32Types.h"
#include "platform/files/ShellLink.h"

using BSTR = wchar_t*;
using VARTYPE = WORD;
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_NULL = 1;
constexpr VARTYPE VT_BSTR = 8;

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1, wReserved2, wReserved3;
    union {
        LONG lVal;
        BSTR bstrVal;
        LONGLONG llVal;
    };
};

BSTR SysAllocString(const wchar_t* text);
void SysFreeString(BSTR text);
void VariantInit(VARIANT* value);
HRESULT VariantClear(VARIANT* value);

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD RPC_C_AUTHN_LEVEL_DEFAULT = 0;
constexpr DWORD RPC_C_AUTHN_LEVEL_CALL = 3;
constexpr DWORD RPC_C_IMP_LEVEL_IMPERSONATE = 3;
constexpr DWORD RPC_C_AUTHN_WINNT = 10;
constexpr DWORD RPC_C_AUTHZ_NONE = 0;
constexpr DWORD EOAC_NONE = 0;
constexpr HRESULT RPC_E_TOO_LATE = static_cast<HRESULT>(0x80010119u);
constexpr HRESULT WBEM_S_FALSE = 1;
constexpr HRESULT WBEM_E_NOT_FOUND = static_cast<HRESULT>(0x80041002u);
constexpr HRESULT WBEM_E_INVALID_NAMESPACE = static_cast<HRESULT>(0x8004100Eu);
constexpr HRESULT WBEM_E_INVALID_QUERY = static_cast<HRESULT>(0x80041017u);
constexpr LONG WBEM_FLAG_RETURN_IMMEDIATELY = 0x10;
constexpr LONG WBEM_FLAG_FORWARD_ONLY = 0x20;
constexpr LONG WBEM_INFINITE = -1;

extern const CLSID CLSID_WbemLocator;
extern const IID IID_IWbemLocator;

struct IWbemClassObject : IUnknown {
    // `type` and `flavor` may be null.
    virtual HRESULT Get(LPCWSTR name, LONG flags, VARIANT* value, LONG* type, LONG* flavor) = 0;

protected:
    ~IWbemClassObject() = default;
};

struct IEnumWbemClassObject : IUnknown {
    // WBEM_S_FALSE when fewer than `count` objects were left.
    virtual HRESULT Next(LONG timeout, ULONG count, IWbemClassObject** objects, ULONG* returned) = 0;

protected:
    ~IEnumWbemClassObject() = default;
};

struct IWbemServices : IUnknown {
    virtual HRESULT ExecQuery(const BSTR language, const BSTR query, LONG flags, void* context,
                              IEnumWbemClassObject** result) = 0;

protected:
    ~IWbemServices() = default;
};

struct IWbemLocator : IUnknown {
    virtual HRESULT ConnectServer(const BSTR networkResource, const BSTR user, const BSTR password, const BSTR locale,
                                  LONG securityFlags, const BSTR authority, void* context,
                                  IWbemServices** services) = 0;

protected:
    ~IWbemLocator() = default;
};

// RPC_E_TOO_LATE after the first call of the process.
HRESULT CoInitializeSecurity(void* descriptor, LONG authServiceCount, void* authServices, void* reserved1,
                             DWORD authenticationLevel, DWORD impersonationLevel, void* authList, DWORD capabilities,
                             void* reserved3);
HRESULT CoSetProxyBlanket(IUnknown* proxy, DWORD authenticationService, DWORD authorizationService,
                          LPCOLESTR principalName, DWORD authenticationLevel, DWORD impersonationLevel, void* authInfo,
                          DWORD capabilities);

namespace platform {
// The locator object for CoCreateInstance.
HRESULT CreateWbemLocator(REFIID iid, void** object);
}  // namespace platform
