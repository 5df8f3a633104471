#include "util/VideoControllers.h"

#include "platform/Win32.h"
#include "util/StringConvert.h"

namespace {

// Releases a COM interface pointer when it goes out of scope.
template <typename Interface>
struct Held {
    Interface* pointer = nullptr;
    ~Held() {
        if (pointer != nullptr) pointer->Release();
    }
};

// The property as 8-bit text; empty for a missing, null or empty value.
std::string TextProperty(IWbemClassObject* object, const wchar_t* name) {
    VARIANT value;
    VariantInit(&value);
    std::string text;
    if (SUCCEEDED(object->Get(name, 0, &value, nullptr, nullptr)) && value.vt == VT_BSTR && value.bstrVal != nullptr)
        text = WideToAnsiString(value.bstrVal);
    VariantClear(&value);
    return text;
}

}  // namespace

HRESULT QueryVideoControllers(DWORD impersonationLevel, std::vector<VideoControllerRecord>& out) {
    HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(result)) result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(result)) return result;
    // Everything below is released before COM is left again.
    result = [&]() -> HRESULT {
        HRESULT step = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                            impersonationLevel, nullptr, EOAC_NONE, nullptr);
        if (FAILED(step) && step != RPC_E_TOO_LATE) return step;
        Held<IWbemLocator> locator;
        step = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(&locator.pointer));
        if (FAILED(step)) return step;
        Held<IWbemServices> services;
        BSTR space = SysAllocString(L"ROOT\\CIMV2");
        step = locator.pointer->ConnectServer(space, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services.pointer);
        SysFreeString(space);
        if (FAILED(step)) return step;
        step = CoSetProxyBlanket(services.pointer, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                 impersonationLevel, nullptr, EOAC_NONE);
        if (FAILED(step)) return step;
        Held<IEnumWbemClassObject> objects;
        BSTR language = SysAllocString(L"WQL");
        BSTR query = SysAllocString(L"SELECT * FROM Win32_VideoController");
        step = services.pointer->ExecQuery(language, query, WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY,
                                           nullptr, &objects.pointer);
        SysFreeString(language);
        SysFreeString(query);
        if (FAILED(step)) return step;
        for (;;) {
            Held<IWbemClassObject> object;
            ULONG returned = 0;
            objects.pointer->Next(WBEM_INFINITE, 1, &object.pointer, &returned);
            if (returned == 0) break;
            out.emplace_back(TextProperty(object.pointer, L"Name"), TextProperty(object.pointer, L"DriverVersion"));
        }
        return S_OK;
    }();
    CoUninitialize();
    return result;
}

HRESULT GetVideoControllers(std::vector<VideoControllerRecord>& out) {
    out.clear();
    return QueryVideoControllers(RPC_C_IMP_LEVEL_IMPERSONATE, out);
}
