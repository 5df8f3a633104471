#include "ui/ProcessCtrl.h"

#include <algorithm>

#include "platform/drawing/Gdi.h"
#include "ui/ControlPainter.h"

ProcessCtrl::ProcessCtrl(HWND parent, int left, int top, int right, int bottom)
    : CommonCtrl(parent, left, top, right, bottom) {}

void ProcessCtrl::SetRange(int minimum, int maximum) { Store(m_minimum, minimum, m_maximum, maximum); }

void ProcessCtrl::SetPos(int position) {
    Store(m_position, position);
    Draw(nullptr);
}

void ProcessCtrl::SetBorder(int width, COLORREF color) { Store(m_borderWidth, width, m_borderColor, color); }

void ProcessCtrl::SetBarColors(COLORREF done, COLORREF remaining) {
    Store(m_doneColor, done, m_remainingColor, remaining);
}

int ProcessCtrl::DonePixelsLocked(int innerWidth) const {
    if (innerWidth <= 0) return 0;
    long long span = static_cast<long long>(m_maximum) - m_minimum;
    // An empty or reversed range shows nothing done, never a division by 0.
    if (span <= 0) return 0;
    long long position = std::clamp<long long>(m_position, m_minimum, m_maximum);
    double done = static_cast<double>(position - m_minimum) * 1.0 * innerWidth / static_cast<double>(span);
    return std::clamp(static_cast<int>(done), 0, innerWidth);
}

int ProcessCtrl::DonePixels() {
    std::lock_guard<std::mutex> guard(m_lock);
    int inner = m_rect.Width() - 2 * m_borderWidth;
    return DonePixelsLocked(inner);
}

int ProcessCtrl::Draw(HDC hdc) {
    if (!IsVisible()) return 0;
    DrawTarget target(hdc, GetParent());
    hdc = target.Get();
    if (hdc == nullptr) return 0;
    CommonRect rect;
    int border, done;
    COLORREF borderColor, doneColor, remainingColor;
    HBITMAP empty, full;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        rect = m_rect;
        border = m_borderWidth;
        borderColor = m_borderColor;
        doneColor = m_doneColor;
        remainingColor = m_remainingColor;
        empty = m_stateImages[0];
        full = m_stateImages[1];
        done = DonePixelsLocked(rect.Width() - 2 * border);
    }
    const RECT* outer = rect.GetRECT();
    if (border > 0) controlpaint::Fill(hdc, *outer, borderColor);
    RECT inner = controlpaint::Inset(*outer, border);
    if (GetDrawImage()) {
        DrawBitmap(hdc, empty, inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top);
        DrawBitmap(hdc, full, inner.left, inner.top, done, inner.bottom - inner.top);
    } else if (inner.right > inner.left) {
        controlpaint::Fill(hdc, RECT{inner.left, inner.top, inner.left + done, inner.bottom}, doneColor);
        controlpaint::Fill(hdc, RECT{inner.left + done, inner.top, inner.right, inner.bottom}, remainingColor);
    }
    return 1;
}
