// Paints a window through an off-screen bitmap, so a frame reaches the screen
// whole: the window's DC, a compatible memory DC with a bitmap selected into
// it, and every object released again when the painter goes.
#pragma once

#include "platform/Win32.h"

class OffscreenPaint {
public:
    // A buffer of width x height for the window; nothing when the window has no DC.
    OffscreenPaint(HWND window, int width, int height);
    ~OffscreenPaint();
    OffscreenPaint(const OffscreenPaint&) = delete;
    OffscreenPaint& operator=(const OffscreenPaint&) = delete;

    bool IsReady() const { return m_windowDc != nullptr; }
    HDC Memory() const { return m_memory; }
    // Copies the buffer's top-left width x height to the window.
    void Present(int width, int height);

private:
    HWND m_window;
    HDC m_windowDc = nullptr;
    HDC m_memory = nullptr;
    HBITMAP m_buffer = nullptr;
    HGDIOBJ m_previous = nullptr;
};
