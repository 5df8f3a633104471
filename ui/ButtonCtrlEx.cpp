#include "ui/ButtonCtrlEx.h"

#include "platform/windowing/Windowing.h"
#include "ui/ControlPainter.h"

ButtonCtrlEx::ButtonCtrlEx(HWND parent, int left, int top, int right, int bottom)
    : CommonCtrl(parent, left, top, right, bottom) {
    SetStateColors(0x333333, 0x666666, 0x111111, 0x999999);
}

int ButtonCtrlEx::Draw(HDC hdc) {
    Look look;
    HBITMAP bitmap = nullptr;
    if (!BeginStateDraw(hdc, &look, &bitmap)) return 0;
    return DrawImageAndText(hdc, look, bitmap);
}

int ButtonCtrlEx::DrawImageAndText(HDC hdc, const Look& look, HBITMAP bitmap) {
    if (GetDrawImage()) DrawImage(hdc, bitmap);
    if (DrawTextStep(hdc, look, *look.rect.GetRECT(), look.format, look.font)) StoreTextRect(*look.rect.GetRECT());
    return 1;
}

void ButtonCtrlEx::SetEnabled(bool enabled) {
    CommonCtrl::SetEnabled(enabled);
    if (!enabled) m_state = CTRL_STATE_DISABLED;
}

int ButtonCtrlEx::OnMouseMove(int x, int y) {
    if (!Active()) return 0;
    if (HitTest(x, y)) {
        m_state = m_pressed ? CTRL_STATE_PRESSED : CTRL_STATE_HOVER;
        return 1;
    }
    m_state = CTRL_STATE_NORMAL;
    m_pressed = false;
    return 0;
}

int ButtonCtrlEx::OnLButtonDown(int x, int y) {
    if (!Active()) return 0;
    if (HitTest(x, y)) {
        m_pressed = true;
        m_state = CTRL_STATE_PRESSED;
        return 1;
    }
    m_state = CTRL_STATE_NORMAL;
    m_pressed = false;
    return 0;
}

int ButtonCtrlEx::OnLButtonUp(int x, int y) {
    if (!Active() || !m_pressed) return 0;
    m_pressed = false;
    if (!HitTest(x, y)) {
        m_state = CTRL_STATE_NORMAL;
        return 0;
    }
    m_state = CTRL_STATE_HOVER;
    int command = GetCommand(), id = GetId();
    HWND parent = GetParent();
    // Sent without the control's lock: the handler may change this control.
    if (command >= 0) SendMessageW(parent, WM_COMMAND, static_cast<WPARAM>(command), static_cast<LPARAM>(id));
    else SendMessageW(parent, WM_COMMAND, static_cast<WPARAM>(id), 0);
    return 1;
}

ButtonColorCtrlEx::ButtonColorCtrlEx(HWND parent, int left, int top, int right, int bottom)
    : ButtonCtrlEx(parent, left, top, right, bottom) {}

void ButtonColorCtrlEx::SetBorderColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled) {
    StoreFour(m_borderColors, normal, hover, pressed, disabled);
}

void ButtonColorCtrlEx::SetBorderWidth(int width) { Store(m_borderWidth, width); }

void ButtonColorCtrlEx::SetFillColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled) {
    StoreFour(m_fillColors, normal, hover, pressed, disabled);
}

void ButtonColorCtrlEx::DrawFills(HDC hdc, const CommonRect& rect, int state) {
    COLORREF border = 0, fill = 0;
    int width = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (state >= 0 && state <= 3) {
            border = m_borderColors[state];
            fill = m_fillColors[state];
        }
        width = m_borderWidth;
    }
    const RECT* r = rect.GetRECT();
    if (border != 0) controlpaint::Fill(hdc, *r, border);
    if (fill != 0) controlpaint::Fill(hdc, controlpaint::Inset(*r, width), fill);
}

int ButtonColorCtrlEx::Draw(HDC hdc) {
    Look look;
    HBITMAP unused = nullptr;
    if (!BeginStateDraw(hdc, &look, &unused)) return 0;
    DrawFills(hdc, look.rect, look.state);
    DrawTextStep(hdc, look, *look.rect.GetRECT(), look.format, look.font);
    return 1;
}

HyLinkCtrlEx::HyLinkCtrlEx(HWND parent, int left, int top, int right, int bottom)
    : ButtonCtrlEx(parent, left, top, right, bottom) {}

void HyLinkCtrlEx::SetHoverFont(HFONT font) { Store(m_hoverFont, font); }

int HyLinkCtrlEx::Draw(HDC hdc) {
    Look look;
    HBITMAP bitmap = nullptr;
    if (!BeginStateDraw(hdc, &look, &bitmap)) return 0;
    if (GetDrawImage()) DrawImage(hdc, bitmap);
    HFONT font = look.font;
    if (look.state == CTRL_STATE_HOVER || look.state == CTRL_STATE_PRESSED) font = Load(m_hoverFont);
    DrawTextStep(hdc, look, *look.rect.GetRECT(), look.format, font);
    return 1;
}
