// The GDI object table, device contexts, bitmaps, brushes, regions, stock
// objects, device capabilities and system metrics.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>

#include "platform/drawing/Gdi.h"
#include "platform/drawing/detail/GdiInternals.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"
#include "platform/drawing/Text.h"
#include "platform/windowing/WindowSurfaces.h"
#include "platform/windowing/Windowing.h"

namespace platform {
namespace {

struct Table {
    std::mutex lock;
    std::map<UINT_PTR, std::shared_ptr<GdiObject>> objects;
    UINT_PTR next = 0x04000000;
};
Table& Objects() {
    static Table* table = new Table();
    return *table;
}

std::atomic<bool> g_layeredMissing{false};

// Stock objects are registered once and never deleted.
struct Stock {
    HGDIOBJ brushes[6] = {};
    HGDIOBJ guiFont = nullptr;
    HGDIOBJ systemFont = nullptr;
    HGDIOBJ sysBrushes[32] = {};
};
Stock& Stocks() {
    static Stock* stock = [] {
        auto* s = new Stock();
        const COLORREF colors[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000, 0};
        for (int i = 0; i < 6; ++i) {
            auto brush = std::make_shared<BrushObject>();
            brush->color = colors[i];
            brush->hollow = i == NULL_BRUSH;
            s->brushes[i] = RegisterGdiObject(brush);
        }
        auto gui = std::make_shared<FontObject>();
        gui->logFont.lfHeight = -11;
        std::wcscpy(gui->logFont.lfFaceName, L"MS Shell Dlg");
        s->guiFont = RegisterGdiObject(gui);
        auto system = std::make_shared<FontObject>();
        system->logFont.lfHeight = -13;
        system->logFont.lfWeight = FW_BOLD;
        s->systemFont = RegisterGdiObject(system);
        for (int i = 0; i < 32; ++i) {
            auto brush = std::make_shared<BrushObject>();
            brush->color = GetSysColor(i);
            s->sysBrushes[i] = RegisterGdiObject(brush);
        }
        return s;
    }();
    return *stock;
}

bool IsStock(HGDIOBJ object) {
    Stock& stock = Stocks();
    if (object == stock.guiFont || object == stock.systemFont) return true;
    for (HGDIOBJ brush : stock.brushes)
        if (brush == object) return true;
    for (HGDIOBJ brush : stock.sysBrushes)
        if (brush == object) return true;
    return false;
}

HBITMAP NewBitmap(int width, int height, bool dib, bool bottomUp) {
    auto bitmap = std::make_shared<BitmapObject>();
    bitmap->surface = std::make_shared<Surface>();
    bitmap->surface->bottomUp = bottomUp;
    bitmap->dibSection = dib;
    if (width <= 0 || height <= 0 || !bitmap->surface->Allocate(width, height, 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HBITMAP>(RegisterGdiObject(bitmap));
}

HDC NewDc(HWND window, SurfacePtr target) {
    auto dc = std::make_shared<DeviceContext>();
    dc->window = window;
    dc->target = std::move(target);
    dc->font = Stocks().guiFont;
    dc->brush = Stocks().brushes[WHITE_BRUSH];
    return static_cast<HDC>(RegisterGdiObject(dc));
}

}  // namespace

HGDIOBJ RegisterGdiObject(std::shared_ptr<GdiObject> object) {
    Table& table = Objects();
    std::lock_guard<std::mutex> guard(table.lock);
    UINT_PTR value = table.next;
    table.next += 4;
    table.objects[value] = std::move(object);
    return reinterpret_cast<HGDIOBJ>(value);
}

std::shared_ptr<GdiObject> LookupGdiObject(HGDIOBJ handle) {
    Table& table = Objects();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.objects.find(reinterpret_cast<UINT_PTR>(handle));
    return it == table.objects.end() ? nullptr : it->second;
}

std::shared_ptr<DeviceContext> LookupDc(HDC dc) { return LookupGdi<DeviceContext>(dc); }

SurfacePtr TargetOf(HDC handle) { return ReadDcField(handle, &DeviceContext::target, nullptr); }

std::uint32_t BackgroundPixel(HBRUSH brush) {
    COLORREF color = 0xFFFFFF;
    if (brush != nullptr && !BrushColor(brush, &color)) color = 0xFFFFFF;
    return PixelFromColorref(color);
}

bool BrushColor(HBRUSH brush, COLORREF* color) {
    UINT_PTR value = reinterpret_cast<UINT_PTR>(brush);
    if (value > 0 && value <= 32) {  // COLOR_x + 1
        *color = GetSysColor(static_cast<int>(value - 1));
        return true;
    }
    auto object = LookupGdi<BrushObject>(brush);
    if (!object || object->hollow) return false;
    *color = object->color;
    return true;
}

LOGFONTW DcFont(HDC handle) {
    HGDIOBJ font = ReadDcField(handle, &DeviceContext::font, nullptr);
    auto object = LookupGdi<FontObject>(font);
    if (!object) object = LookupGdi<FontObject>(Stocks().guiFont);
    return object->logFont;
}

void SetLayeredWindowsMissing(bool missing) { g_layeredMissing = missing; }
bool LayeredWindowsMissing() { return g_layeredMissing; }

size_t LiveGdiObjects() {
    Stocks();
    Table& table = Objects();
    std::lock_guard<std::mutex> guard(table.lock);
    return table.objects.size();
}

}  // namespace platform

using namespace platform;

HDC GetDC(HWND window) {
    if (window == nullptr) return NewDc(nullptr, nullptr);
    if (!IsWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    return NewDc(window, WindowSurface(window));
}

HDC GetWindowDC(HWND window) { return GetDC(window); }

int ReleaseDC(HWND, HDC dc) { return DeleteDC(dc) ? 1 : 0; }

HDC CreateCompatibleDC(HDC) {
    HBITMAP placeholder = NewBitmap(1, 1, false, false);
    HDC dc = NewDc(nullptr, nullptr);
    auto record = LookupDc(dc);
    record->defaultBitmap = placeholder;
    record->bitmap = placeholder;
    auto placeholderRecord = LookupGdi<BitmapObject>(placeholder);
    placeholderRecord->selectedInto = dc;
    record->target = placeholderRecord->surface;
    return dc;
}

BOOL DeleteDC(HDC dc) {
    auto record = LookupDc(dc);
    if (!record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    HGDIOBJ placeholder;
    HGDIOBJ selected;
    {
        std::lock_guard<std::mutex> guard(record->lock);
        placeholder = record->defaultBitmap;
        selected = record->bitmap;
    }
    // The bitmap it held is free for another DC again.
    if (auto bitmap = LookupGdi<BitmapObject>(selected)) {
        HDC mine = dc;
        bitmap->selectedInto.compare_exchange_strong(mine, nullptr);
    }
    Table& table = Objects();
    std::lock_guard<std::mutex> guard(table.lock);
    table.objects.erase(reinterpret_cast<UINT_PTR>(dc));
    if (placeholder != nullptr) table.objects.erase(reinterpret_cast<UINT_PTR>(placeholder));
    return TRUE;
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
    auto dc = LookupDc(handle);
    auto record = LookupGdiObject(object);
    if (!dc || !record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (auto bitmap = std::dynamic_pointer_cast<BitmapObject>(record)) {
        HGDIOBJ previous = nullptr;
        {
            std::lock_guard<std::mutex> guard(dc->lock);
            if (dc->window != nullptr || dc->defaultBitmap == nullptr) return nullptr;  // only memory DCs hold bitmaps
            HDC holder = nullptr;
            if (!bitmap->selectedInto.compare_exchange_strong(holder, handle) && holder != handle) {
                SetLastError(ERROR_INVALID_PARAMETER);  // selected into another DC
                return nullptr;
            }
            previous = dc->bitmap;
            dc->bitmap = object;
            dc->target = bitmap->surface;
        }
        if (previous != object) {
            if (auto released = LookupGdi<BitmapObject>(previous)) {
                HDC mine = handle;
                released->selectedInto.compare_exchange_strong(mine, nullptr);
            }
        }
        return previous;
    }
    std::lock_guard<std::mutex> guard(dc->lock);
    HGDIOBJ previous = nullptr;
    if (std::dynamic_pointer_cast<FontObject>(record)) {
        previous = dc->font;
        dc->font = object;
    } else if (std::dynamic_pointer_cast<BrushObject>(record)) {
        previous = dc->brush;
        dc->brush = object;
    } else {
        return nullptr;
    }
    return previous;
}

BOOL DeleteObject(HGDIOBJ object) {
    if (object == nullptr || IsStock(object)) return object != nullptr ? TRUE : FALSE;
    auto record = LookupGdiObject(object);
    if (!record || std::dynamic_pointer_cast<DeviceContext>(record)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // A DC that still holds the object keeps its data alive through its own
    // reference, so deleting a selected bitmap never leaves a dangling one.
    Table& table = Objects();
    std::lock_guard<std::mutex> guard(table.lock);
    table.objects.erase(reinterpret_cast<UINT_PTR>(object));
    return TRUE;
}

HGDIOBJ GetStockObject(int index) {
    Stock& stock = Stocks();
    if (index >= 0 && index <= NULL_BRUSH) return stock.brushes[index];
    if (index == DEFAULT_GUI_FONT) return stock.guiFont;
    if (index == SYSTEM_FONT) return stock.systemFont;
    return nullptr;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT kind) {
    auto dc = LookupDc(handle);
    if (!dc) return nullptr;
    std::lock_guard<std::mutex> guard(dc->lock);
    if (kind == OBJ_BITMAP) return dc->bitmap;
    if (kind == OBJ_FONT) return dc->font;
    if (kind == OBJ_BRUSH) return dc->brush;
    return nullptr;
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
    auto record = LookupGdiObject(object);
    if (!record) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (auto bitmap = std::dynamic_pointer_cast<BitmapObject>(record)) {
        if (buffer == nullptr) return static_cast<int>(sizeof(BITMAP));
        if (size < static_cast<int>(sizeof(BITMAP))) return 0;
        BITMAP info{};
        info.bmWidth = bitmap->surface->width;
        info.bmHeight = bitmap->surface->height;
        info.bmWidthBytes = bitmap->surface->width * 4;
        info.bmPlanes = 1;
        info.bmBitsPixel = 32;
        info.bmBits = bitmap->dibSection ? bitmap->surface->storage.data() : nullptr;
        std::memcpy(buffer, &info, sizeof info);
        return static_cast<int>(sizeof info);
    }
    if (auto font = std::dynamic_pointer_cast<FontObject>(record)) {
        if (buffer == nullptr) return static_cast<int>(sizeof(LOGFONTW));
        if (size < static_cast<int>(sizeof(LOGFONTW))) return 0;
        std::memcpy(buffer, &font->logFont, sizeof(LOGFONTW));
        return static_cast<int>(sizeof(LOGFONTW));
    }
    return 0;
}

int GetDeviceCaps(HDC, int index) {
    const MachineProfile& profile = Machine::Current().Profile();
    switch (index) {
        case LOGPIXELSX:
        case LOGPIXELSY: return profile.dpi;
        case HORZRES: return profile.screenWidth;
        case VERTRES: return profile.screenHeight;
        case BITSPIXEL: return 32;
        case PLANES: return 1;
        default: return 0;
    }
}

int GetSystemMetrics(int index) {
    const MachineProfile& profile = Machine::Current().Profile();
    int scale = profile.dpi;
    switch (index) {
        case SM_CXSCREEN:
        case SM_CXFULLSCREEN:
        case SM_CXVIRTUALSCREEN: return profile.screenWidth;
        case SM_CYSCREEN:
        case SM_CYVIRTUALSCREEN: return profile.screenHeight;
        case SM_CYFULLSCREEN: return profile.screenHeight - MulDiv(40, scale, 96);
        case SM_CXVSCROLL:
        case SM_CYHSCROLL: return MulDiv(17, scale, 96);
        case SM_CYCAPTION: return MulDiv(23, scale, 96);
        case SM_CXBORDER:
        case SM_CYBORDER: return 1;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME: return MulDiv(3, scale, 96);
        case SM_CXICON:
        case SM_CYICON: return MulDiv(32, scale, 96);
        case SM_CXSMICON:
        case SM_CYSMICON: return MulDiv(16, scale, 96);
        case SM_CMONITORS: return 1;
        default: return 0;
    }
}

DWORD GetSysColor(int index) {
    switch (index) {
        case COLOR_WINDOW: return 0xFFFFFF;
        case COLOR_WINDOWTEXT:
        case COLOR_BTNTEXT: return 0x000000;
        case COLOR_BTNFACE: return 0xF0F0F0;
        case COLOR_GRAYTEXT: return 0x6D6D6D;
        case COLOR_HIGHLIGHT: return 0xD77800;
        case COLOR_HIGHLIGHTTEXT: return 0xFFFFFF;
        default: return 0xC0C0C0;
    }
}

HBRUSH GetSysColorBrush(int index) {
    if (index < 0 || index >= 32) return nullptr;
    return static_cast<HBRUSH>(Stocks().sysBrushes[index]);
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    long long product = static_cast<long long>(number) * numerator;
    // Rounds half away from zero, as the real one does.
    long long half = (denominator < 0 ? -static_cast<long long>(denominator) : denominator) / 2;
    bool negative = (product < 0) != (denominator < 0);
    long long magnitude = (product < 0 ? -product : product) + half;
    long long result = magnitude / (denominator < 0 ? -static_cast<long long>(denominator) : denominator);
    if (negative) result = -result;
    if (result > 0x7FFFFFFF || result < -0x7FFFFFFFLL - 1) return -1;
    return static_cast<int>(result);
}

HBITMAP CreateCompatibleBitmap(HDC, int width, int height) { return NewBitmap(width, height, false, false); }

HBITMAP CreateBitmap(int width, int height, UINT, UINT bitsPerPixel, const void* bits) {
    if (bitsPerPixel != 32) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    HBITMAP bitmap = NewBitmap(width, height, false, false);
    if (bitmap != nullptr && bits != nullptr)
        SetBitmapBits(bitmap, static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4, bits);
    return bitmap;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, HANDLE, DWORD) {
    if (bits != nullptr) *bits = nullptr;
    if (info == nullptr || info->bmiHeader.biBitCount != 32 ||
        (info->bmiHeader.biCompression != BI_RGB && info->bmiHeader.biCompression != BI_BITFIELDS) ||
        info->bmiHeader.biHeight == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LONG height = info->bmiHeader.biHeight;
    // A positive height stores the rows bottom-up, as DIBs do.
    HBITMAP bitmap = NewBitmap(info->bmiHeader.biWidth, height > 0 ? height : -height, true, height > 0);
    if (bitmap == nullptr) return nullptr;
    if (bits != nullptr) *bits = LookupGdi<BitmapObject>(bitmap)->surface->storage.data();
    return bitmap;
}

LONG GetBitmapBits(HBITMAP handle, LONG bytes, LPVOID buffer) {
    auto bitmap = LookupGdi<BitmapObject>(handle);
    if (!bitmap || bytes < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    Surface& surface = *bitmap->surface;
    std::lock_guard<std::mutex> guard(surface.lock);
    LONG total = static_cast<LONG>(surface.storage.size() * 4);
    if (buffer == nullptr) return total;
    LONG count = std::min(bytes, total);
    // Rows top-down, whatever the storage order.
    auto* out = static_cast<unsigned char*>(buffer);
    LONG rowBytes = surface.width * 4, copied = 0;
    for (int y = 0; y < surface.height && copied < count; ++y) {
        LONG n = std::min(rowBytes, count - copied);
        std::memcpy(out + copied, surface.Row(y), static_cast<size_t>(n));
        copied += n;
    }
    return copied;
}

LONG SetBitmapBits(HBITMAP handle, DWORD bytes, const void* buffer) {
    auto bitmap = LookupGdi<BitmapObject>(handle);
    if (!bitmap || buffer == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    Surface& surface = *bitmap->surface;
    std::lock_guard<std::mutex> guard(surface.lock);
    LONG total = static_cast<LONG>(surface.storage.size() * 4);
    LONG count = std::min(static_cast<LONG>(std::min<DWORD>(bytes, 0x7FFFFFFF)), total);
    auto* in = static_cast<const unsigned char*>(buffer);
    LONG rowBytes = surface.width * 4, copied = 0;
    for (int y = 0; y < surface.height && copied < count; ++y) {
        LONG n = std::min(rowBytes, count - copied);
        std::memcpy(surface.Row(y), in + copied, static_cast<size_t>(n));
        copied += n;
    }
    surface.Touch();
    return copied;
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto brush = std::make_shared<BrushObject>();
    brush->color = color & 0xFFFFFF;
    return static_cast<HBRUSH>(RegisterGdiObject(brush));
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    auto region = std::make_shared<RegionObject>();
    region->rects.push_back(
        RECT{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)});
    return static_cast<HRGN>(RegisterGdiObject(region));
}

int GetWindowRgn(HWND window, HRGN) {
    // No window has a region of its own: the caller keeps its rectangle.
    return IsWindow(window) ? ERROR_REGION : ERROR_REGION;
}

int SetWindowRgn(HWND window, HRGN region, BOOL) {
    if (!IsWindow(window)) return 0;
    if (region != nullptr) DeleteObject(region);  // the system owns it now
    return 1;
}

BOOL PtInRegion(HRGN handle, int x, int y) {
    auto region = LookupGdi<RegionObject>(handle);
    if (!region) return FALSE;
    for (const RECT& r : region->rects)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return TRUE;
    return FALSE;
}

HRESULT DwmIsCompositionEnabled(BOOL* enabled) {
    if (enabled == nullptr) return E_INVALIDARG;
    *enabled = FALSE;
    return S_OK;
}
