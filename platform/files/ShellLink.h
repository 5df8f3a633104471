// Shell shortcuts through a stand-in of the COM shell link object
// (CoCreateInstance of CLSID_ShellLink for IShellLinkW, IPersistFile).
//
// A shortcut is a small UTF-8 text file at the .lnk path:
//   WEBINSTALLER-SHORTCUT 1
//   Target=<path>
//   Arguments=<text>
//   WorkingDirectory=<path>
//   Description=<text>
//   IconLocation=<path>
//   IconIndex=<number>
//   ShowCmd=<number>
//   Hotkey=<number>
// Values escape "%", CR and LF as %25, %0D and %0A. Save writes it atomically
// (temporary file, then rename); Load reads it back. COM needs no
// initialisation here; CoInitialize and CoUninitialize only count.
#pragma once

#include "platform/system/SystemInfo.h"
#include "platform/base/Win32Types.h"

using IID = GUID;
using CLSID = GUID;
using REFIID = const GUID&;
using REFCLSID = const GUID&;
using LPCOLESTR = const wchar_t*;

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
inline constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
    return error == 0 ? S_OK : static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}

extern const CLSID CLSID_ShellLink;
extern const IID IID_IUnknown;
extern const IID IID_IShellLinkW;
extern const IID IID_IPersistFile;
bool IsEqualGUID(const GUID& a, const GUID& b);

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IShellLinkW : IUnknown {
    // findData and flags are accepted for the shape of the call and not used.
    virtual HRESULT GetPath(LPWSTR file, int capacity, void* findData, DWORD flags) = 0;
    virtual HRESULT SetPath(LPCWSTR file) = 0;
    virtual HRESULT GetArguments(LPWSTR arguments, int capacity) = 0;
    virtual HRESULT SetArguments(LPCWSTR arguments) = 0;
    virtual HRESULT GetWorkingDirectory(LPWSTR folder, int capacity) = 0;
    virtual HRESULT SetWorkingDirectory(LPCWSTR folder) = 0;
    virtual HRESULT GetDescription(LPWSTR description, int capacity) = 0;
    virtual HRESULT SetDescription(LPCWSTR description) = 0;
    virtual HRESULT GetIconLocation(LPWSTR iconPath, int capacity, int* index) = 0;
    virtual HRESULT SetIconLocation(LPCWSTR iconPath, int index) = 0;
    virtual HRESULT GetHotkey(WORD* hotkey) = 0;
    virtual HRESULT SetHotkey(WORD hotkey) = 0;
    virtual HRESULT GetShowCmd(int* showCommand) = 0;
    virtual HRESULT SetShowCmd(int showCommand) = 0;

protected:
    ~IShellLinkW() = default;
};

struct IPersistFile : IUnknown {
    virtual HRESULT Load(LPCOLESTR fileName, DWORD mode) = 0;
    virtual HRESULT Save(LPCOLESTR fileName, BOOL remember) = 0;

protected:
    ~IPersistFile() = default;
};

HRESULT CoInitialize(LPVOID reserved);
HRESULT CoInitializeEx(LPVOID reserved, DWORD flags);
void CoUninitialize();
HRESULT CoCreateInstance(REFCLSID classId, IUnknown* outer, DWORD context, REFIID iid, LPVOID* object);
