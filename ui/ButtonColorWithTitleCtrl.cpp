#include "ui/ButtonColorWithTitleCtrl.h"

#include "ui/ControlPainter.h"

ButtonColorWithTitleCtrl::ButtonColorWithTitleCtrl(HWND parent, int left, int top, int right, int bottom)
    : ButtonColorCtrlEx(parent, left, top, right, bottom) {}

void ButtonColorWithTitleCtrl::SetIcon(HBITMAP icon) { Store(m_icon, icon); }
void ButtonColorWithTitleCtrl::SetTitle(const std::wstring title) { Store(m_title, title); }
void ButtonColorWithTitleCtrl::SetTitleFont(HFONT font) { Store(m_titleFont, font); }
void ButtonColorWithTitleCtrl::SetTitleColor(COLORREF color) { Store(m_titleColor, color); }
void ButtonColorWithTitleCtrl::SetTitleRect(int left, int top, int right, int bottom) {
    Store(m_titleRect, RECT{left, top, right, bottom});
}
void ButtonColorWithTitleCtrl::SetBodyRect(int left, int top, int right, int bottom) {
    Store(m_bodyRect, RECT{left, top, right, bottom});
}
void ButtonColorWithTitleCtrl::SetIconRect(int left, int top, int right, int bottom) {
    Store(m_iconRect, RECT{left, top, right, bottom});
}

int ButtonColorWithTitleCtrl::Draw(HDC hdc) {
    Look look;
    HBITMAP unused = nullptr;
    if (!BeginStateDraw(hdc, &look, &unused)) return 0;
    std::wstring title;
    HFONT titleFont;
    COLORREF titleColor;
    HBITMAP icon;
    RECT titleRect, bodyRect, iconRect;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        title = m_title;
        titleFont = m_titleFont;
        titleColor = m_titleColor;
        icon = m_icon;
        titleRect = m_titleRect;
        bodyRect = m_bodyRect;
        iconRect = m_iconRect;
    }
    DrawFills(hdc, look.rect, look.state);
    int left = look.rect.Left(), top = look.rect.Top();
    auto place = [&](const RECT& r) { return RECT{left + r.left, top + r.top, left + r.right, top + r.bottom}; };
    if (icon != nullptr)
        DrawBitmap(hdc, icon, left + iconRect.left, top + iconRect.top, iconRect.right - iconRect.left,
                   iconRect.bottom - iconRect.top);
    RECT titleArea = place(titleRect);
    controlpaint::Text(hdc, title, &titleArea, look.format, titleFont, titleColor);
    DrawTextStep(hdc, look, place(bodyRect), look.format, look.font);
    return 1;
}
