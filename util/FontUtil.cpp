#include "util/FontUtil.h"

#include <cwchar>

#include "platform/drawing/Gdi.h"
#include "platform/drawing/Text.h"

std::wstring GetDefaultFontName() { return L"ArialMT"; }

HFONT CreateScaledFont(int size, bool bold, HWND window, const wchar_t* faceName) {
    LOGFONTW font{};
    font.lfWeight = bold ? 700 : 0;
    int dpi = 96;
    if (HDC dc = GetDC(window)) {
        dpi = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(window, dc);
    }
    font.lfHeight = -MulDiv(size, dpi, 96);
    // The face field holds 32 units with its NUL; a longer name is cut there.
    std::swprintf(font.lfFaceName, LF_FACESIZE, L"%.*ls", LF_FACESIZE - 1, faceName != nullptr ? faceName : L"");
    return CreateFontIndirectW(&font);
}

HFONT CreateScaledFont(int size, bool bold, const wchar_t* faceName) {
    return CreateScaledFont(size, bold, nullptr, faceName);
}
