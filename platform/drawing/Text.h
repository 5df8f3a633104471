// Fonts and text: creating fonts, measuring and drawing text.
//
// Faces come from fontconfig and FreeType through an explicit face map:
// "微软雅黑" to WenQuanYi Micro Hei (Latin and CJK), "Arial"/"ArialMT" to
// Liberation Sans (Arial's metrics), "" and "MS Shell Dlg" (and any other
// name) to DejaVu Sans. A character that a face lacks comes from the next
// face that has it; a narrow character (a quote, a dash) that a CJK face
// draws full-width comes from the chain's next Latin face instead. Bold
// from a face without a bold file is synthesised (emboldened outlines). A negative height is the em size in pixels, a
// positive one the cell height.
//
// The built-in test face kTestFontFace has fixed metrics whatever fonts are
// installed: for an em size of h pixels every character is h / 2 wide (CJK
// and other wide characters h), a line is h high, the ascent is h - h / 5.
// Glyphs are solid boxes, so pixel tests see where text went.
#pragma once

#include <string>

#include "platform/windowing/WindowTypes.h"

HFONT CreateFontIndirectW(const LOGFONTW* logFont);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
BOOL GetTextExtentPointW(HDC dc, LPCWSTR text, int count, LPSIZE size);
BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size);
BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics);
BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
// Lays out, measures (DT_CALCRECT) or draws text in a rectangle. Returns the
// height of the text (0 on failure).
//  - "&x" underlines x and "&&" gives "&", unless DT_NOPREFIX.
//  - DT_SINGLELINE: one line; only then DT_VCENTER and DT_BOTTOM apply.
//  - Otherwise "\r\n", "\n" and "\r" break lines; DT_WORDBREAK wraps at blanks
//    and between CJK characters, but never before a closing mark (。、？！）」』
//    and the like) or after an opening one (（「『 ...); with DT_EDITCONTROL a
//    word wider than the rectangle is broken between characters and a partly
//    visible last line is left out.
//  - DT_CALCRECT draws nothing and sets right to left + the widest line and
//    bottom to top + the height of all lines.
//  - Drawing is clipped to the rectangle unless DT_NOCLIP.
int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format);

namespace platform {

inline constexpr const wchar_t* kTestFontFace = L"Fixed Test Face";

// While one lives, every font is drawn with the test face (so the skinned
// dialogs, which ask for real faces, measure exactly in tests).
class ScopedTestFont {
public:
    ScopedTestFont();
    ~ScopedTestFont();
    ScopedTestFont(const ScopedTestFont&) = delete;
    ScopedTestFont& operator=(const ScopedTestFont&) = delete;
};

// The font file the face map picks for a face name (empty for the test face
// or when fontconfig finds nothing).
std::string FontFileForFace(const wchar_t* faceName, bool bold);

}  // namespace platform
