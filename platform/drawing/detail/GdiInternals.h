// Inside the drawing layer: GDI object records shared by the drawing, text
// and output files. Not for use outside platform/.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <type_traits>
#include <vector>

#include "platform/drawing/Surface.h"
#include "platform/windowing/WindowTypes.h"

namespace platform {

struct GdiObject {
    virtual ~GdiObject() = default;
};

struct BitmapObject : GdiObject {
    SurfacePtr surface;
    bool dibSection = false;
    // The memory DC the bitmap is selected into: a bitmap is in one DC at a
    // time, and selecting it into a second one fails, as on the system.
    std::atomic<HDC> selectedInto{nullptr};
};

struct BrushObject : GdiObject {
    COLORREF color = 0;
    bool hollow = false;
};

struct FontFace;  // resolved faces (FontFaces.cpp)
struct FontObject : GdiObject {
    LOGFONTW logFont{};
};

struct RegionObject : GdiObject {
    std::vector<RECT> rects;  // union of rectangles
};

// A device context. Window DCs draw into the window's surface; memory DCs
// into their selected bitmap; the screen DC draws nowhere.
struct DeviceContext : GdiObject {
    std::mutex lock;  // guards the fields below (a DC may be shared)
    HWND window = nullptr;
    SurfacePtr target;         // window surface, or the selected bitmap's surface
    HGDIOBJ bitmap = nullptr;  // memory DCs: the selected bitmap
    HGDIOBJ defaultBitmap = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ brush = nullptr;
    COLORREF textColor = 0;
    COLORREF backgroundColor = 0xFFFFFF;
    int backgroundMode = 2;  // OPAQUE
    int stretchMode = 1;     // BLACKONWHITE
};

HGDIOBJ RegisterGdiObject(std::shared_ptr<GdiObject> object);
std::shared_ptr<GdiObject> LookupGdiObject(HGDIOBJ handle);
template <typename Kind>
std::shared_ptr<Kind> LookupGdi(HGDIOBJ handle) {
    return std::dynamic_pointer_cast<Kind>(LookupGdiObject(handle));
}
std::shared_ptr<DeviceContext> LookupDc(HDC dc);

// One field of a DC, read or replaced under the DC's lock. `missing` is what
// a handle that is no DC gives; Exchange returns the field's previous value.
template <typename T>
T ReadDcField(HDC handle, T DeviceContext::*field, std::type_identity_t<T> missing) {
    auto dc = LookupDc(handle);
    if (!dc) return missing;
    std::lock_guard<std::mutex> guard(dc->lock);
    return (*dc).*field;
}
template <typename T>
T ExchangeDcField(HDC handle, T DeviceContext::*field, std::type_identity_t<T> value, std::type_identity_t<T> missing) {
    auto dc = LookupDc(handle);
    if (!dc) return missing;
    std::lock_guard<std::mutex> guard(dc->lock);
    T previous = (*dc).*field;
    (*dc).*field = value;
    return previous;
}

// The surface a DC draws into right now (null for the screen DC).
SurfacePtr TargetOf(HDC dc);
// Colour of a brush handle, including the COLOR_x + 1 system brushes;
// false for hollow or unknown brushes.
bool BrushColor(HBRUSH brush, COLORREF* color);
// The font a DC uses (its selected one or the default GUI font).
LOGFONTW DcFont(HDC dc);

}  // namespace platform
