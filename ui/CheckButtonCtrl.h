// Check boxes. A click does not toggle the box: the owner calls SetCheck when
// it receives the command.
#pragma once

#include "ui/ButtonCtrlEx.h"

class CheckButtonCtrl : public ButtonCtrlEx {
public:
    CheckButtonCtrl(HWND parent, int left, int top, int right, int bottom);
    int Draw(HDC hdc) override;
    virtual void SetCheck(bool checked);
    virtual bool GetCheck();
    virtual void SetCheckedImages(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP disabled);

protected:
    // The state's bitmap, from the checked set when the box is checked.
    HBITMAP PickBitmap(int state, HBITMAP unchecked);

    HBITMAP m_checkedImages[4] = {};
    std::atomic<bool> m_checked{false};
};

// A check box with its box bitmap and its text in rectangles of their own,
// both relative to the control's top-left corner.
class CheckButtonCtrlEx : public CheckButtonCtrl {
public:
    CheckButtonCtrlEx(HWND parent, int left, int top, int right, int bottom);
    int Draw(HDC hdc) override;
    virtual void SetBoxRect(int x, int y, int cx, int cy);
    virtual void SetTextRect(int x, int y, int cx, int cy);

private:
    int m_box[4] = {};   // x, y, width, height
    int m_text[4] = {};  // x, y, width, height
};
