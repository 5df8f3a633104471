#include <gtest/gtest.h>

#include "platform/drawing/Gdi.h"
#include "platform/drawing/Text.h"
#include "tests/support/MachineFixture.h"
#include "util/FontUtil.h"

namespace {

class FontUtilTest : public testsupport::MachineTest {};

TEST_F(FontUtilTest, ScalesTheHeightToTheDisplayDpi) {
    EXPECT_EQ(GetDefaultFontName(), L"ArialMT");
    struct Case {
        int dpi;
        int size;
        bool bold;
        LONG height;
        LONG weight;
    } cases[] = {
        {144, 12, false, -18, 0},
        {96, 14, true, -14, 700},
        {120, 16, true, -20, 700},
    };
    for (const Case& c : cases) {
        machine.profile().dpi = c.dpi;
        HFONT font = CreateScaledFont(c.size, c.bold, nullptr, L"ArialMT");
        ASSERT_NE(font, nullptr);
        LOGFONTW read{};
        ASSERT_EQ(GetObjectW(font, sizeof(read), &read), static_cast<int>(sizeof(read)));
        EXPECT_EQ(read.lfHeight, c.height) << c.dpi << " " << c.size;
        EXPECT_EQ(read.lfWeight, c.weight);
        EXPECT_STREQ(read.lfFaceName, L"ArialMT");
        DeleteObject(font);
    }
}

TEST_F(FontUtilTest, CutsAnOverlongFaceNameToItsField) {
    const std::wstring longName(100, L'F');
    HFONT font = CreateScaledFont(12, false, longName.c_str());
    ASSERT_NE(font, nullptr);
    LOGFONTW read{};
    ASSERT_GT(GetObjectW(font, sizeof(read), &read), 0);
    EXPECT_EQ(std::wstring(read.lfFaceName), std::wstring(LF_FACESIZE - 1, L'F'));
    DeleteObject(font);
}

}  // namespace
