// A control that wraps a real child window (an owner-drawn button) and paints
// it from WM_DRAWITEM data. Draw stays abstract: the owner paints it only
// through DrawItem.
#pragma once

#include "ui/CommonCtrl.h"

class ButtonCtrl : public CommonCtrl {
public:
    ButtonCtrl();
    void SetText(const std::wstring text) override;
    std::wstring GetText() override;
    void SetVisible(bool visible) override;
    bool IsVisible() override;
    // Finds the dialog item, keeps its id and wraps it; false when missing.
    virtual bool Attach(HWND dialog, int id);
    // Wraps a window: its client rectangle becomes the control's.
    virtual bool AttachWindow(HWND window);
    // Paints from the structure; 0 when it is another control's or invisible.
    virtual int DrawItem(const DRAWITEMSTRUCT* item);
    virtual void SetBorder(int width, COLORREF color);
    virtual void SetFillColors(COLORREF selected, COLORREF normal);

private:
    int m_borderWidth = 0;
    COLORREF m_borderColor = 0;
    COLORREF m_selectedFill = 0;
    COLORREF m_normalFill = 0;
};
