#include "ui/CheckButtonCtrl.h"

#include "ui/ControlPainter.h"

CheckButtonCtrl::CheckButtonCtrl(HWND parent, int left, int top, int right, int bottom)
    : ButtonCtrlEx(parent, left, top, right, bottom) {}

void CheckButtonCtrl::SetCheck(bool checked) { m_checked = checked; }
bool CheckButtonCtrl::GetCheck() { return m_checked; }

void CheckButtonCtrl::SetCheckedImages(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP disabled) {
    StoreFour(m_checkedImages, normal, hover, pressed, disabled);
}

HBITMAP CheckButtonCtrl::PickBitmap(int state, HBITMAP unchecked) {
    if (!m_checked) return unchecked;
    if (state < 0 || state > 3) return nullptr;
    return Load(m_checkedImages[state]);
}

int CheckButtonCtrl::Draw(HDC hdc) {
    Look look;
    HBITMAP bitmap = nullptr;
    if (!BeginStateDraw(hdc, &look, &bitmap)) return 0;
    return DrawImageAndText(hdc, look, PickBitmap(look.state, bitmap));
}

CheckButtonCtrlEx::CheckButtonCtrlEx(HWND parent, int left, int top, int right, int bottom)
    : CheckButtonCtrl(parent, left, top, right, bottom) {}

void CheckButtonCtrlEx::SetBoxRect(int x, int y, int cx, int cy) { StoreFour(m_box, x, y, cx, cy); }

void CheckButtonCtrlEx::SetTextRect(int x, int y, int cx, int cy) { StoreFour(m_text, x, y, cx, cy); }

int CheckButtonCtrlEx::Draw(HDC hdc) {
    Look look;
    HBITMAP bitmap = nullptr;
    if (!BeginStateDraw(hdc, &look, &bitmap)) return 0;
    bitmap = PickBitmap(look.state, bitmap);
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
