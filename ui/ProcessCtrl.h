// The progress bar: a border, the done part and the remaining part (colours
// or the two state bitmaps). A position outside the range is shown clamped
// to it, and an empty range (maximum = minimum) shows nothing done.
#pragma once

#include "ui/CommonCtrl.h"

class ProcessCtrl : public CommonCtrl {
public:
    ProcessCtrl(HWND parent, int left, int top, int right, int bottom);
    // A null DC paints into the parent window's own DC.
    int Draw(HDC hdc) override;
    virtual void SetRange(int minimum, int maximum);
    // Stores the position and paints at once (into the parent window).
    virtual void SetPos(int position);
    virtual void SetBorder(int width, COLORREF color);
    virtual void SetBarColors(COLORREF done, COLORREF remaining);
    // Pixels of the inner width shown done at the current position.
    int DonePixels();

private:
    int DonePixelsLocked(int innerWidth) const;

    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    int m_borderWidth = 0;
    COLORREF m_borderColor = 0;
    COLORREF m_doneColor = 0;
    COLORREF m_remainingColor = 0;
};
