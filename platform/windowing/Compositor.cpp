// The headless screen: composing windows into images, and the change counter
// the back ends watch.
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>

#include "platform/base/Machine.h"
#include "platform/windowing/Screen.h"
#include "platform/windowing/detail/WindowInternals.h"

namespace platform {
namespace {

std::atomic<std::uint64_t> g_changes{0};

// Copies a window's surface and its children into `out` with the window's
// client origin at (x, y), clipped to `clip`. WindowLock held.
void DrawTreeLocked(const Window& window, Image& out, int x, int y, RECT clip) {
    clip.left = std::max<LONG>(clip.left, x);
    clip.top = std::max<LONG>(clip.top, y);
    clip.right = std::min<LONG>(clip.right, x + (window.rect.right - window.rect.left));
    clip.bottom = std::min<LONG>(clip.bottom, y + (window.rect.bottom - window.rect.top));
    if (clip.right <= clip.left || clip.bottom <= clip.top) return;
    Surface& surface = *window.surface;
    {
        std::lock_guard<std::mutex> guard(surface.lock);
        for (int row = clip.top; row < clip.bottom; ++row) {
            int sy = row - y;
            if (sy < 0 || sy >= surface.height) continue;
            const std::uint32_t* from = surface.Row(sy);
            std::uint32_t* to = out.pixels.data() + static_cast<size_t>(row) * out.width;
            for (int column = clip.left; column < clip.right; ++column) {
                int sx = column - x;
                if (sx >= 0 && sx < surface.width) to[column] = from[sx] & 0xFFFFFF;
            }
        }
    }
    for (HWND handle : window.children) {
        Window* child = FindWindowLocked(handle);
        if (child == nullptr || !(child->style & WS_VISIBLE)) continue;
        DrawTreeLocked(*child, out, x + child->rect.left, y + child->rect.top, clip);
    }
}

void BlendLayeredLocked(const Window& window, Image& out, int x, int y) {
    Surface& image = *window.layered;
    std::lock_guard<std::mutex> guard(image.lock);
    for (int row = 0; row < image.height; ++row) {
        int ty = y + row;
        if (ty < 0 || ty >= out.height) continue;
        const std::uint32_t* from = image.Row(row);
        for (int column = 0; column < image.width; ++column) {
            int tx = x + column;
            if (tx < 0 || tx >= out.width) continue;
            std::uint32_t source = from[column], alpha = source >> 24;
            std::uint32_t& target = out.pixels[static_cast<size_t>(ty) * out.width + tx];
            std::uint32_t result = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                std::uint32_t s = (source >> shift) & 0xFF, d = (target >> shift) & 0xFF;
                result |= std::min<std::uint32_t>(255, s + d * (255 - alpha) / 255) << shift;
            }
            target = result;
        }
    }
}

void DrawTopLevelLocked(const Window& window, Image& out, int x, int y) {
    if (window.exStyle & WS_EX_LAYERED) {
        if (window.layered) BlendLayeredLocked(window, out, x, y);
        return;
    }
    DrawTreeLocked(window, out, x, y, RECT{0, 0, out.width, out.height});
}

}  // namespace

void NotifyScreenChanged() { g_changes.fetch_add(1, std::memory_order_relaxed); }

std::uint64_t ScreenGeneration() {
    std::uint64_t sum = g_changes.load(std::memory_order_relaxed);
    std::lock_guard<std::mutex> guard(WindowLock());
    std::function<void(const Window&)> add = [&](const Window& window) {
        sum += window.surface->generation.load(std::memory_order_relaxed) * 31 + window.layeredUpdates;
        for (HWND child : window.children)
            if (Window* record = FindWindowLocked(child)) add(*record);
    };
    for (HWND handle : ZOrderLocked())
        if (Window* window = FindWindowLocked(handle)) add(*window);
    return sum;
}

bool ChooseOutput() {
    const char* asked = std::getenv("WEBINSTALLER_OUTPUT");
    std::string choice = asked != nullptr ? asked : "";
    if (choice == "headless") return false;
    if (choice == "x11" || std::getenv("DISPLAY") != nullptr) return StartX11Output();
    return false;
}

Image ComposeScreen() {
    const MachineProfile& profile = Machine::Current().Profile();
    Image out;
    out.width = std::clamp(profile.screenWidth, 1, kMaxSurfaceSide);
    out.height = std::clamp(profile.screenHeight, 1, kMaxSurfaceSide);
    out.pixels.assign(static_cast<size_t>(out.width) * out.height, kDesktopPixel);
    std::lock_guard<std::mutex> guard(WindowLock());
    for (int pass = 0; pass < 2; ++pass) {
        for (HWND handle : ZOrderLocked()) {
            Window* window = FindWindowLocked(handle);
            if (window == nullptr || !IsShownLocked(*window)) continue;
            if (((window->exStyle & WS_EX_TOPMOST) != 0) != (pass == 1)) continue;
            DrawTopLevelLocked(*window, out, window->rect.left, window->rect.top);
        }
    }
    return out;
}

Image CaptureWindow(HWND handle) {
    Image out;
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(handle);
    if (window == nullptr) return out;
    out.width = window->rect.right - window->rect.left;
    out.height = window->rect.bottom - window->rect.top;
    out.pixels.assign(static_cast<size_t>(out.width) * out.height, kDesktopPixel);
    if (window->parent == nullptr) DrawTopLevelLocked(*window, out, 0, 0);
    else DrawTreeLocked(*window, out, 0, 0, RECT{0, 0, out.width, out.height});
    return out;
}

Image Crop(const Image& image, int x, int y, int width, int height) {
    Image out;
    int left = std::clamp(x, 0, image.width), top = std::clamp(y, 0, image.height);
    int right = std::clamp(x + width, left, image.width), bottom = std::clamp(y + height, top, image.height);
    out.width = right - left;
    out.height = bottom - top;
    out.pixels.reserve(static_cast<size_t>(out.width) * out.height);
    for (int row = top; row < bottom; ++row)
        for (int column = left; column < right; ++column) out.pixels.push_back(image.At(column, row));
    return out;
}

}  // namespace platform
