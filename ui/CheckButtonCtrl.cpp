#include "ui/CheckButtonCtrl.h"

#include "ui/ControlPainter.h"

CheckButtonCtrl::CheckButtonCtrl(HWND parent, int left, int top, int right, int bottom)
    : ButtonCtrlEx(parent, left, top, right, bottom) {}

void CheckButtonCtrl::SetCheck(bool checked) { m_checked = checked; }
bool CheckButtonCtrl::GetCheck() { return m_checked; }

void CheckButtonCtrl::SetCheckedImages(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP disabled) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_checkedImages[0] = normal;
    m_checkedImages[1] = hover;
    m_checkedImages[2] = pressed;
    m_checkedImages[3] = disabled;
}

HBITMAP CheckButtonCtrl::PickBitmap(int state, HBITMAP unchecked) {
    if (!m_checked) return unchecked;
    if (state < 0 || state > 3) return nullptr;
    std::lock_guard<std::mutex> guard(m_lock);
    return m_checkedImages[state];
}

int CheckButtonCtrl::Draw(HDC hdc) {
    if (!IsVisible()) return 0;
    HBITMAP bitmap = nullptr;
    Look look = TakeStateLook(&bitmap);
    bitmap = PickBitmap(look.state, bitmap);
    if (hdc == nullptr) return 0;
    if (GetDrawImage()) DrawImage(hdc, bitmap);
    if (DrawTextStep(hdc, look, *look.rect.GetRECT(), look.format, look.font)) StoreTextRect(*look.rect.GetRECT());
    return 1;
}

CheckButtonCtrlEx::CheckButtonCtrlEx(HWND parent, int left, int top, int right, int bottom)
    : CheckButtonCtrl(parent, left, top, right, bottom) {}

void CheckButtonCtrlEx::SetBoxRect(int x, int y, int cx, int cy) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_box[0] = x;
    m_box[1] = y;
    m_box[2] = cx;
    m_box[3] = cy;
}

void CheckButtonCtrlEx::SetTextRect(int x, int y, int cx, int cy) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_text[0] = x;
    m_text[1] = y;
    m_text[2] = cx;
    m_text[3] = cy;
}

int CheckButtonCtrlEx::Draw(HDC hdc) {
    if (!IsVisible()) return 0;
    HBITMAP bitmap = nullptr;
    Look look = TakeStateLook(&bitmap);
    bitmap = PickBitmap(look.state, bitmap);
    if (hdc == nullptr) return 0;
    int box[4], text[4];
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (int i = 0; i < 4; ++i) {
            box[i] = m_box[i];
            text[i] = m_text[i];
        }
    }
    int left = look.rect.Left(), top = look.rect.Top();
    if (GetDrawImage()) DrawBitmap(hdc, bitmap, left + box[0], top + box[1], box[2], box[3]);
    RECT area{left + text[0], top + text[1], left + text[0] + text[2], top + text[1] + text[3]};
    RECT measured = area;
    // Measured in the font it is drawn with; the measured box becomes the
    // text rectangle, the text goes into the unmeasured one.
    if (controlpaint::Text(hdc, look.text, &measured, look.format | DT_CALCRECT, look.font, look.textColor)) {
        StoreTextRect(measured);
        DrawTextStep(hdc, look, area, look.format, look.font);
    }
    return 1;
}
