// A label: optional normal-state bitmap and text in the current colour.
// With DT_EDITCONTROL a text shorter than the control is centred vertically.
// The line measurement (once per control, when switched on) records the
// width of every line the text wraps into: per character when the text has
// no blank or the system language is Chinese or Japanese, per word otherwise.
#pragma once

#include <vector>

#include "ui/CommonCtrl.h"

class StaticCtrl : public CommonCtrl {
public:
    StaticCtrl(HWND parent, int left, int top, int right, int bottom);
    // A null DC paints into the parent window's own DC. An invisible label
    // paints nothing.
    int Draw(HDC hdc) override;
    virtual void SetMeasureLines(bool measure);
    std::vector<int> GetLineWidths();

private:
    void MeasureLines(HDC hdc, const std::wstring& text, int width);

    bool m_measureLines = false;
    bool m_measurePending = true;
    std::vector<int> m_lineWidths;
};
