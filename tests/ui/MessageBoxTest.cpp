// The skinned message boxes driven the way a person uses them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>

#include "platform/windowing/TestDriver.h"
#include "platform/drawing/Text.h"
#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "tests/ui/SkinBitmaps.h"
#include "ui/RepaintThread.h"
#include "ui/SkinMessageBox.h"
#include "ui/UninstallMessageBox.h"
#include "ui/lang/Language.h"

namespace {

using platform::DialogDriver;

// A 0x00RRGGBB pixel as the COLORREF the driver reports.
COLORREF Colorref(std::uint32_t pixel) { return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF); }

// Waits until a box has been painted (its band shows).
bool WaitBoxPainted(const DialogDriver& driver) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (driver.Pixel(5, 20) == RGB(74, 71, 181)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

class MessageBoxTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        skintest::RegisterSkinBitmaps();
        ResetLanguageForTests();
        InitLanguage(nullptr, 0x0409);
    }
    void TearDown() override {
        ResetLanguageForTests();
        EXPECT_EQ(RepaintThread::LiveThreads(), 0);
    }

    static bool WaitPainted(const DialogDriver& driver) { return WaitBoxPainted(driver); }
};

struct Gesture {
    const char* name;
    std::function<void(DialogDriver&)> act;
};

// Points in design pixels of the default 480 × 225 box and the 500 × 206 uninstall box.
const Gesture kOneButton{"first button", [](DialogDriver& d) { d.Click(240, 198); }};
const Gesture kFirstOfTwo{"first button", [](DialogDriver& d) { d.Click(310, 198); }};
const Gesture kSecondOfTwo{"second button", [](DialogDriver& d) { d.Click(420, 198); }};
const Gesture kClose{"close button", [](DialogDriver& d) { d.Click(470, 10); }};
const Gesture kEscape{"Escape", [](DialogDriver& d) { d.Key(VK_ESCAPE); }};
const Gesture kEnter{"Enter", [](DialogDriver& d) { d.Key(VK_RETURN); }};
const Gesture kAltF4{"Alt+F4", [](DialogDriver& d) { d.Key(VK_F4, true); }};
const Gesture kEnded{"EndDialog", [](DialogDriver& d) { d.End(0); }};

TEST_F(MessageBoxTest, ResultPerVariantAndGesture) {
    struct Case {
        const char* variant;
        Gesture gesture;
        int expected;
    };
    const Case cases[] = {
        {"Show", kOneButton, 1629},
        {"Show", kClose, 1612},
        {"Show", kEscape, 1628},
        {"Show", kEnter, 1628},
        {"Show", kAltF4, 1628},
        {"Show", kEnded, 1628},
        {"YesNo", kFirstOfTwo, 1629},
        {"YesNo", kSecondOfTwo, 1630},
        {"YesNo", kClose, 1630},
        {"YesNo", kEscape, 1630},
        {"YesNo", kEnded, 1630},
        {"Sized", {"first button", [](DialogDriver& d) { d.Click(430, 233); }}, 1629},
        {"Sized", {"second button", [](DialogDriver& d) { d.Click(540, 233); }}, 1630},
        {"Sized", {"close button", [](DialogDriver& d) { d.Click(590, 10); }}, 1630},
        {"Sized", kEscape, 1630},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(std::string(tc.variant) + " / " + tc.gesture.name);
        int result = 0;
        DialogDriver driver([&] {
            if (std::string(tc.variant) == "Show") result = SkinMessageBox::Show(nullptr, L"Title", L"Message", L"OK");
            else if (std::string(tc.variant) == "YesNo")
                result = SkinMessageBox::ShowYesNo(nullptr, L"Title", L"Message", L"Yes", L"No");
            else
                result = SkinMessageBox::ShowYesNoSized(nullptr, L"Title", L"Message", L"Continue", L"Abort", 600, 260);
        });
        ASSERT_NE(driver.Window(), nullptr);
        tc.gesture.act(driver);
        ASSERT_TRUE(driver.WaitFinished());
        EXPECT_EQ(result, tc.expected);
    }
}

TEST_F(MessageBoxTest, UninstallBoxConfirmsOnlyWithRemove) {
    const Gesture remove{"Remove", [](DialogDriver& d) { d.Click(320, 165); }};
    const Gesture cancel{"Cancel", [](DialogDriver& d) { d.Click(430, 165); }};
    const Gesture close{"close button", [](DialogDriver& d) { d.Click(489, 10); }};
    const Gesture checkThenRemove{"check, Remove", [](DialogDriver& d) {
                                      d.Click(27, 108);
                                      d.Click(320, 165);
                                  }};
    struct Case {
        Gesture gesture;
        bool confirmed;
        bool removeConfiguration;
    };
    const Case cases[] = {
        {remove, true, false},   {checkThenRemove, true, true}, {cancel, false, false}, {close, false, false},
        {kEscape, false, false}, {kEnter, false, false},        {kAltF4, false, false}, {kEnded, false, false},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.gesture.name);
        bool confirmed = !tc.confirmed;
        bool removeConfiguration = !tc.removeConfiguration;
        DialogDriver driver([&] { confirmed = UninstallMessageBox::Show(nullptr, &removeConfiguration); });
        ASSERT_NE(driver.Window(), nullptr);
        tc.gesture.act(driver);
        ASSERT_TRUE(driver.WaitFinished());
        EXPECT_EQ(confirmed, tc.confirmed);
        EXPECT_EQ(removeConfiguration, tc.removeConfiguration);
    }
}

TEST_F(MessageBoxTest, UninstallCheckBoxTogglesAndTheBoxStaysOpen) {
    bool confirmed = false;
    bool removeConfiguration = false;
    DialogDriver driver([&] { confirmed = UninstallMessageBox::Show(nullptr, &removeConfiguration); });
    UninstallMessageBox* box = UninstallMessageBox::FromWindow(driver.Window());
    ASSERT_NE(box, nullptr);
    driver.Click(27, 108);
    EXPECT_TRUE(box->GetRemoveConfiguration());
    driver.Click(27, 108);
    EXPECT_FALSE(box->GetRemoveConfiguration());
    EXPECT_TRUE(IsWindowVisible(driver.Window()));
    EXPECT_FALSE(driver.WaitFinished(100));
    driver.Click(320, 165);
    ASSERT_TRUE(driver.WaitFinished());
    EXPECT_TRUE(confirmed);
    EXPECT_FALSE(removeConfiguration);
}

TEST_F(MessageBoxTest, ButtonsAndIconsSitWhereTheLayoutPutsThem) {
    struct Case {
        const char* variant;
        RECT first;
        RECT second;  // {0,0,0,0}: hidden
        RECT icon;
        RECT message;
    };
    const Case cases[] = {
        {"Show", {190, 182, 290, 214}, {0, 0, 0, 0}, {20, 97, 50, 127}, {60, 36, 470, 171}},
        {"YesNo", {260, 182, 360, 214}, {370, 182, 470, 214}, {20, 97, 50, 127}, {60, 36, 470, 171}},
        {"Sized", {380, 217, 480, 249}, {490, 217, 590, 249}, {20, 96, 72, 148}, {104, 30, 585, 206}},
    };
    auto same = [](const CommonRect& rect, const RECT& expected) {
        return rect.Left() == expected.left && rect.Top() == expected.top && rect.Right() == expected.right &&
               rect.Bottom() == expected.bottom;
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.variant);
        std::string variant = tc.variant;
        DialogDriver driver([&] {
            if (variant == "Show") SkinMessageBox::Show(nullptr, L"Title", L"Message", L"OK");
            else if (variant == "YesNo") SkinMessageBox::ShowYesNo(nullptr, L"Title", L"Message", L"Yes", L"No");
            else SkinMessageBox::ShowYesNoSized(nullptr, L"Title", L"Message", L"Yes", L"No", 600, 260);
        });
        SkinMessageBox* box = SkinMessageBox::FromWindow(driver.Window());
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(same(box->FirstButtonRect(), tc.first));
        if (tc.second.right == 0) {
            EXPECT_FALSE(box->SecondButtonVisible());
        } else {
            EXPECT_TRUE(box->SecondButtonVisible());
            EXPECT_TRUE(same(box->SecondButtonRect(), tc.second));
        }
        EXPECT_TRUE(same(box->IconRect(), tc.icon));
        EXPECT_TRUE(same(box->MessageRect(), tc.message));
        ASSERT_TRUE(WaitPainted(driver));
        // The first button's image is drawn inside its rectangle, not beside it.
        EXPECT_EQ(driver.Pixel(tc.first.left + 2, tc.first.top + 2), Colorref(skintest::kButtonPixel));
        EXPECT_NE(driver.Pixel(tc.first.left - 2, tc.first.top + 2), Colorref(skintest::kButtonPixel));
        driver.End(0);
    }
}

TEST_F(MessageBoxTest, BandsArePaintedAndHover) {
    DialogDriver driver([] { SkinMessageBox::Show(nullptr, L"Title", L"Message", L"OK"); });
    ASSERT_TRUE(WaitPainted(driver));
    EXPECT_EQ(driver.Pixel(5, 20), RGB(74, 71, 181));  // title band
    EXPECT_EQ(driver.Pixel(5, 35), RGB(74, 71, 181));
    EXPECT_EQ(driver.Pixel(5, 36), RGB(255, 255, 255));  // body
    EXPECT_EQ(driver.Pixel(5, 170), RGB(255, 255, 255));
    EXPECT_EQ(driver.Pixel(5, 171), RGB(247, 251, 253));  // footer band, bottom 54 pixels
    EXPECT_EQ(driver.Pixel(5, 224), RGB(247, 251, 253));
    driver.MoveTo(240, 198);
    bool hovered = false;
    for (int attempt = 0; attempt < 100 && !hovered; ++attempt) {
        hovered = driver.Pixel(195, 185) == Colorref(skintest::kButtonHoverPixel);
        if (!hovered) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(hovered);
    driver.End(0);

    DialogDriver uninstall([] { UninstallMessageBox::Show(nullptr, nullptr); });
    ASSERT_TRUE(WaitPainted(uninstall));
    EXPECT_EQ(uninstall.Pixel(5, 35), RGB(74, 71, 181));
    EXPECT_EQ(uninstall.Pixel(5, 36), RGB(242, 243, 245));
    EXPECT_EQ(uninstall.Pixel(5, 205), RGB(242, 243, 245));
    // Without images 302-305 the buttons take the message box's button images.
    EXPECT_EQ(uninstall.Pixel(275, 152), Colorref(skintest::kButtonPixel));
    uninstall.End(0);

    skintest::RegisterSkinBitmaps(true);
    DialogDriver own([] { UninstallMessageBox::Show(nullptr, nullptr); });
    ASSERT_TRUE(WaitPainted(own));
    EXPECT_EQ(own.Pixel(275, 152), Colorref(skintest::kUninstallButtonPixel));
    own.End(0);
}

// Every box in design pixels: its size, its first button (the Remove button
// of the uninstall box) and the colour below its footer.
struct BoxVariant {
    const char* name;
    int width, height;
    RECT first;
    RECT close;
    COLORREF footer;
    std::function<void()> open;
};

const BoxVariant kVariants[] = {
    {"show",
     480,
     225,
     {190, 182, 290, 214},
     {461, 0, 478, 21},
     RGB(247, 251, 253),
     [] { SkinMessageBox::Show(nullptr, L"Title", L"The download failed. Please try again.", L"OK"); }},
    {"yesno",
     480,
     225,
     {260, 182, 360, 214},
     {461, 0, 478, 21},
     RGB(247, 251, 253),
     [] { SkinMessageBox::ShowYesNo(nullptr, L"Title", GetLangText(10), GetLangText(19), GetLangText(20)); }},
    {"sized",
     600,
     260,
     {380, 217, 480, 249},
     {581, 0, 598, 21},
     RGB(247, 251, 253),
     [] {
         SkinMessageBox::ShowYesNoSized(nullptr, L"Title", std::wstring(GetLangText(89)) + GetLangText(90),
                                        GetLangText(58), GetLangText(22), 600, 260);
     }},
    {"uninstall",
     500,
     206,
     {270, 149, 370, 181},
     {481, 0, 498, 21},
     RGB(242, 243, 245),
     [] { UninstallMessageBox::Show(nullptr, nullptr); }},
};

RECT Scale(const RECT& r, int dpi) {
    return RECT{ScaleForDpi(r.left, dpi), ScaleForDpi(r.top, dpi), ScaleForDpi(r.right, dpi),
                ScaleForDpi(r.bottom, dpi)};
}

// The brightest of the least channels in a rectangle: white ink shows as ~255.
int Whitest(const platform::Image& image, const RECT& r) {
    int best = 0;
    for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, image.height); ++y)
        for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, image.width); ++x) {
            std::uint32_t p = image.At(x, y);
            best = std::max(best, static_cast<int>(std::min({(p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF})));
        }
    return best;
}

// Above 96 DPI the whole box scales: the window, the layout, the bitmaps'
// places and sizes, and the painted area, so the footer reaches the corner,
// the close button sits at the right edge and clicks land on the buttons.
TEST_F(MessageBoxTest, EveryBoxScalesWithTheDpi) {
    for (int dpi : {96, 120, 144}) {
        for (const BoxVariant& variant : kVariants) {
            SCOPED_TRACE(std::string(variant.name) + " at " + std::to_string(dpi));
            machine.profile().dpi = dpi;
            DialogDriver driver(variant.open);
            ASSERT_NE(driver.Window(), nullptr);
            RECT window{};
            GetWindowRect(driver.Window(), &window);
            EXPECT_EQ(window.right - window.left, ScaleForDpi(variant.width, dpi));
            EXPECT_EQ(window.bottom - window.top, ScaleForDpi(variant.height, dpi));
            ASSERT_TRUE(WaitPainted(driver));
            RECT first = Scale(variant.first, dpi), close = Scale(variant.close, dpi);
            const std::uint32_t button = skintest::kButtonPixel;
            // The button image covers its whole scaled rectangle.
            EXPECT_EQ(driver.Pixel(first.left + 1, first.top + 1), Colorref(button));
            EXPECT_EQ(driver.Pixel(first.right - 2, first.bottom - 2), Colorref(button));
            EXPECT_EQ(driver.Pixel(ScaleForDpi(variant.width, dpi) - 2, ScaleForDpi(variant.height, dpi) - 2),
                      variant.footer);
            EXPECT_EQ(driver.Pixel(ScaleForDpi(variant.width, dpi) - 2, ScaleForDpi(30, dpi)), RGB(74, 71, 181));
            platform::Image image = driver.Capture();
            EXPECT_GT(Whitest(image, close), 150) << "no cross in the close button";
            ASSERT_TRUE(
                driver.SavePng(std::string("message-box-") + variant.name + "-" + std::to_string(dpi) + ".png"));
            // The hovered close image reaches the button's last column too
            // (17 design pixels span 26 at 144 DPI where 17 × 1.5 is 25.5).
            driver.MoveTo((close.left + close.right) / 2, (close.top + close.bottom) / 2);
            bool hovered = false;
            for (int attempt = 0; attempt < 100 && !hovered; ++attempt) {
                hovered = driver.Pixel(close.right - 1, close.bottom - 2) == RGB(0x68, 0x65, 0xD3);
                if (!hovered) std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            EXPECT_TRUE(hovered);
            driver.Click((first.left + first.right) / 2, (first.top + first.bottom) / 2);
            ASSERT_TRUE(driver.WaitFinished());
        }
    }
}

TEST_F(MessageBoxTest, LayoutRectanglesAreScaledDesignPixels) {
    machine.profile().dpi = 144;
    DialogDriver driver([] { SkinMessageBox::ShowYesNoSized(nullptr, L"Title", L"Message", L"Yes", L"No", 600, 260); });
    SkinMessageBox* box = SkinMessageBox::FromWindow(driver.Window());
    ASSERT_NE(box, nullptr);
    auto same = [](const CommonRect& rect, const RECT& expected) {
        return rect.Left() == expected.left && rect.Top() == expected.top && rect.Right() == expected.right &&
               rect.Bottom() == expected.bottom;
    };
    EXPECT_TRUE(same(box->FirstButtonRect(), RECT{570, 325, 720, 373}));
    EXPECT_TRUE(same(box->SecondButtonRect(), RECT{735, 325, 885, 373}));
    EXPECT_TRUE(same(box->IconRect(), RECT{30, 144, 108, 222}));
    EXPECT_TRUE(same(box->MessageRect(), RECT{156, 45, 877, 309}));
    driver.End(0);
}

// A program without the skin bitmaps still shows readable boxes: buttons
// filled in the band's colour under their white captions, a drawn close
// cross, a drawn information sign and check square, at every DPI.
class MessageBoxWithoutSkinTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        ResetLanguageForTests();
        InitLanguage(nullptr, 0x0409);
    }
    void TearDown() override { ResetLanguageForTests(); }
};

TEST_F(MessageBoxWithoutSkinTest, DrawsAPlainLookInsteadOfTheBitmaps) {
    const COLORREF band = RGB(74, 71, 181);
    for (int dpi : {96, 144}) {
        for (const BoxVariant& variant : kVariants) {
            SCOPED_TRACE(std::string(variant.name) + " at " + std::to_string(dpi));
            machine.profile().dpi = dpi;
            DialogDriver driver(variant.open);
            ASSERT_TRUE(WaitBoxPainted(driver));
            RECT first = Scale(variant.first, dpi), close = Scale(variant.close, dpi);
            const int middle = (first.top + first.bottom) / 2;
            EXPECT_EQ(driver.Pixel(first.left + ScaleForDpi(5, dpi), middle), band);
            EXPECT_EQ(driver.Pixel(first.right - ScaleForDpi(5, dpi), middle), band);
            platform::Image image = driver.Capture();
            EXPECT_GT(Whitest(image, RECT{first.left, first.top, first.right, first.bottom}), 240) << "caption";
            EXPECT_GT(Whitest(image, close), 240) << "cross";
            const bool uninstall = std::string(variant.name) == "uninstall";
            if (!uninstall) {
                SkinMessageBox* box = SkinMessageBox::FromWindow(driver.Window());
                ASSERT_NE(box, nullptr);
                CommonRect icon = box->IconRect();
                const int centreX = (icon.Left() + icon.Right()) / 2, centreY = (icon.Top() + icon.Bottom()) / 2;
                EXPECT_EQ(driver.Pixel(icon.Left() + icon.Width() / 4, centreY), band);
                EXPECT_EQ(driver.Pixel(centreX, centreY + icon.Height() / 10), RGB(255, 255, 255));  // the bar
            } else {
                // The empty square's edge, then the ticked square after a click.
                EXPECT_EQ(driver.Pixel(ScaleForDpi(20, dpi), ScaleForDpi(108, dpi)), RGB(0x9A, 0x9A, 0x9A));
                driver.Click(ScaleForDpi(27, dpi), ScaleForDpi(108, dpi));
                driver.MoveTo(ScaleForDpi(5, dpi), ScaleForDpi(60, dpi));  // off the box: no hover look
                bool ticked = false;
                for (int attempt = 0; attempt < 100 && !ticked; ++attempt) {
                    ticked = driver.Pixel(ScaleForDpi(22, dpi), ScaleForDpi(103, dpi)) == band;
                    if (!ticked) std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
                EXPECT_TRUE(ticked);
                EXPECT_EQ(driver.Pixel(ScaleForDpi(20, dpi) + 1, ScaleForDpi(101, dpi) + 1), band);
            }
            ASSERT_TRUE(
                driver.SavePng(std::string("message-box-plain-") + variant.name + "-" + std::to_string(dpi) + ".png"));
            driver.End(0);
        }
    }
}

// Painters on several threads at once (the repaint thread, WM_PAINT) share the
// controls' bitmaps, which can be selected into one DC at a time: no frame
// may come out without its button images.
TEST_F(MessageBoxTest, ConcurrentPaintsKeepTheButtonImages) {
    for (int variant = 0; variant < 2; ++variant) {
        SCOPED_TRACE(variant == 0 ? "message box" : "uninstall box");
        DialogDriver driver([variant] {
            if (variant == 0) SkinMessageBox::ShowYesNo(nullptr, L"Title", L"Message", L"Yes", L"No");
            else UninstallMessageBox::Show(nullptr, nullptr);
        });
        ASSERT_TRUE(WaitPainted(driver));
        CommonDlg* box = variant == 0 ? static_cast<CommonDlg*>(SkinMessageBox::FromWindow(driver.Window()))
                                      : static_cast<CommonDlg*>(UninstallMessageBox::FromWindow(driver.Window()));
        ASSERT_NE(box, nullptr);
        const int x = variant == 0 ? 265 : 275, y = variant == 0 ? 185 : 152;
        std::atomic<bool> stop{false};
        std::vector<std::thread> painters;
        for (int i = 0; i < 3; ++i)
            painters.emplace_back([&] {
                while (!stop) box->OnPaint();
            });
        int lost = 0;
        for (int sample = 0; sample < 300; ++sample) {
            if (driver.Pixel(x, y) != Colorref(skintest::kButtonPixel)) ++lost;
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        stop = true;
        for (std::thread& painter : painters) painter.join();
        EXPECT_EQ(lost, 0);
        driver.End(0);
    }
}

TEST_F(MessageBoxTest, BoxesOnTwoThreadsAnswerForThemselves) {
    int mainResult = 0;
    int workerResult = 0;
    DialogDriver main([&] { mainResult = SkinMessageBox::ShowYesNo(nullptr, L"Main", L"Quit?", L"Yes", L"No"); });
    DialogDriver worker([&] { workerResult = SkinMessageBox::Show(nullptr, L"Worker", L"Download failed", L"OK"); });
    ASSERT_NE(main.Window(), nullptr);
    ASSERT_NE(worker.Window(), nullptr);
    EXPECT_NE(main.Window(), worker.Window());
    EXPECT_NE(SkinMessageBox::FromWindow(main.Window()), SkinMessageBox::FromWindow(worker.Window()));
    EXPECT_EQ(RepaintThread::LiveThreads(), 2);

    worker.Click(240, 198);
    ASSERT_TRUE(worker.WaitFinished());
    EXPECT_EQ(workerResult, 1629);
    EXPECT_TRUE(IsWindow(main.Window()));
    EXPECT_FALSE(main.WaitFinished(100));
    EXPECT_EQ(RepaintThread::LiveThreads(), 1);

    main.Click(420, 198);
    ASSERT_TRUE(main.WaitFinished());
    EXPECT_EQ(mainResult, 1630);
    EXPECT_EQ(RepaintThread::LiveThreads(), 0);
}

TEST_F(MessageBoxTest, RepaintThreadEndsWithTheBoxHoweverItEnds) {
    for (const Gesture& gesture : {kOneButton, kEscape, kEnded}) {
        SCOPED_TRACE(gesture.name);
        DialogDriver driver([] { SkinMessageBox::Show(nullptr, L"Title", L"Message", L"OK"); });
        SkinMessageBox* box = SkinMessageBox::FromWindow(driver.Window());
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->RepaintRunning());
        EXPECT_EQ(RepaintThread::LiveThreads(), 1);
        gesture.act(driver);
        ASSERT_TRUE(driver.WaitFinished());
        EXPECT_EQ(RepaintThread::LiveThreads(), 0);
    }
}

// Pictures of one box per language, with the system's own texts.
TEST_F(MessageBoxTest, PicturesInFourLanguages) {
    struct Case {
        LANGID language;
        const char* file;
    };
    const Case cases[] = {
        {0x0409, "message-box-en.png"},
        {0x0411, "message-box-ja.png"},
        {0x0419, "message-box-ru.png"},
        {0x0804, "message-box-zh-cn.png"},
    };
    // The face the boxes ask for must be a real CJK face, not a fallback of boxes.
    std::string face = platform::FontFileForFace(L"微软雅黑", false);
    EXPECT_NE(face.find("wqy"), std::string::npos) << face;
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.file);
        ResetLanguageForTests();
        InitLanguage(L"Tessarovinde", tc.language);
        std::wstring title = GetLangText(50);
        std::wstring message = GetLangText(10);
        DialogDriver driver(
            [&] { SkinMessageBox::ShowYesNo(nullptr, title, message, GetLangText(19), GetLangText(20)); });
        ASSERT_TRUE(WaitPainted(driver));
        ASSERT_TRUE(driver.SavePng(tc.file));
        // Glyphs are anti-aliased ink, not a few solid blocks: the message
        // area holds many shades.
        platform::Image image = driver.Capture();
        std::set<std::uint32_t> shades;
        for (int y = 40; y < 170; ++y)
            for (int x = 60; x < 470; ++x) shades.insert(image.At(x, y));
        EXPECT_GT(shades.size(), 20u);
        driver.End(0);
    }
    // The elevation notice, the longest box text: German and Polish quote
    // with „ “ and ” in Latin widths, Japanese wraps by its own rules.
    const Case notices[] = {
        {0x0407, "message-box-elevation-de.png"},
        {0x0415, "message-box-elevation-pl.png"},
        {0x0411, "message-box-elevation-ja.png"},
    };
    for (const Case& tc : notices) {
        SCOPED_TRACE(tc.file);
        ResetLanguageForTests();
        InitLanguage(L"Tessarovinde", tc.language);
        std::wstring message = std::wstring(GetLangText(89)) + L"\n" + GetLangText(90) + L"\n\n" + GetLangText(91);
        DialogDriver driver([&] {
            SkinMessageBox::ShowYesNoSized(nullptr, L"Tessarovinde", message, GetLangText(58), GetLangText(22), 600,
                                           260);
        });
        ASSERT_TRUE(WaitPainted(driver));
        ASSERT_TRUE(driver.SavePng(tc.file));
        driver.End(0);
    }
    // And the uninstall confirmation, with its box ticked.
    ResetLanguageForTests();
    InitLanguage(L"Tessarovinde", 0x0409);
    DialogDriver uninstall([] { UninstallMessageBox::Show(nullptr, nullptr); });
    ASSERT_TRUE(WaitPainted(uninstall));
    uninstall.Click(27, 108);
    bool ticked = false;
    for (int attempt = 0; attempt < 100 && !ticked; ++attempt) {
        ticked = uninstall.Pixel(26, 107) == RGB(74, 71, 181);
        if (!ticked) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(ticked);
    ASSERT_TRUE(uninstall.SavePng("uninstall-box-en.png"));
    uninstall.End(0);
}

}  // namespace
