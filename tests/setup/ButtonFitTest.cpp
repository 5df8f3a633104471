// The install button's width comes from the language's layout row: its texts
// ("Click to Install", "Try Again") must fit inside the border in every
// language, and the button must stay clear of the options toggle.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "ui/lang/Language.h"

namespace {

class SetupButtonFitTest : public testsupport::MachineTest {};

TEST_F(SetupButtonFitTest, InstallButtonTextsFitInEveryLanguage) {
    const LANGID languages[] = {0x0409, 0x0404, 0x0804, 0x0411, 0x040C, 0x0407, 0x0419, 0x0405,
                                0x040A, 0x040E, 0x0410, 0x0413, 0x0414, 0x0415, 0x0416, 0x041D};
    // The button font of the compact layout at 96 DPI: 20 points in the
    // dialog's face.
    LOGFONTW logFont{};
    logFont.lfHeight = -MulDiv(20, 96, 72);
    std::wcsncpy(logFont.lfFaceName, L"微软雅黑", LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&logFont);
    ASSERT_NE(font, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    const int kDesignWidth = 622, kToggleLeft = 622 - 148;
    const int kInset = 2 * 2 + 2 * 6;  // the border on both sides and a little air
    for (LANGID language : languages) {
        InitLanguage(L"Tessarovinde", language);
        int width = GetLangLayoutValue(4);
        EXPECT_LE((kDesignWidth + width) / 2, kToggleLeft) << std::hex << language;
        for (int id : {0, 14}) {
            std::wstring text = GetLangText(id);
            RECT measured{0, 0, 0, 0};
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, DT_SINGLELINE | DT_CALCRECT);
            EXPECT_LE(measured.right - measured.left + kInset, width)
                << std::hex << language << std::dec << " text " << id << " needs " << measured.right - measured.left;
        }
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(font);
}

}  // namespace
