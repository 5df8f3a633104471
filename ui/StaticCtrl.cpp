#include "ui/StaticCtrl.h"

#include "platform/base/Environment.h"
#include "platform/drawing/Gdi.h"
#include "platform/drawing/Text.h"
#include "ui/ControlPainter.h"

namespace {

int TextWidth(HDC hdc, const std::wstring& text) {
    SIZE size{};
    GetTextExtentPointW(hdc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

}  // namespace

StaticCtrl::StaticCtrl(HWND parent, int left, int top, int right, int bottom)
    : CommonCtrl(parent, left, top, right, bottom) {}

void StaticCtrl::SetMeasureLines(bool measure) { Store(m_measureLines, measure); }

std::vector<int> StaticCtrl::GetLineWidths() { return Load(m_lineWidths); }

void StaticCtrl::MeasureLines(HDC hdc, const std::wstring& text, int width) {
    std::vector<int> widths;
    int whole = TextWidth(hdc, text);
    if (whole <= width) {
        widths.push_back(whole);
    } else {
        WORD language = PRIMARYLANGID(GetSystemDefaultLangID());
        bool perCharacter = text.find(L' ') == std::wstring::npos || language == 4 || language == 17;
        if (perCharacter) {
            std::wstring growing, fitted;
            for (wchar_t c : text) {
                growing += c;
                if (TextWidth(hdc, growing) > width) {
                    widths.push_back(TextWidth(hdc, fitted));
                    growing = std::wstring(1, c);
                    fitted = growing;
                } else {
                    fitted = growing;
                }
            }
            widths.push_back(TextWidth(hdc, fitted));
        } else {
            int current = 0;
            bool lineStart = true;
            size_t start = 0;
            while (start <= text.size()) {
                size_t end = text.find(L' ', start);
                if (end == std::wstring::npos) end = text.size();
                std::wstring word = text.substr(start, end - start);
                int wordWidth = TextWidth(hdc, lineStart ? word : L" " + word);
                if (current + wordWidth > width) {
                    widths.push_back(current);
                    current = wordWidth;
                    lineStart = true;
                } else {
                    current += wordWidth;
                    lineStart = false;
                }
                start = end + 1;
            }
            widths.push_back(current);
        }
    }
    Store(m_lineWidths, widths, m_measurePending, false);
}

int StaticCtrl::Draw(HDC hdc) {
    if (!IsVisible()) return 0;
    DrawTarget target(hdc, GetParent());
    hdc = target.Get();
    if (hdc == nullptr) return 0;
    Look look = TakeLook();
    bool measure;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        measure = m_measureLines && m_measurePending;
    }
    if (GetDrawImage()) DrawImage(hdc, look.stateImages[0]);
    SetBkMode(hdc, TRANSPARENT);
    ::SetTextColor(hdc, look.textColor);
    HGDIOBJ previous = look.font != nullptr ? SelectObject(hdc, look.font) : nullptr;
    RECT measured = *look.rect.GetRECT();
    DrawTextW(hdc, look.text.c_str(), static_cast<int>(look.text.size()), &measured, look.format | DT_CALCRECT);
    if (measure) MeasureLines(hdc, look.text, measured.right - measured.left);
    RECT drawing = *look.rect.GetRECT();
    int measuredHeight = measured.bottom - measured.top;
    if ((look.format & DT_EDITCONTROL) && measuredHeight < look.rect.Height())
        drawing.top += (look.rect.Height() - measuredHeight) / 2;
    DrawTextW(hdc, look.text.c_str(), static_cast<int>(look.text.size()), &drawing, look.format);
    if (previous != nullptr) SelectObject(hdc, previous);
    StoreTextRect(measured);
    return 1;
}
