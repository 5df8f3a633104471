// A colour-filled button with an icon, a title and a body text, each in a
// rectangle (left, top, right, bottom) relative to the control's top-left.
#pragma once

#include "ui/ButtonCtrlEx.h"

class ButtonColorWithTitleCtrl : public ButtonColorCtrlEx {
public:
    ButtonColorWithTitleCtrl(HWND parent, int left, int top, int right, int bottom);
    int Draw(HDC hdc) override;
    virtual void SetIcon(HBITMAP icon);
    virtual void SetTitle(const std::wstring title);
    virtual void SetTitleFont(HFONT font);
    virtual void SetTitleColor(COLORREF color);
    virtual void SetTitleRect(int left, int top, int right, int bottom);
    virtual void SetBodyRect(int left, int top, int right, int bottom);
    // Edges like the other two: the icon is drawn in (right - left) × (bottom - top).
    virtual void SetIconRect(int left, int top, int right, int bottom);

private:
    std::wstring m_title;
    HFONT m_titleFont = nullptr;
    COLORREF m_titleColor = 0;
    HBITMAP m_icon = nullptr;
    RECT m_titleRect{};
    RECT m_bodyRect{};
    RECT m_iconRect{};
};
