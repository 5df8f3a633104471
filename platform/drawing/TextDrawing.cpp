// Text state of a DC, measuring, and DrawTextW's layout rules.
#include <algorithm>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "platform/drawing/detail/FontInternals.h"
#include "platform/drawing/Gdi.h"
#include "platform/drawing/detail/GdiInternals.h"
#include "platform/base/LastError.h"
#include "platform/drawing/Text.h"

namespace platform {
namespace {

// Ceiling on the characters one call lays out.
constexpr size_t kMaxTextLength = 1 << 16;

std::u32string Decode(const wchar_t* text, size_t count) {
    std::u32string out;
    out.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        char32_t c = static_cast<char32_t>(static_cast<std::uint16_t>(text[i]));
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count) {
            char32_t low = static_cast<char32_t>(static_cast<std::uint16_t>(text[i + 1]));
            if (low >= 0xDC00 && low <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        out.push_back(c);
    }
    return out;
}

bool BreaksAnywhere(char32_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The usual CJK line-breaking rules: closing brackets and punctuation never
// begin a line, opening brackets never end one.
bool NoLineStart(char32_t c) {
    static constexpr std::u32string_view kClosing = U"、。，．：；？！）］｝〕〉》」』】〙〗〟’”・ー々ゝゞヽヾ…‥";
    return kClosing.find(c) != std::u32string_view::npos;
}

bool NoLineEnd(char32_t c) {
    static constexpr std::u32string_view kOpening = U"（［｛〔〈《「『【〘〖〝‘“";
    return kOpening.find(c) != std::u32string_view::npos;
}

// End of the smallest piece a line may end after, from `i`: one CJK
// character or a run of other characters up to a blank.
size_t PieceEnd(const std::u32string& text, size_t i) {
    if (i < text.size() && BreaksAnywhere(text[i])) return i + 1;
    while (i < text.size() && text[i] != U' ' && !BreaksAnywhere(text[i])) ++i;
    return i;
}

// End of the unit that wraps as a whole (blanks after it not included):
// pieces joined where a break would put a closing mark at a line's start or
// an opening mark at its end.
size_t UnitEnd(const std::u32string& text, size_t i) {
    size_t end = PieceEnd(text, i);
    for (;;) {
        while (end < text.size() && NoLineStart(text[end])) ++end;
        if (end > i && end < text.size() && text[end] != U' ' && NoLineEnd(text[end - 1])) {
            end = PieceEnd(text, end);
            continue;
        }
        return end;
    }
}

struct Line {
    std::u32string text;
    std::vector<size_t> underlined;  // positions in `text`
    int width = 0;
};

struct Layout {
    std::vector<Line> lines;
    int lineHeight = 0;
};

int Width(FontRenderer& font, const std::u32string& text, size_t from, size_t to) {
    int width = 0;
    for (size_t i = from; i < to; ++i) width += font.Advance(text[i]);
    return width;
}

// Wraps one paragraph to `width` pixels.
void Wrap(FontRenderer& font, const std::u32string& text, const std::vector<size_t>& marks, int width, bool breakWords,
          std::vector<Line>* out) {
    auto emit = [&](size_t from, size_t to) {
        // Blanks at a wrapped line's end are neither drawn nor measured.
        size_t end = to;
        while (end > from && text[end - 1] == U' ') --end;
        Line line;
        line.text = text.substr(from, end - from);
        for (size_t mark : marks)
            if (mark >= from && mark < end) line.underlined.push_back(mark - from);
        line.width = Width(font, text, from, end);
        out->push_back(std::move(line));
    };
    size_t start = 0, i = 0;
    int lineWidth = 0;
    while (i < text.size()) {
        // The next unit (a word, or one CJK character with the marks that
        // stay beside it) with its trailing blanks.
        size_t end = UnitEnd(text, i);
        while (end < text.size() && text[end] == U' ') ++end;
        size_t visibleEnd = end;
        while (visibleEnd > i && text[visibleEnd - 1] == U' ') --visibleEnd;
        int unitWidth = Width(font, text, i, visibleEnd);
        int fullWidth = Width(font, text, i, end);
        if (lineWidth + unitWidth > width && i > start) {
            emit(start, i);
            start = i;
            lineWidth = 0;
        }
        if (unitWidth > width && breakWords) {
            // Too wide for any line: break it between characters.
            for (size_t k = i; k < visibleEnd; ++k) {
                int advance = font.Advance(text[k]);
                if (lineWidth + advance > width && k > start) {
                    emit(start, k);
                    start = k;
                    lineWidth = 0;
                }
                lineWidth += advance;
            }
            lineWidth += fullWidth - unitWidth;
        } else {
            lineWidth += fullWidth;
        }
        i = end;
    }
    if (start < text.size() || out->empty() || text.empty()) emit(start, text.size());
}

Layout MakeLayout(FontRenderer& font, const wchar_t* raw, size_t count, UINT format, int width) {
    std::u32string text = Decode(raw, count);
    // Prefix characters: "&x" underlines x, "&&" is a plain "&".
    std::u32string plain;
    std::vector<size_t> marks;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!(format & DT_NOPREFIX) && text[i] == U'&') {
            if (i + 1 < text.size() && text[i + 1] == U'&') {
                plain.push_back(U'&');
                ++i;
            } else if (i + 1 < text.size()) {
                if (!(format & DT_HIDEPREFIX)) marks.push_back(plain.size());
            }
            continue;
        }
        plain.push_back(text[i]);
    }
    Layout layout;
    layout.lineHeight = font.Height();
    if (format & DT_SINGLELINE) {
        Line line;
        std::vector<size_t> kept;
        for (size_t i = 0; i < plain.size(); ++i) {
            if (plain[i] == U'\r' || plain[i] == U'\n') continue;
            if (std::find(marks.begin(), marks.end(), i) != marks.end()) kept.push_back(line.text.size());
            line.text.push_back(plain[i]);
        }
        line.underlined = kept;
        line.width = Width(font, line.text, 0, line.text.size());
        layout.lines.push_back(std::move(line));
        return layout;
    }
    size_t start = 0;
    while (start <= plain.size()) {
        size_t end = start;
        while (end < plain.size() && plain[end] != U'\r' && plain[end] != U'\n') ++end;
        std::u32string paragraph = plain.substr(start, end - start);
        std::vector<size_t> paragraphMarks;
        for (size_t mark : marks)
            if (mark >= start && mark < end) paragraphMarks.push_back(mark - start);
        if (format & DT_WORDBREAK) {
            Wrap(font, paragraph, paragraphMarks, width, (format & DT_EDITCONTROL) != 0, &layout.lines);
        } else {
            Line line;
            line.text = paragraph;
            line.underlined = paragraphMarks;
            line.width = Width(font, paragraph, 0, paragraph.size());
            layout.lines.push_back(std::move(line));
        }
        if (end >= plain.size()) break;
        start = end + ((plain[end] == U'\r' && end + 1 < plain.size() && plain[end + 1] == U'\n') ? 2 : 1);
    }
    return layout;
}

struct TextState {
    std::shared_ptr<FontRenderer> font;
    SurfacePtr target;
    COLORREF textColor = 0;
    COLORREF backgroundColor = 0;
    int backgroundMode = OPAQUE;
    bool underline = false;
};

bool StateOf(HDC handle, TextState* state) {
    auto dc = LookupDc(handle);
    if (!dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    LOGFONTW logFont = DcFont(handle);
    state->font = ResolveFont(logFont);
    state->underline = logFont.lfUnderline != 0;
    std::lock_guard<std::mutex> guard(dc->lock);
    state->target = dc->target;
    state->textColor = dc->textColor;
    state->backgroundColor = dc->backgroundColor;
    state->backgroundMode = dc->backgroundMode;
    return true;
}

// Draws one line with its top-left at (x, y), clipped. The surface is locked.
void DrawLine(const TextState& state, Surface& surface, const Line& line, int x, int y, RECT clip) {
    clip.left = std::max<LONG>(clip.left, 0);
    clip.top = std::max<LONG>(clip.top, 0);
    clip.right = std::min<LONG>(clip.right, surface.width);
    clip.bottom = std::min<LONG>(clip.bottom, surface.height);
    if (clip.right <= clip.left || clip.bottom <= clip.top) return;
    FontRenderer& font = *state.font;
    std::uint32_t pixel = PixelFromColorref(state.textColor);
    // A band of the line in one pixel, cut to the clip rectangle.
    auto band = [&](int left, int top, int right, int bottom, std::uint32_t color) {
        surface.FillArea(std::max<LONG>(left, clip.left), std::max<LONG>(top, clip.top),
                         std::min<LONG>(right, clip.right), std::min<LONG>(bottom, clip.bottom), color);
    };
    if (state.backgroundMode == OPAQUE)
        band(x, y, x + line.width, y + font.Height(), PixelFromColorref(state.backgroundColor));
    int baseline = y + font.Ascent();
    int thickness = std::max(1, font.EmSize() / 14);
    int underlineY = baseline + std::max(1, font.Descent() / 2);
    int pen = x;
    for (size_t i = 0; i < line.text.size(); ++i) {
        int advance = font.Advance(line.text[i]);
        font.DrawGlyph(surface, pen, baseline, line.text[i], pixel, clip);
        bool marked =
            state.underline || std::find(line.underlined.begin(), line.underlined.end(), i) != line.underlined.end();
        if (marked) band(pen, underlineY, pen + advance, underlineY + thickness, pixel);
        pen += advance;
    }
}

}  // namespace
}  // namespace platform

using namespace platform;

HFONT CreateFontIndirectW(const LOGFONTW* logFont) {
    if (logFont == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto font = std::make_shared<FontObject>();
    font->logFont = *logFont;
    font->logFont.lfFaceName[LF_FACESIZE - 1] = 0;
    return static_cast<HFONT>(RegisterGdiObject(font));
}

// Colour calls give CLR_INVALID for a handle that is no DC, mode calls 0.
COLORREF SetTextColor(HDC handle, COLORREF color) {
    return ExchangeDcField(handle, &DeviceContext::textColor, color & 0xFFFFFF, 0xFFFFFFFF);
}

COLORREF GetTextColor(HDC handle) { return ReadDcField(handle, &DeviceContext::textColor, 0xFFFFFFFF); }

COLORREF SetBkColor(HDC handle, COLORREF color) {
    return ExchangeDcField(handle, &DeviceContext::backgroundColor, color & 0xFFFFFF, 0xFFFFFFFF);
}

int SetBkMode(HDC handle, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    return ExchangeDcField(handle, &DeviceContext::backgroundMode, mode, 0);
}

int GetBkMode(HDC handle) { return ReadDcField(handle, &DeviceContext::backgroundMode, 0); }

BOOL GetTextExtentPoint32W(HDC handle, LPCWSTR text, int count, LPSIZE size) {
    TextState state;
    if (size == nullptr || (text == nullptr && count > 0) || count < 0 || !StateOf(handle, &state)) return FALSE;
    std::u32string decoded =
        Decode(text != nullptr ? text : L"", std::min<size_t>(static_cast<size_t>(count), kMaxTextLength));
    size->cx = Width(*state.font, decoded, 0, decoded.size());
    size->cy = state.font->Height();
    return TRUE;
}

BOOL GetTextExtentPointW(HDC handle, LPCWSTR text, int count, LPSIZE size) {
    return GetTextExtentPoint32W(handle, text, count, size);
}

BOOL GetTextMetricsW(HDC handle, TEXTMETRICW* metrics) {
    TextState state;
    if (metrics == nullptr || !StateOf(handle, &state)) return FALSE;
    FontRenderer& font = *state.font;
    *metrics = TEXTMETRICW{};
    metrics->tmHeight = font.Height();
    metrics->tmAscent = font.Ascent();
    metrics->tmDescent = font.Descent();
    metrics->tmInternalLeading = std::max(0, font.Height() - font.EmSize());
    std::u32string sample = U"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    metrics->tmAveCharWidth = (Width(font, sample, 0, sample.size()) / 26 + 1) / 2;
    metrics->tmMaxCharWidth = font.Advance(U'W');
    metrics->tmWeight = DcFont(handle).lfWeight == 0 ? FW_NORMAL : DcFont(handle).lfWeight;
    return TRUE;
}

BOOL TextOutW(HDC handle, int x, int y, LPCWSTR text, int count) {
    TextState state;
    if ((text == nullptr && count > 0) || count < 0 || !StateOf(handle, &state)) return FALSE;
    if (!state.target) return TRUE;
    Line line;
    line.text = Decode(text != nullptr ? text : L"", std::min<size_t>(static_cast<size_t>(count), kMaxTextLength));
    line.width = Width(*state.font, line.text, 0, line.text.size());
    std::lock_guard<std::mutex> guard(state.target->lock);
    DrawLine(state, *state.target, line, x, y, RECT{0, 0, state.target->width, state.target->height});
    state.target->Touch();
    return TRUE;
}

int DrawTextW(HDC handle, LPCWSTR text, int count, LPRECT rect, UINT format) {
    TextState state;
    if (rect == nullptr || text == nullptr || !StateOf(handle, &state)) return 0;
    size_t length = count < 0 ? std::wcslen(text) : static_cast<size_t>(count);
    length = std::min(length, kMaxTextLength);
    int width = rect->right - rect->left;
    Layout layout = MakeLayout(*state.font, text, length, format, width);
    int lineHeight = layout.lineHeight;
    int total = lineHeight * static_cast<int>(layout.lines.size());
    if (length == 0) total = 0;

    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const Line& line : layout.lines) widest = std::max(widest, line.width);
        rect->right = rect->left + widest;
        rect->bottom = rect->top + total;
        return total;
    }
    if (length == 0) return 0;
    int y = rect->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) y = (rect->top + rect->bottom - lineHeight) / 2;
        else if (format & DT_BOTTOM) y = rect->bottom - lineHeight;
    }
    if (!state.target) return (y - rect->top) + total;
    RECT clip = (format & DT_NOCLIP) ? RECT{0, 0, state.target->width, state.target->height} : *rect;
    std::lock_guard<std::mutex> guard(state.target->lock);
    for (size_t i = 0; i < layout.lines.size(); ++i) {
        const Line& line = layout.lines[i];
        int lineY = y + static_cast<int>(i) * lineHeight;
        // An edit control shows no partly visible last line.
        if ((format & DT_EDITCONTROL) && i > 0 && lineY + lineHeight > rect->bottom) break;
        int x = rect->left;
        if (format & DT_CENTER) x = (rect->left + rect->right - line.width) / 2;
        else if (format & DT_RIGHT) x = rect->right - line.width;
        DrawLine(state, *state.target, line, x, lineY, clip);
    }
    state.target->Touch();
    return (y - rect->top) + total;
}
