#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"

namespace {

// The fixed test face at em 10: every character 5 pixels wide (CJK 10), lines
// 10 pixels high.
class TextTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        LOGFONTW logFont{};
        logFont.lfHeight = -10;
        std::wcscpy(logFont.lfFaceName, platform::kTestFontFace);
        font = CreateFontIndirectW(&logFont);
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, 100, 60);
        previousBitmap = SelectObject(dc, bitmap);
        previousFont = SelectObject(dc, font);
        RECT all{0, 0, 100, 60};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    void TearDown() override {
        SelectObject(dc, previousFont);
        SelectObject(dc, previousBitmap);
        DeleteObject(bitmap);
        DeleteObject(font);
        DeleteDC(dc);
    }
    HFONT font;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previousBitmap, previousFont;
};

TEST_F(TextTest, CalcRectFollowsTheLayoutRules) {
    struct Case {
        const wchar_t* text;
        UINT format;
        LONG width;                  // rectangle width given
        LONG right, bottom, height;  // expected CALCRECT result and return
    } cases[] = {
        {L"abcd", DT_SINGLELINE, 100, 20, 10, 10},
        {L"ab\ncde", 0, 100, 15, 20, 20},
        {L"ab\r\ncde\rf", 0, 100, 15, 30, 30},
        {L"ab\ncde", DT_SINGLELINE, 100, 25, 10, 10},                    // line breaks ignored
        {L"aaa bbb ccc", DT_WORDBREAK, 40, 35, 20, 20},                  // "aaa bbb" / "ccc"
        {L"aaa bbb ccc", DT_WORDBREAK, 34, 15, 30, 30},                  // one word per line
        {L"abcdefghij", DT_WORDBREAK, 20, 50, 10, 10},                   // a long word stays whole
        {L"abcdefghij", DT_WORDBREAK | DT_EDITCONTROL, 20, 20, 30, 30},  // ...unless edit control
        {L"中文字符", DT_WORDBREAK, 25, 20, 20, 20},                     // CJK breaks between characters
        {L"&Save", DT_SINGLELINE, 100, 20, 10, 10},                      // prefix removed
        {L"&Save", DT_SINGLELINE | DT_NOPREFIX, 100, 25, 10, 10},
        {L"a&&b", DT_SINGLELINE, 100, 15, 10, 10},
        {L"", 0, 100, 0, 0, 0},
    };
    for (const Case& c : cases) {
        RECT rect{10, 5, 10 + c.width, 5};
        int height = DrawTextW(dc, c.text, -1, &rect, c.format | DT_CALCRECT);
        EXPECT_EQ(rect.right - 10, c.right) << std::wstring(c.text).size() << " " << c.format;
        EXPECT_EQ(rect.bottom - 5, c.bottom) << c.format;
        EXPECT_EQ(height, c.height) << c.format;
        EXPECT_EQ(rect.left, 10);
    }
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPointW(dc, L"a&b", 3, &size));
    EXPECT_EQ(size.cx, 15);  // no prefix handling when measuring
    EXPECT_EQ(size.cy, 10);
}

TEST_F(TextTest, AlignmentPlacesTheGlyphBoxes) {
    // Test-face glyphs are boxes inset by one pixel; find the first dark column.
    auto firstInk = [&](int row) {
        for (int x = 0; x < 100; ++x)
            if (GetPixel(dc, x, row) != 0xFFFFFF) return x;
        return -1;
    };
    struct Case {
        UINT format;
        int inkColumn, lineTop;  // glyph boxes cover rows lineTop + 1 .. lineTop + 7
    } cases[] = {
        {DT_SINGLELINE, 1, 0},
        {DT_SINGLELINE | DT_CENTER, 41, 0},  // (0 + 100 - 20) / 2 + 1
        {DT_SINGLELINE | DT_RIGHT, 81, 0},
        {DT_SINGLELINE | DT_VCENTER, 1, 25},  // (0 + 60 - 10) / 2
        {DT_SINGLELINE | DT_BOTTOM, 1, 50},
        {DT_VCENTER | DT_BOTTOM, 1, 0},  // both need DT_SINGLELINE
    };
    for (const Case& c : cases) {
        RECT all{0, 0, 100, 60};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0, 0, 255));
        RECT rect{0, 0, 100, 60};
        DrawTextW(dc, L"abcd", -1, &rect, c.format);
        EXPECT_EQ(firstInk(c.lineTop + 3), c.inkColumn) << c.format;
        EXPECT_EQ(firstInk(c.lineTop), -1) << c.format;
        EXPECT_EQ(firstInk(c.lineTop + 8), -1) << c.format;
    }
    EXPECT_EQ(GetPixel(dc, 1, 3), RGB(0, 0, 255));
}

TEST_F(TextTest, TextIsClippedToTheRectangle) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0);
    RECT rect{0, 0, 12, 10};
    DrawTextW(dc, L"abcdef", -1, &rect, DT_SINGLELINE);
    EXPECT_EQ(GetPixel(dc, 11, 5), 0u);
    EXPECT_EQ(GetPixel(dc, 12, 5), 0xFFFFFFu);
    RECT noClip{0, 20, 12, 30};
    DrawTextW(dc, L"abcdef", -1, &noClip, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_EQ(GetPixel(dc, 16, 25), 0u);
    // An edit control leaves out a partly visible last line.
    RECT all{0, 0, 100, 60};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT edit{0, 0, 100, 15};
    DrawTextW(dc, L"a\nb", -1, &edit, DT_EDITCONTROL);
    EXPECT_EQ(GetPixel(dc, 2, 13), 0xFFFFFFu);
}

TEST_F(TextTest, UnderlinedFontsAndPrefixesDrawALine) {
    LOGFONTW logFont{};
    logFont.lfHeight = -10;
    logFont.lfUnderline = 1;
    std::wcscpy(logFont.lfFaceName, platform::kTestFontFace);
    HFONT underlined = CreateFontIndirectW(&logFont);
    HGDIOBJ previous = SelectObject(dc, underlined);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0);
    RECT rect{0, 0, 100, 10};
    DrawTextW(dc, L"a b", -1, &rect, DT_SINGLELINE);
    // The line runs under the blank too: baseline 8, one pixel below it.
    EXPECT_EQ(GetPixel(dc, 7, 9), 0u);
    EXPECT_EQ(GetPixel(dc, 7, 5), 0xFFFFFFu);
    SelectObject(dc, previous);
    DeleteObject(underlined);
    // "&b" underlines only the b.
    RECT all{0, 0, 100, 60};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT line{0, 20, 100, 30};
    DrawTextW(dc, L"a&b", -1, &line, DT_SINGLELINE);
    EXPECT_EQ(GetPixel(dc, 2, 29), 0xFFFFFFu);
    EXPECT_EQ(GetPixel(dc, 7, 29), 0u);
}

// Closing marks stay with the character before them and opening marks with
// the one after: in a 30-pixel rectangle of 10-pixel CJK boxes, the boxes
// counted on the first and second line.
TEST_F(TextTest, CjkLineBreakingKeepsMarksWithTheirNeighbours) {
    struct Case {
        const wchar_t* text;
        int firstLine, secondLine;
    } cases[] = {
        {L"中文字中", 3, 1},                           // no mark: breaks after three
        {L"中文字。中", 2, 3},                         // 。 may not begin a line
        {L"中文字」中", 2, 3}, {L"中文字！中", 2, 3},  // full-width ！
        {L"中文字、。", 2, 3},                         // two closing marks in a row
        {L"中、。文字", 3, 2},                         // the marks fit on the first line
        {L"中文（字中", 2, 3},                         // （ may not end a line
        {L"中文「字", 2, 2},   {L"中文『字』", 2, 3},
    };
    auto boxes = [&](int y) {
        int count = 0;
        for (int x = 5; x < 60; x += 10) count += GetPixel(dc, x, y) != 0xFFFFFF;
        return count;
    };
    for (const Case& c : cases) {
        RECT all{0, 0, 100, 60};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        RECT rect{0, 0, 30, 40};
        DrawTextW(dc, c.text, -1, &rect, DT_WORDBREAK);
        EXPECT_EQ(boxes(5), c.firstLine) << std::wstring(c.text).size() << " chars, case " << (&c - cases);
        EXPECT_EQ(boxes(15), c.secondLine) << "case " << (&c - cases);
    }
}

// A real font of the given face, em size and weight selected into a DC.
struct RealFont {
    HFONT font;
    HGDIOBJ previous;
    HDC dc;
    RealFont(HDC target, const wchar_t* face, int em, LONG weight) : dc(target) {
        LOGFONTW logFont{};
        logFont.lfHeight = -em;
        logFont.lfWeight = weight;
        std::wcsncpy(logFont.lfFaceName, face, LF_FACESIZE - 1);
        font = CreateFontIndirectW(&logFont);
        previous = SelectObject(dc, font);
    }
    ~RealFont() {
        SelectObject(dc, previous);
        DeleteObject(font);
    }
    int Width(const wchar_t* text) const {
        SIZE size{};
        GetTextExtentPointW(dc, text, static_cast<int>(std::wcslen(text)), &size);
        return size.cx;
    }
};

// The CJK face draws curly quotes full-width; in Latin text they come from
// the Latin face, while CJK characters and marks keep the CJK face's widths.
TEST_F(TextTest, TheCjkFaceKeepsLatinQuotesNarrow) {
    RealFont face(dc, L"微软雅黑", 20, 0);
    for (const wchar_t* quote : {L"\u201C", L"\u201D", L"\u2018", L"\u2019", L"\u201E"})
        EXPECT_LT(face.Width(quote), 14) << static_cast<int>(quote[0]);
    for (const wchar_t* wide : {L"中", L"、", L"。", L"「"})
        EXPECT_GE(face.Width(wide), 18) << static_cast<int>(wide[0]);
    // Two narrow marks around Ja, not two em-wide cells.
    EXPECT_LT(face.Width(L"\u201EJa\u201C") - face.Width(L"Ja"), 26);
}

// Bold CJK text is drawn heavier than regular text, whichever face holds the
// ideographs (the CJK face has no bold file: its bold is synthesised).
TEST_F(TextTest, BoldCjkIsHeavier) {
    auto ink = [&](const wchar_t* face, LONG weight) {
        RECT all{0, 0, 100, 60};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        RealFont font(dc, face, 20, weight);
        SetBkMode(dc, TRANSPARENT);
        RECT rect{0, 0, 100, 40};
        DrawTextW(dc, L"中文字", -1, &rect, DT_SINGLELINE);
        long sum = 0;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 100; ++x) sum += 255 - static_cast<long>(GetPixel(dc, x, y) & 0xFF);
        return sum;
    };
    for (const wchar_t* face : {L"微软雅黑", L"ArialMT"}) {
        long regular = ink(face, 400), bold = ink(face, 700);
        EXPECT_GT(bold, regular + regular / 8) << (face[0] == L'A' ? "ArialMT" : "CJK face");
    }
}

TEST(FaceMap, MapsTheDialogFacesToInstalledFonts) {
    struct Case {
        const wchar_t* face;
        const char* fileFragment;
    } cases[] = {
        {L"微软雅黑", "wqy-microhei"}, {L"ArialMT", "LiberationSans"},  {L"Arial", "LiberationSans"},
        {L"", "DejaVuSans"},           {L"MS Shell Dlg", "DejaVuSans"},
    };
    for (const Case& c : cases) {
        std::string file = platform::FontFileForFace(c.face, false);
        EXPECT_NE(file.find(c.fileFragment), std::string::npos) << file;
    }
    EXPECT_EQ(platform::FontFileForFace(platform::kTestFontFace, false), "");
}

TEST_F(TextTest, RealFacesMeasureAndFallBackPerGlyph) {
    LOGFONTW logFont{};
    logFont.lfHeight = -14;
    std::wcscpy(logFont.lfFaceName, L"ArialMT");
    HFONT arial = CreateFontIndirectW(&logFont);
    HGDIOBJ previous = SelectObject(dc, arial);
    SIZE latin{}, mixed{};
    GetTextExtentPointW(dc, L"Install", 7, &latin);
    GetTextExtentPointW(dc, L"Install中", 8, &mixed);
    EXPECT_GT(latin.cx, 30);
    EXPECT_LT(latin.cx, 70);
    // The CJK character comes from a fallback face and has a real width.
    EXPECT_GE(mixed.cx - latin.cx, 10);
    SetBkMode(dc, TRANSPARENT);
    RECT rect{0, 0, 100, 20};
    DrawTextW(dc, L"中", -1, &rect, DT_SINGLELINE);
    int inked = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) inked += GetPixel(dc, x, y) != 0xFFFFFF;
    EXPECT_GT(inked, 10);
    SelectObject(dc, previous);
    DeleteObject(arial);
}

}  // namespace
