#include <gtest/gtest.h>

#include <atomic>
#include <cwchar>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "ui/ButtonColorWithTitleCtrl.h"
#include "ui/ButtonCtrl.h"
#include "ui/ButtonCtrlEx.h"
#include "ui/CheckButtonCtrl.h"
#include "ui/ProcessCtrl.h"
#include "ui/StaticCtrl.h"

namespace {

// Records WM_COMMAND messages a control sends to its parent.
std::vector<std::pair<WPARAM, LPARAM>> g_commands;
LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) g_commands.emplace_back(wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

// A 60 x 40 memory canvas, white, with the fixed test face at em 10.
class ControlsTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        static bool registered = [] {
            WNDCLASSEXW windowClass{};
            windowClass.cbSize = sizeof windowClass;
            windowClass.lpfnWndProc = RecordingProc;
            windowClass.lpszClassName = L"ControlOwner";
            return RegisterClassExW(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        g_commands.clear();
        owner = CreateWindowExW(0, L"ControlOwner", L"", WS_POPUP, 0, 0, 60, 40, nullptr, nullptr, nullptr, nullptr);
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateCompatibleBitmap(dc, 60, 40);
        previous = SelectObject(dc, bitmap);
        Clear();
        LOGFONTW logFont{};
        logFont.lfHeight = -10;
        std::wcscpy(logFont.lfFaceName, platform::kTestFontFace);
        font = CreateFontIndirectW(&logFont);
    }
    void TearDown() override {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteObject(font);
        DeleteDC(dc);
        DestroyWindow(owner);
    }
    void Clear() {
        RECT all{0, 0, 60, 40};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    COLORREF At(int x, int y) { return GetPixel(dc, x, y); }
    // A solid bitmap of the given size and colour.
    HBITMAP Solid(int width, int height, COLORREF color) {
        HBITMAP made = CreateCompatibleBitmap(dc, width, height);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(memory, made);
        RECT all{0, 0, width, height};
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        SelectObject(memory, old);
        DeleteDC(memory);
        return made;
    }
    HWND owner;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    HFONT font;
};

TEST_F(ControlsTest, ButtonStateMachine) {
    enum Action { Move, Down, Up };
    struct Step {
        Action action;
        int x, y;
        int result, state;
        bool pressed;
    };
    struct Case {
        const char* name;
        bool visible, enabled;
        std::vector<Step> steps;
        size_t clicks;
    } cases[] = {
        {"hover and click",
         true,
         true,
         {{Move, 15, 15, 1, 1, false}, {Down, 15, 15, 1, 2, true}, {Up, 15, 15, 1, 1, false}},
         1},
        {"moving out cancels",
         true,
         true,
         {{Down, 15, 15, 1, 2, true},
          {Move, 50, 15, 0, 0, false},
          {Move, 15, 15, 1, 1, false},
          {Up, 15, 15, 0, 1, false}},
         0},
        {"release outside", true, true, {{Down, 15, 15, 1, 2, true}, {Up, 50, 50, 0, 0, false}}, 0},
        {"press outside", true, true, {{Move, 15, 15, 1, 1, false}, {Down, 0, 0, 0, 0, false}}, 0},
        {"invisible", false, true, {{Move, 15, 15, 0, 0, false}, {Down, 15, 15, 0, 0, false}}, 0},
        {"disabled",
         true,
         false,
         {{Move, 15, 15, 0, 3, false}, {Down, 15, 15, 0, 3, false}, {Up, 15, 15, 0, 3, false}},
         0},
    };
    for (const Case& c : cases) {
        g_commands.clear();
        ButtonCtrlEx button(owner, 10, 10, 30, 20);
        button.SetVisible(c.visible);
        button.SetEnabled(c.enabled);
        for (const Step& step : c.steps) {
            int result = step.action == Move   ? button.OnMouseMove(step.x, step.y)
                         : step.action == Down ? button.OnLButtonDown(step.x, step.y)
                                               : button.OnLButtonUp(step.x, step.y);
            EXPECT_EQ(result, step.result) << c.name;
            EXPECT_EQ(button.GetState(), step.state) << c.name;
            EXPECT_EQ(button.IsPressed(), step.pressed) << c.name;
        }
        EXPECT_EQ(g_commands.size(), c.clicks) << c.name;
    }
    // Re-enabling keeps the disabled look until the next mouse message.
    ButtonCtrlEx button(owner, 10, 10, 30, 20);
    button.SetEnabled(false);
    button.SetEnabled(true);
    EXPECT_EQ(button.GetState(), 3);
    button.OnMouseMove(0, 0);
    EXPECT_EQ(button.GetState(), 0);
}

TEST_F(ControlsTest, HitTestIncludesEveryEdge) {
    ButtonCtrlEx button(owner, 10, 10, 30, 20);
    struct Case {
        int x, y;
        bool inside;
    } cases[] = {{10, 10, true},  {30, 20, true},  {30, 15, true}, {20, 20, true},
                 {31, 15, false}, {20, 21, false}, {9, 15, false}, {20, 9, false}};
    for (const Case& c : cases) EXPECT_EQ(button.HitTest(c.x, c.y), c.inside) << c.x << "," << c.y;
}

TEST_F(ControlsTest, ClickCommandCarriesCommandOrId) {
    struct Case {
        int command, id;
        WPARAM wParam;
        LPARAM lParam;
    } cases[] = {{7, 1614, 7, 1614}, {-1, 1614, 1614, 0}, {0, 1612, 0, 1612}};
    for (const Case& c : cases) {
        g_commands.clear();
        ButtonCtrlEx button(owner, 0, 0, 10, 10);
        button.SetCommand(c.command);
        button.SetId(c.id);
        button.OnLButtonDown(5, 5);
        button.OnLButtonUp(5, 5);
        ASSERT_EQ(g_commands.size(), 1u);
        EXPECT_EQ(g_commands[0].first, c.wParam);
        EXPECT_EQ(g_commands[0].second, c.lParam);
    }
}

TEST_F(ControlsTest, ProgressFillIsClampedAndNeverDividesByZero) {
    struct Case {
        int minimum, maximum, position, width, border;
        int done;
    } cases[] = {
        {0, 100, 50, 101, 0, 50},                            // 50.5 truncated
        {0, 100, 50, 105, 2, 50},                            // inner width 101
        {0, 100, 100, 40, 0, 40}, {0, 100, 150, 40, 0, 40},  // past the end: full, not beyond
        {0, 100, -20, 40, 0, 0},  {10, 10, 10, 40, 0, 0},    // empty range
        {50, 10, 30, 40, 0, 0},                              // reversed range
        {0, 100, 50, 3, 2, 0},                               // border wider than the bar
    };
    for (const Case& c : cases) {
        ProcessCtrl bar(nullptr, 0, 0, c.width, 10);
        bar.SetRange(c.minimum, c.maximum);
        bar.SetBorder(c.border, RGB(9, 9, 9));
        bar.SetPos(c.position);  // no parent: paints nothing
        EXPECT_EQ(bar.DonePixels(), c.done) << c.minimum << ".." << c.maximum << " @" << c.position;
    }
    ProcessCtrl bar(nullptr, 5, 5, 45, 15);
    bar.SetBorder(1, RGB(0, 0, 0));
    bar.SetBarColors(RGB(0, 255, 0), RGB(255, 0, 0));
    bar.SetPos(25);  // inner 38 pixels: 9 done
    EXPECT_EQ(bar.Draw(dc), 1);
    EXPECT_EQ(At(5, 5), RGB(0, 0, 0));
    EXPECT_EQ(At(6, 10), RGB(0, 255, 0));
    EXPECT_EQ(At(14, 10), RGB(0, 255, 0));
    EXPECT_EQ(At(15, 10), RGB(255, 0, 0));
    EXPECT_EQ(At(43, 10), RGB(255, 0, 0));
    EXPECT_EQ(At(45, 10), 0xFFFFFFu);
    bar.SetVisible(false);
    EXPECT_EQ(bar.Draw(dc), 0);
}

TEST_F(ControlsTest, ProgressBitmapsCoverTheInnerBarAndTheDonePart) {
    HBITMAP empty = Solid(100, 10, RGB(230, 230, 230));
    HBITMAP full = Solid(100, 10, RGB(0, 0, 230));
    ProcessCtrl bar(nullptr, 0, 0, 42, 10);
    bar.SetBorder(1, RGB(0, 0, 0));
    bar.SetStateImages(empty, full, nullptr, nullptr);
    bar.SetDrawImage(1);
    bar.SetRange(0, 4);
    bar.SetPos(1);  // inner 40 pixels: 10 done
    EXPECT_EQ(bar.Draw(dc), 1);
    EXPECT_EQ(At(1, 5), RGB(0, 0, 230));
    EXPECT_EQ(At(10, 5), RGB(0, 0, 230));
    EXPECT_EQ(At(11, 5), RGB(230, 230, 230));
    EXPECT_EQ(At(40, 8), RGB(230, 230, 230));
    EXPECT_EQ(At(41, 5), RGB(0, 0, 0));  // the border, not the bitmap
    EXPECT_EQ(At(45, 5), 0xFFFFFFu);     // nothing past the control
    DeleteObject(empty);
    DeleteObject(full);
}

TEST_F(ControlsTest, LinkUsesItsHoverFontWhileHovered) {
    LOGFONTW logFont{};
    logFont.lfHeight = -10;
    logFont.lfUnderline = 1;
    std::wcscpy(logFont.lfFaceName, platform::kTestFontFace);
    HFONT hoverFont = CreateFontIndirectW(&logFont);
    HyLinkCtrlEx link(owner, 0, 0, 60, 10);
    link.SetFont(font);
    link.SetHoverFont(hoverFont);
    link.SetTextFormat(DT_SINGLELINE);
    link.SetStateColors(RGB(0, 0, 200), RGB(0, 0, 150), RGB(0, 0, 100), 0);
    link.SetText(L"a b");
    link.Draw(dc);
    EXPECT_EQ(At(7, 9), 0xFFFFFFu);  // no underline in the normal state
    EXPECT_EQ(At(2, 4), RGB(0, 0, 200));
    link.OnMouseMove(3, 3);
    Clear();
    link.Draw(dc);
    EXPECT_EQ(At(7, 9), RGB(0, 0, 150));  // the hover font's underline, hover colour
    RECT textRect{};
    link.GetTextRect(&textRect);
    EXPECT_EQ(textRect.right, 0);  // a link records no text rectangle
    DeleteObject(hoverFont);
}

TEST_F(ControlsTest, ColourZeroIsNotPainted) {
    struct Case {
        COLORREF border, fill;
        COLORREF edge, inside;
    } cases[] = {
        {RGB(0, 0, 200), RGB(0, 200, 0), RGB(0, 0, 200), RGB(0, 200, 0)},
        {0, RGB(0, 200, 0), 0xFFFFFF, RGB(0, 200, 0)},
        {RGB(0, 0, 200), 0, RGB(0, 0, 200), RGB(0, 0, 200)},
        {0, 0, 0xFFFFFF, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        Clear();
        ButtonColorCtrlEx button(owner, 10, 10, 30, 30);
        button.SetBorderWidth(2);
        button.SetBorderColors(c.border, c.border, c.border, c.border);
        button.SetFillColors(c.fill, c.fill, c.fill, c.fill);
        EXPECT_EQ(button.Draw(dc), 1);  // empty text still paints
        EXPECT_EQ(At(11, 11), c.edge);
        EXPECT_EQ(At(12, 12), c.inside);
        EXPECT_EQ(At(27, 27), c.inside);
        EXPECT_EQ(At(28, 28), c.edge);
        EXPECT_EQ(At(30, 30), 0xFFFFFFu);
    }
}

TEST_F(ControlsTest, ButtonPaintsItsStateBitmapClippedAndItsStateColour) {
    HBITMAP normal = Solid(8, 8, RGB(200, 0, 0));  // smaller than the control
    HBITMAP hover = Solid(40, 40, RGB(0, 0, 200));
    ButtonCtrlEx button(owner, 10, 10, 30, 30);
    button.SetStateImages(normal, hover, nullptr, nullptr);
    button.SetDrawImage(1);
    button.SetFont(font);
    button.SetStateColors(RGB(1, 1, 1), RGB(2, 2, 2), RGB(3, 3, 3), RGB(4, 4, 4));
    EXPECT_EQ(button.Draw(dc), 1);
    EXPECT_EQ(At(10, 10), RGB(200, 0, 0));
    EXPECT_EQ(At(17, 17), RGB(200, 0, 0));
    EXPECT_EQ(At(18, 18), 0xFFFFFFu);  // the bitmap ends; nothing read past it
    button.OnMouseMove(20, 20);
    button.SetText(L"ab");
    Clear();
    EXPECT_EQ(button.Draw(dc), 1);
    EXPECT_EQ(At(29, 29), RGB(0, 0, 200));  // clipped to the control
    EXPECT_EQ(At(31, 31), 0xFFFFFFu);
    // "ab" centred in 20 x 20: x from 15, line from 15; glyph boxes inset by 1.
    EXPECT_EQ(At(16, 17), RGB(2, 2, 2));
    RECT textRect{};
    button.GetTextRect(&textRect);
    EXPECT_EQ(textRect.right, 30);
    // A missing bitmap draws only the text; the helpers accept nulls.
    button.OnLButtonDown(20, 20);  // pressed: no bitmap for that state
    Clear();
    EXPECT_EQ(button.Draw(dc), 1);
    EXPECT_EQ(At(11, 11), 0xFFFFFFu);
    EXPECT_EQ(button.DrawBitmap(nullptr, normal, 0, 0, 5, 5), 1);
    EXPECT_EQ(button.DrawImage(dc, nullptr), 1);
    EXPECT_EQ(button.Draw(nullptr), 0);
    DeleteObject(normal);
    DeleteObject(hover);
}

TEST_F(ControlsTest, CheckBoxesDrawTheirCheckedBitmapAndMeasureText) {
    HBITMAP off = Solid(14, 14, RGB(100, 100, 100));
    HBITMAP on = Solid(14, 14, RGB(0, 150, 0));
    CheckButtonCtrlEx box(owner, 0, 0, 60, 30);
    box.SetStateImages(off, off, off, nullptr);
    box.SetCheckedImages(on, on, on, nullptr);
    box.SetDrawImage(1);
    box.SetBoxRect(0, 3, 14, 14);
    box.SetTextRect(24, 2, 35, 28);
    box.SetTextFormat(DT_WORDBREAK);
    box.SetFont(font);
    box.SetText(L"aa bb");
    EXPECT_EQ(box.Draw(dc), 1);
    EXPECT_EQ(At(5, 5), RGB(100, 100, 100));
    RECT measured{};
    box.GetTextRect(&measured);
    EXPECT_EQ(measured.left, 24);
    EXPECT_EQ(measured.right, 24 + 25);  // "aa bb" fits in 35 pixels
    EXPECT_EQ(measured.bottom, 2 + 10);
    box.SetCheck(true);
    EXPECT_EQ(box.Draw(dc), 1);
    EXPECT_EQ(At(5, 5), RGB(0, 150, 0));
    // A click does not toggle the box: the owner does.
    box.OnLButtonDown(5, 5);
    box.OnLButtonUp(5, 5);
    EXPECT_TRUE(box.GetCheck());
    DeleteObject(off);
    DeleteObject(on);
}

TEST_F(ControlsTest, StaticWrapsPerWordOrPerCharacter) {
    struct Case {
        LANGID language;
        const wchar_t* text;
        std::vector<int> widths;
    } cases[] = {
        // The label measures "aaa" | "bbb" (15 wide), then counts lines in 15 pixels.
        {0x0409, L"aaa bbb", {15, 20}},     // per word: the blank goes with the next word
        {0x0411, L"aaa bbb", {15, 15, 5}},  // Japanese: per character
        {0x0804, L"aaa bbb", {15, 15, 5}},  // Chinese (any sub-language)
        {0x0C04, L"aaa bbb", {15, 15, 5}},
        {0x0409, L"abcdefghijkl", {25, 25, 10}},  // no blank: per character
        {0x0409, L"abc", {15}},                   // fits: one line
    };
    for (const Case& c : cases) {
        machine.profile().userLanguage = c.language;
        StaticCtrl label(owner, 0, 0, 27, 40);
        label.SetFont(font);
        label.SetTextFormat(DT_WORDBREAK | DT_EDITCONTROL);
        label.SetText(c.text);
        label.SetMeasureLines(true);
        EXPECT_EQ(label.Draw(dc), 1);
        EXPECT_EQ(label.GetLineWidths(), c.widths) << std::hex << c.language;
        // The measurement runs once: a new text does not measure again.
        label.SetText(L"x");
        label.Draw(dc);
        EXPECT_EQ(label.GetLineWidths(), c.widths);
    }
}

TEST_F(ControlsTest, StaticCentresEditControlTextAndSkipsWhenHidden) {
    StaticCtrl label(owner, 0, 0, 60, 30);
    label.SetFont(font);
    label.SetTextFormat(DT_EDITCONTROL | DT_WORDBREAK);
    label.SetTextColor(RGB(7, 7, 7));
    label.SetText(L"ab");
    EXPECT_EQ(label.Draw(dc), 1);
    // One line of 10 in 30: moved down by 10; glyph rows 11..17.
    EXPECT_EQ(At(2, 11), RGB(7, 7, 7));
    EXPECT_EQ(At(2, 9), 0xFFFFFFu);
    RECT measured{};
    label.GetTextRect(&measured);
    EXPECT_EQ(measured.bottom, 10);
    label.SetVisible(false);
    Clear();
    EXPECT_EQ(label.Draw(dc), 0);
    EXPECT_EQ(At(2, 11), 0xFFFFFFu);
}

TEST_F(ControlsTest, TitleButtonAndWrappedButtonPaintTheirParts) {
    HBITMAP icon = Solid(10, 10, RGB(0, 0, 120));
    ButtonColorWithTitleCtrl tile(owner, 0, 0, 60, 40);
    tile.SetFillColors(RGB(250, 250, 0), 0, 0, 0);
    tile.SetIcon(icon);
    tile.SetIconRect(2, 2, 52, 52);  // edges: clipped to the 10 x 10 icon
    tile.SetTitle(L"T");
    tile.SetTitleFont(font);
    tile.SetTitleColor(RGB(1, 2, 3));
    tile.SetTitleRect(20, 0, 60, 10);
    tile.SetTextFormat(DT_SINGLELINE);
    EXPECT_EQ(tile.Draw(dc), 1);
    EXPECT_EQ(At(5, 5), RGB(0, 0, 120));
    EXPECT_EQ(At(13, 13), RGB(250, 250, 0));
    EXPECT_EQ(At(22, 4), RGB(1, 2, 3));

    struct Wrapped : ButtonCtrl {
        int Draw(HDC) override { return 0; }
    } wrapped;
    HWND child = CreateWindowExW(0, L"button", L"", WS_CHILD | BS_OWNERDRAW, 0, 0, 30, 20, owner,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(1700)), nullptr, nullptr);
    ASSERT_TRUE(wrapped.Attach(owner, 1700));
    EXPECT_EQ(wrapped.GetRect().Width(), 30);
    wrapped.SetBorder(1, RGB(0, 0, 0));
    wrapped.SetFillColors(RGB(0, 90, 0), RGB(90, 0, 0));
    wrapped.SetText(L"go");
    wchar_t title[8];
    GetWindowTextW(child, title, 8);
    EXPECT_STREQ(title, L"go");
    Clear();
    DRAWITEMSTRUCT item{ODT_BUTTON, 1700, 0, ODA_DRAWENTIRE, ODS_SELECTED, child, dc, {0, 0, 30, 20}, 0};
    EXPECT_EQ(wrapped.DrawItem(&item), 1);
    EXPECT_EQ(At(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(At(3, 3), RGB(0, 90, 0));
    item.CtlID = 1701;
    EXPECT_EQ(wrapped.DrawItem(&item), 0);
    DeleteObject(icon);
}

TEST_F(ControlsTest, TextChangesWhileAnotherThreadPaints) {
    ButtonCtrlEx button(owner, 0, 0, 60, 40);
    button.SetFont(font);
    // Both sides run at least 300 times while the other one runs, so they
    // overlap however the threads are scheduled.
    std::atomic<bool> stop{false};
    std::atomic<int> writes{0};
    std::thread writer([&] {
        for (int i = 0; !stop; ++i) {
            button.SetText(i % 2 ? L"a fairly long text to copy" : L"b");
            button.SetEnabled(i % 3 != 0);
            button.OnMouseMove(i % 60, 5);
            ++writes;
        }
    });
    HDC own = CreateCompatibleDC(nullptr);
    HBITMAP surface = CreateCompatibleBitmap(own, 60, 40);
    HGDIOBJ old = SelectObject(own, surface);
    int paints = 0;
    while (paints < 300 || writes < 300) paints += button.Draw(own);
    stop = true;
    writer.join();
    EXPECT_GT(writes.load(), 0);
    SelectObject(own, old);
    DeleteObject(surface);
    DeleteDC(own);
}

}  // namespace
