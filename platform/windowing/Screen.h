// What the windows look like: the composed screen, pictures of windows, PNG
// files, and the output back ends.
//
// The headless back end is always there: ComposeScreen draws every visible
// top-level window in z-order (topmost ones last) over the desktop colour;
// layered windows are blended from their premultiplied images. The X11 back
// end (built when Xlib is found) shows the same picture in real X windows, one per visible
// top-level window, and turns X input events into the same mouse and key
// messages the test driver injects.
//
// To add a back end: start a thread that watches ScreenGeneration(), shows
// ComposeScreen() (or CaptureWindow per window) when it changes, and feeds
// input through platform::InjectMouse/InjectKey/InjectChar (Input.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/windowing/WindowTypes.h"

namespace platform {

// Pixels 0x00RRGGBB, rows top-down.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

constexpr std::uint32_t kDesktopPixel = 0x3A6EA5;

// The whole screen (the machine profile's screen size).
Image ComposeScreen();
// One window with its visible children, at its own size (a layered window:
// its image over the desktop colour). Empty for an unknown window.
Image CaptureWindow(HWND window);
// Part of an image; clipped to it.
Image Crop(const Image& image, int x, int y, int width, int height);
// Writes an image as an 8-bit RGB PNG file at a host path; false on failure.
bool WritePng(const Image& image, const std::string& hostPath);

// Bumped whenever a window appears, moves, changes size or z-order, or any
// window surface is drawn into.
std::uint64_t ScreenGeneration();

// The program's choice at start: the X11 back end when
// $WEBINSTALLER_OUTPUT is "x11", or when a display is present ($DISPLAY) and
// $WEBINSTALLER_OUTPUT is not "headless"; otherwise headless only. Returns
// true when X11 output runs. Tests stay headless unless they start X11.
bool ChooseOutput();

// X11 output: false when built without X11 or when no display opens.
bool StartX11Output(const char* displayName = nullptr);
void StopX11Output();
// Waits until the X windows show the current screen (up to `milliseconds`).
bool FlushX11Output(unsigned milliseconds);
// Reads back a rectangle of the X screen as it is displayed.
bool CaptureX11Screen(int x, int y, int width, int height, Image* out);
// Sends a pointer move, press and release of the left button through the X
// server to the X window under a screen point (a test's real click).
bool SendX11Click(POINT screenPoint);
// Sends a key press and release (Enter, Escape, Backspace, Delete, arrows,
// Home, End) to the X window that has the keyboard focus.
bool SendX11Key(UINT virtualKey);

}  // namespace platform
