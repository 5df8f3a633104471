#include "ui/OffscreenPaint.h"

OffscreenPaint::OffscreenPaint(HWND window, int width, int height) : m_window(window) {
    m_windowDc = GetDC(window);
    if (m_windowDc == nullptr) return;
    m_buffer = CreateCompatibleBitmap(m_windowDc, width, height);
    m_memory = CreateCompatibleDC(m_windowDc);
    m_previous = SelectObject(m_memory, m_buffer);
}

OffscreenPaint::~OffscreenPaint() {
    if (m_windowDc == nullptr) return;
    SelectObject(m_memory, m_previous);
    DeleteObject(m_buffer);
    DeleteDC(m_memory);
    ReleaseDC(m_window, m_windowDc);
}

void OffscreenPaint::Present(int width, int height) {
    if (m_windowDc != nullptr) BitBlt(m_windowDc, 0, 0, width, height, m_memory, 0, 0, SRCCOPY);
}
