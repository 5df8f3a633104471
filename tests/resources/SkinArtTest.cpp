// The skin bitmaps compiled into the program: every id the dialogs load is
// there at the size its control or painter needs, pictures that are copied
// opaquely match what they are copied onto, and the keyed pictures keep their
// key colour for the background only.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/Win32.h"
#include "platform/windowing/TestDriver.h"
#include "tests/support/MachineFixture.h"
#include "ui/BMData.h"
#include "ui/RepaintThread.h"
#include "ui/SkinMessageBox.h"
#include "ui/UninstallMessageBox.h"
#include "ui/lang/Language.h"

namespace {

class SkinArtTest : public testsupport::MachineTest {};

struct Size {
    UINT id;
    int width;
    int height;
};

// Main dialog (ring area, pages, title buttons, logos, options panel) and
// the message boxes.
const Size kSizes[] = {
    {132, 311, 311},
    {133, 311, 311},
    {182, 311, 311},
    {183, 311, 311},
    {184, 311, 311},
    {190, 311, 311},
    {185, 622, 405},
    {191, 622, 405},
    {138, 206, 45},
    {139, 206, 45},
    {187, 206, 45},
    {188, 206, 45},
    {140, 17, 21},
    {142, 17, 21},
    {143, 17, 21},
    {148, 17, 21},
    {144, 17, 21},
    {146, 17, 21},
    {147, 17, 21},
    {149, 17, 21},
    {150, 17, 21},
    {151, 17, 21},
    {157, 14, 14},
    {158, 14, 14},
    {159, 14, 14},
    {160, 14, 14},
    {165, 14, 8},
    {166, 14, 8},
    {167, 14, 8},
    {168, 14, 8},
    {169, 29, 26},
    {170, 29, 26},
    {171, 29, 26},
    {174, 100, 32},
    {176, 100, 32},
    {177, 100, 32},
    {178, 17, 21},
    {179, 17, 21},
    {180, 17, 21},
    {175, 30, 30},
    {192, 52, 52},
    // The uninstall page: picture, buttons, the progress bar's track and fill
    // (as long as the longest bar).
    {154, 342, 228},
    {161, 100, 32},
    {162, 100, 32},
    {163, 100, 32},
    {155, 602, 10},
    {156, 602, 10},
    // The large layout: survey option marks, logo, buttons, close mark.
    {195, 16, 16},
    {196, 16, 16},
    {197, 16, 16},
    {198, 16, 16},
    {199, 16, 16},
    {200, 16, 16},
    {201, 16, 16},
    {202, 16, 16},
    {300, 26, 26},
    {302, 100, 32},
    {303, 100, 32},
    {304, 100, 32},
    {305, 100, 32},
    {306, 8, 8},
    {307, 8, 8},
    {308, 8, 8},
};

std::uint32_t At(const BMData& bitmap, int x, int y) { return bitmap.Pixels()[y * bitmap.Width() + x]; }

TEST_F(SkinArtTest, EveryBitmapLoadsAtItsSize) {
    for (const Size& expected : kSizes) {
        SCOPED_TRACE(expected.id);
        BMData bitmap;
        ASSERT_TRUE(bitmap.Load(expected.id));
        EXPECT_EQ(bitmap.Width(), expected.width);
        EXPECT_EQ(bitmap.Height(), expected.height);
        HBITMAP handle = LoadSkinBitmap(expected.id);
        ASSERT_NE(handle, nullptr);
        DeleteObject(handle);
    }
}

// A control's picture is copied whole over the page, so its edge pixels must
// be the page's own pixels at that place, or a frame shows around it.
TEST_F(SkinArtTest, OpaquePicturesMatchWhatTheyLieOn) {
    constexpr std::uint32_t kFooter = 0xF7FBFD;
    constexpr std::uint32_t kPanel = 0xFCFEFF;
    constexpr std::uint32_t kBand = 0x4A47B5;
    constexpr std::uint32_t kWhite = 0xFFFFFF;
    constexpr std::uint32_t kGreyPage = 0xF7F8FA;  // uninstall page, large layout's background and band
    constexpr std::uint32_t kEvenRow = 0xFAFAFC;   // the first, third, ... survey row
    struct Case {
        UINT id;
        UINT page;  // 0: a plain colour
        std::uint32_t colour;
        int x, y;  // where the picture lies on the page
    };
    const Case cases[] = {
        {190, 191, 0, 156, 24},    {183, 191, 0, 156, 24},    {184, 185, 0, 156, 24},    {138, 191, 0, 0, 0},
        {187, 191, 0, 0, 0},       {139, 185, 0, 0, 0},       {188, 185, 0, 0, 0},       {140, 191, 0, 600, 0},
        {144, 191, 0, 580, 0},     {148, 185, 0, 600, 0},     {149, 185, 0, 580, 0},     {182, 0, kWhite, 0, 0},
        {175, 0, kWhite, 0, 0},    {192, 0, kWhite, 0, 0},    {179, 0, kBand, 0, 0},     {176, 0, kFooter, 0, 0},
        {174, 0, kFooter, 0, 0},   {177, 0, kFooter, 0, 0},   {165, 0, kFooter, 0, 0},   {167, 0, kFooter, 0, 0},
        {157, 0, kPanel, 0, 0},    {159, 0, kPanel, 0, 0},    {171, 0, kPanel, 0, 0},    {154, 0, kGreyPage, 0, 0},
        {161, 0, kGreyPage, 0, 0}, {162, 0, kGreyPage, 0, 0}, {163, 0, kGreyPage, 0, 0}, {195, 0, kEvenRow, 0, 0},
        {196, 0, kEvenRow, 0, 0},  {197, 0, kEvenRow, 0, 0},  {198, 0, kEvenRow, 0, 0},  {199, 0, kWhite, 0, 0},
        {200, 0, kWhite, 0, 0},    {201, 0, kWhite, 0, 0},    {202, 0, kWhite, 0, 0},    {300, 0, kGreyPage, 0, 0},
        {302, 0, kGreyPage, 0, 0}, {303, 0, kGreyPage, 0, 0}, {304, 0, kGreyPage, 0, 0}, {305, 0, kGreyPage, 0, 0},
    };
    BMData pages[2];
    ASSERT_TRUE(pages[0].Load(191));
    ASSERT_TRUE(pages[1].Load(185));
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.id);
        BMData picture;
        ASSERT_TRUE(picture.Load(tc.id));
        const BMData* page = tc.page == 191 ? &pages[0] : tc.page == 185 ? &pages[1] : nullptr;
        const int right = picture.Width() - 1, bottom = picture.Height() - 1;
        const int corners[4][2] = {{0, 0}, {right, 0}, {0, bottom}, {right, bottom}};
        for (const auto& corner : corners) {
            std::uint32_t expected = page != nullptr ? At(*page, tc.x + corner[0], tc.y + corner[1]) : tc.colour;
            EXPECT_EQ(At(picture, corner[0], corner[1]), expected) << corner[0] << "," << corner[1];
        }
    }
}

// The pictures of one control's states must tell its states apart: a
// hover or pressed picture equal to the normal one shows no reaction.
TEST_F(SkinArtTest, StatePicturesDifferFromEachOther) {
    const std::vector<std::vector<UINT>> sets = {
        {140, 143, 142},      {144, 147, 146},      {149, 151, 150},      {178, 179, 180}, {157, 158, 159, 160},
        {165, 166, 167, 168}, {169, 170, 171},      {174, 176, 177},      {161, 162, 163}, {155, 156},
        {195, 196, 197, 198}, {199, 200, 201, 202}, {302, 303, 304, 305}, {306, 307, 308},
    };
    for (const auto& set : sets) {
        std::vector<BMData> pictures(set.size());
        for (size_t i = 0; i < set.size(); ++i) ASSERT_TRUE(pictures[i].Load(set[i])) << set[i];
        for (size_t i = 0; i < set.size(); ++i)
            for (size_t j = i + 1; j < set.size(); ++j) {
                const BMData& a = pictures[i];
                const BMData& b = pictures[j];
                ASSERT_EQ(a.Width() * a.Height(), b.Width() * b.Height()) << set[i] << " " << set[j];
                EXPECT_NE(std::memcmp(a.Pixels(), b.Pixels(), sizeof(std::uint32_t) * a.Width() * a.Height()), 0)
                    << set[i] << " and " << set[j] << " are the same picture";
            }
    }
}

// 132 is copied over the ripples skipping white, 133 over the finish colour
// skipping that colour: the key must be the background and nothing else.
TEST_F(SkinArtTest, KeyedPicturesUseTheirKeyForTheBackgroundOnly) {
    struct Case {
        UINT id;
        std::uint32_t key;
        double inner, outer;  // a band of the picture that is all art
    };
    const Case cases[] = {
        {132, 0xFFFFFF, 124.0, 135.0},  // the ring
        {133, 0x42237E, 85.5, 90.5},    // the circle around the tick
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.id);
        BMData picture;
        ASSERT_TRUE(picture.Load(tc.id));
        EXPECT_EQ(At(picture, 0, 0), tc.key);
        EXPECT_EQ(At(picture, 310, 310), tc.key);
        int art = 0, keyed = 0;
        for (int y = 0; y < picture.Height(); ++y)
            for (int x = 0; x < picture.Width(); ++x) {
                double d = std::hypot(x - 155.0, y - 155.0);
                if (d < tc.inner || d > tc.outer) continue;
                ++art;
                if (At(picture, x, y) == tc.key) ++keyed;
            }
        EXPECT_GT(art, 1000);
        EXPECT_EQ(keyed, 0);
    }
    // The emblem's white play sign inside the ring is art too.
    BMData overlay;
    ASSERT_TRUE(overlay.Load(132));
    EXPECT_NE(At(overlay, 157, 155), 0xFFFFFFu);
}

// A message box drawn with the compiled-in skin, written as a picture.
TEST_F(SkinArtTest, MessageBoxDrawsTheRealSkin) {
    platform::DialogDriver driver([] {
        SkinMessageBox::ShowYesNo(nullptr, L"Tessarovinde Setup",
                                  L"Setup is not finished yet. Do you really want to leave?", L"Continue", L"Exit");
    });
    ASSERT_NE(driver.Window(), nullptr);
    // The first button's left edge (no text there) shows bitmap 176 at
    // (260, 182) in design pixels of the 480 x 225 box.
    BMData button;
    ASSERT_TRUE(button.Load(176));
    std::uint32_t edge = At(button, 3, 16);
    COLORREF expected = RGB((edge >> 16) & 0xFF, (edge >> 8) & 0xFF, edge & 0xFF);
    bool painted = false;
    for (int attempt = 0; attempt < 200 && !painted; ++attempt) {
        painted = driver.Pixel(263, 198) == expected;
        if (!painted) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(painted);
    BMData icon;
    ASSERT_TRUE(icon.Load(175));
    std::uint32_t middle = At(icon, 15, 25);
    EXPECT_EQ(driver.Pixel(20 + 15, 97 + 25), RGB((middle >> 16) & 0xFF, (middle >> 8) & 0xFF, middle & 0xFF));
    ASSERT_TRUE(driver.SavePng("skin-message-box.png"));
    driver.End(0);
    ASSERT_TRUE(driver.WaitFinished());
    EXPECT_EQ(RepaintThread::LiveThreads(), 0);
}

// The uninstall box takes its own button pictures (302-305) once the skin
// carries them, drawn on the box's grey body; written as a picture.
TEST_F(SkinArtTest, UninstallBoxDrawsItsOwnButtons) {
    ResetLanguageForTests();
    InitLanguage(nullptr, 0x0409);
    platform::DialogDriver driver([] { UninstallMessageBox::Show(nullptr, nullptr); });
    ASSERT_NE(driver.Window(), nullptr);
    // The Remove button's left edge (no text there) at (270, 149) in design
    // pixels of the 500 x 206 box.
    BMData button;
    ASSERT_TRUE(button.Load(302));
    std::uint32_t edge = At(button, 3, 16);
    COLORREF expected = RGB((edge >> 16) & 0xFF, (edge >> 8) & 0xFF, edge & 0xFF);
    bool painted = false;
    for (int attempt = 0; attempt < 200 && !painted; ++attempt) {
        painted = driver.Pixel(273, 165) == expected;
        if (!painted) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(painted);
    ASSERT_TRUE(driver.SavePng("skin-uninstall-box.png"));
    driver.End(0);
    ASSERT_TRUE(driver.WaitFinished());
    EXPECT_EQ(RepaintThread::LiveThreads(), 0);
    ResetLanguageForTests();
}

}  // namespace
