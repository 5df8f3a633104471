// Icon and cursor handles.
#include "platform/base/LastError.h"
#include "platform/base/Resources.h"
#include "platform/windowing/Windowing.h"

namespace {
// Handles are tagged small values: icons and cursors are never drawn here.
HICON Tag(UINT_PTR kind, UINT_PTR id) { return reinterpret_cast<HICON>((kind << 24) | (id & 0xFFFFFF)); }
}  // namespace

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    if (name == nullptr) return nullptr;
    if (instance == nullptr) return IS_INTRESOURCE(name) ? Tag(0x7E, reinterpret_cast<UINT_PTR>(name)) : nullptr;
    if (FindResourceW(static_cast<HMODULE>(instance), name, RT_GROUP_ICON()) == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return Tag(0x7D, IS_INTRESOURCE(name) ? reinterpret_cast<UINT_PTR>(name) : 1);
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    if (instance != nullptr || name == nullptr || !IS_INTRESOURCE(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return Tag(0x7C, reinterpret_cast<UINT_PTR>(name));
}

BOOL DestroyIcon(HICON icon) { return icon != nullptr ? TRUE : FALSE; }
