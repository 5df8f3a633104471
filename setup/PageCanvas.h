// What the page painters share: a memory DC with a page-sized bitmap, plain
// fills and texts, and the step that shows a composed page in the window,
// scaled up smoothly to the window's size on a screen above 96 DPI.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Win32.h"

class SetupDlg;

namespace setuppaint {

// A memory DC with a width × height bitmap selected, released on destruction.
class PageBuffer {
public:
    PageBuffer(HDC window, int width, int height);
    ~PageBuffer();
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    bool Ready() const { return m_dc != nullptr && m_bitmap != nullptr; }
    HDC Dc() const { return m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Puts a frame of the buffer's width and `rows` rows into its top rows
    // (nothing when the frame is smaller).
    void SetFrame(const std::vector<std::uint32_t>& frame, int rows);

private:
    int m_width;
    int m_height;
    HBITMAP m_bitmap = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_previous = nullptr;
};

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour);
void Text(HDC dc, const std::wstring& text, RECT rect, UINT format, HFONT font, COLORREF colour);

// Shows a composed page (design pixels) in the window, leaving out `keepOut`
// (design pixels) when it is given, so that a child window there is never
// painted over.
void Present(SetupDlg& dialog, HWND hwnd, HDC window, PageBuffer& buffer, const RECT* keepOut);

// One whole paint of a width × height page: `compose` draws into the
// buffer's DC and returns the rectangle to leave out (or null); the page is
// then shown. Nothing is drawn without a window DC. The caller holds the
// dialog's UI lock.
void PaintPage(SetupDlg& dialog, int width, int height, const std::function<const RECT*(HDC)>& compose);

}  // namespace setuppaint
