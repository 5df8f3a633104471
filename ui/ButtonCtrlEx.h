// Buttons: the image-and-text button with the mouse state machine, the
// colour-filled button and the link.
//
// State machine (owner's client coordinates; nothing changes while the
// control is invisible or disabled):
//   move inside: hover, or pressed while a press is held; move outside:
//   normal, the press is dropped (moving out cancels it);
//   press inside: pressed; press outside: normal;
//   release inside after a press: hover and a click; release outside: normal.
// A click sends WM_COMMAND to the parent: wParam = command, lParam = id when
// the command is set (0 or more), else wParam = id and lParam = 0.
#pragma once

#include "ui/CommonCtrl.h"

class ButtonCtrlEx : public CommonCtrl {
public:
    ButtonCtrlEx(HWND parent, int left, int top, int right, int bottom);
    int Draw(HDC hdc) override;
    // Disabling shows the disabled state; enabling keeps the look until the
    // next mouse message sets a state.
    void SetEnabled(bool enabled) override;
    virtual int OnMouseMove(int x, int y);
    virtual int OnLButtonDown(int x, int y);
    virtual int OnLButtonUp(int x, int y);

protected:
    bool Active() { return IsVisible() && IsEnabled(); }
    // The plain look: the state bitmap over the rectangle when images are
    // drawn, then the text, whose rectangle is kept when there is one. Returns 1.
    int DrawImageAndText(HDC hdc, const Look& look, HBITMAP bitmap);
};

// Fills and frames by state; a colour of 0 is not painted.
class ButtonColorCtrlEx : public ButtonCtrlEx {
public:
    ButtonColorCtrlEx(HWND parent, int left, int top, int right, int bottom);
    int Draw(HDC hdc) override;
    virtual void SetBorderColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled);
    virtual void SetBorderWidth(int width);
    virtual void SetFillColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled);

protected:
    // Border and fill of the current state, then the text over the whole rectangle.
    void DrawFills(HDC hdc, const CommonRect& rect, int state);

    COLORREF m_fillColors[4] = {};
    COLORREF m_borderColors[4] = {};
    int m_borderWidth = 0;
};

// A link: in hover and pressed states the hover font replaces the font.
class HyLinkCtrlEx : public ButtonCtrlEx {
public:
    HyLinkCtrlEx(HWND parent, int left, int top, int right, int bottom);
    int Draw(HDC hdc) override;
    virtual void SetHoverFont(HFONT font);

private:
    HFONT m_hoverFont = nullptr;
};
