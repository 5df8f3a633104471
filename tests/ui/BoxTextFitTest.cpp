// Every language's box texts fit the rectangles the boxes draw them in,
// measured with DT_CALCRECT in the boxes' own fonts at 96, 120 and 144 DPI:
// no message loses its last line, no caption runs over its button.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "ui/CommonDlg.h"
#include "ui/lang/Language.h"
#include "util/FontUtil.h"

namespace {

struct Language {
    LANGID id;
    const char* name;
};

const Language kLanguages[] = {
    {0x0409, "English"},
    {0x0404, "Chinese (Traditional)"},
    {0x0804, "Chinese (Simplified)"},
    {0x0411, "Japanese"},
    {0x040C, "French"},
    {0x0407, "German"},
    {0x0419, "Russian"},
    {0x0405, "Czech"},
    {0x0C0A, "Spanish"},
    {0x040E, "Hungarian"},
    {0x0410, "Italian"},
    {0x0413, "Dutch"},
    {0x0414, "Norwegian"},
    {0x0415, "Polish"},
    {0x0816, "Portuguese"},
    {0x041D, "Swedish"},
};

// The boxes' fonts: the message box face at 14 design pixels, and the
// uninstall box's default face at 16 (bold) and 14.
struct FontSpec {
    const wchar_t* face;  // null: the default font name
    int designPixels;
    LONG weight;
};
const FontSpec kBoxFont{L"微软雅黑", 14, 0};
const FontSpec kUninstallTitle{nullptr, 16, 700};
const FontSpec kUninstallBody{nullptr, 14, 0};

// One text in one rectangle (design pixels) with the control's format.
struct Placement {
    const char* where;
    std::wstring text;
    FontSpec font;
    int width, height;
    UINT format;
    int padding;  // design pixels kept free on each side of a caption
};

std::wstring Text(int id) { return GetLangText(id); }

std::vector<Placement> BoxTexts() {
    const UINT message = DT_EDITCONTROL | DT_WORDBREAK, caption = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    const UINT title = DT_VCENTER | DT_SINGLELINE;
    std::vector<Placement> out;
    // SkinMessageBox::Show and ShowYesNo: 480 × 225, small icon.
    for (int id : {33, 35, 36, 43, 92}) out.push_back({"message box", Text(id), kBoxFont, 410, 135, message, 0});
    out.push_back({"uninstall running", Text(75) + L"\n\n" + Text(76), kBoxFont, 410, 135, message, 0});
    out.push_back({"uninstall title", GetLangProductName() + L" " + Text(24), kBoxFont, 370, 25, title, 0});
    for (int id : {11, 12, 19, 20}) out.push_back({"button", Text(id), kBoxFont, 100, 32, caption, 4});
    // ShowYesNoSized 600 × 260: the elevation notice.
    out.push_back(
        {"elevation notice", Text(89) + L"\n" + Text(90) + L"\n\n" + Text(91), kBoxFont, 481, 176, message, 0});
    for (int id : {58, 22}) out.push_back({"button", Text(id), kBoxFont, 100, 32, caption, 4});
    // UninstallMessageBox 500 × 206.
    out.push_back({"uninstall question", Text(30), kUninstallTitle, 460, 30, message, 0});
    out.push_back({"check box", Text(29), kUninstallBody, 435, 30, DT_WORDBREAK, 0});
    for (int id : {12, 59}) out.push_back({"button", Text(id), kUninstallBody, 100, 32, caption, 4});
    return out;
}

class BoxTextFitTest : public testsupport::MachineTest {
protected:
    void TearDown() override { ResetLanguageForTests(); }
};

TEST_F(BoxTextFitTest, EveryLanguagesBoxTextsFitTheirRectangles) {
    HDC dc = CreateCompatibleDC(nullptr);
    for (int dpi : {96, 120, 144}) {
        for (const Language& language : kLanguages) {
            ResetLanguageForTests();
            InitLanguage(L"Tessarovinde", language.id);
            for (const Placement& place : BoxTexts()) {
                SCOPED_TRACE(std::string(language.name) + ", " + place.where + " at " + std::to_string(dpi));
                LOGFONTW logFont{};
                logFont.lfHeight = -MulDiv(place.font.designPixels, dpi, 96);
                logFont.lfWeight = place.font.weight;
                std::wstring face = place.font.face != nullptr ? place.font.face : GetDefaultFontName();
                std::wcsncpy(logFont.lfFaceName, face.c_str(), LF_FACESIZE - 1);
                HFONT font = CreateFontIndirectW(&logFont);
                HGDIOBJ previous = SelectObject(dc, font);
                const int width = ScaleForDpi(place.width, dpi), height = ScaleForDpi(place.height, dpi);
                const int padding = ScaleForDpi(place.padding, dpi);
                RECT rect{0, 0, width, height};
                DrawTextW(dc, place.text.c_str(), static_cast<int>(place.text.size()), &rect,
                          place.format | DT_CALCRECT);
                EXPECT_LE(rect.right, width - 2 * padding) << "too wide";
                EXPECT_LE(rect.bottom, height) << "too high";
                SelectObject(dc, previous);
                DeleteObject(font);
            }
        }
    }
    DeleteDC(dc);
}

}  // namespace
