// The uninstall layout: the confirmation page that a dialog started in the
// uninstall mode shows (622 x 405 design pixels), with the keep-data box, the
// uninstall and cancel buttons and the progress bar the worker fills.
#include "platform/drawing/Gdi.h"
#include "setup/SetupDlg.h"
#include "ui/lang/Language.h"

namespace {

// Fonts are made for 96 DPI: the page is composed in design pixels and
// scaled to the screen as a whole.
constexpr int kFrameDpi = 96;
int PointHeight(int points) { return -MulDiv(points, kFrameDpi, 72); }

}  // namespace

void SetupDlg::CreateUninstallLayout() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    HWND hwnd = GetHwnd();

    auto question = std::make_unique<StaticCtrl>(hwnd, 20, 38, 582, 70);
    question->SetText(GetLangText(23));
    question->SetFont(MakeFont(PointHeight(16), false));
    question->SetTextColor(0x8CA623);
    m_questionLabel = AddControl(std::move(question), false);

    auto picture = std::make_unique<StaticCtrl>(hwnd, 140, 70, 482, 298);
    picture->SetStateImages(Bitmap(154), nullptr, nullptr, nullptr);
    picture->SetDrawImage(1);
    m_uninstallPicture = AddControl(std::move(picture), false);

    auto keep = std::make_unique<CheckButtonCtrl>(hwnd, 12, 364, 26, 378);
    keep->SetId(IDC_SETUP_KEEP_DATA);
    keep->SetStateImages(Bitmap(157), Bitmap(158), Bitmap(159), nullptr);
    keep->SetCheckedImages(Bitmap(159), Bitmap(160), Bitmap(157), nullptr);
    keep->SetDrawImage(1);
    keep->SetCheck(true);
    m_keepDataBox = AddControl(std::move(keep), true);
    m_keepData = m_keepDataBox->GetCheck();

    auto keepLabel = std::make_unique<StaticCtrl>(hwnd, 34, 360, 392, 380);
    keepLabel->SetText(GetLangText(25));
    keepLabel->SetFont(MakeFont(PointHeight(11), false));
    keepLabel->SetTextColor(0xBAD93C);
    keepLabel->SetTextFormat(0x24);
    m_keepDataLabel = AddControl(std::move(keepLabel), false);

    HFONT buttonFont = MakeButtonFont();
    auto makeButton = [&](int left, int command, int text) {
        auto button = std::make_unique<ButtonCtrlEx>(hwnd, left, 356, left + 100, 388);
        button->SetId(command);
        button->SetText(GetLangText(text));
        button->SetFont(buttonFont);
        button->SetTextColor(0xFFFFFF);
        button->SetStateColors(0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF);
        button->SetStateImages(Bitmap(163), Bitmap(162), Bitmap(161), nullptr);
        button->SetDrawImage(1);
        return AddControl(std::move(button), true);
    };
    m_uninstallButton = makeButton(402, IDC_SETUP_UNINSTALL, 24);
    m_cancelButton = makeButton(512, IDC_SETUP_CLOSE_OTHER, 12);

    auto progress = std::make_unique<ProcessCtrl>(hwnd, 10, 378, 612, 388);
    HBITMAP empty = Bitmap(156), full = Bitmap(155);
    progress->SetStateImages(empty, full, nullptr, nullptr);
    // Without its pictures the bar is drawn in plain colours.
    progress->SetBarColors(0x8CA623, 0xE6E6E6);
    progress->SetDrawImage(empty != nullptr && full != nullptr ? 1 : 0);
    progress->SetRange(0, 100);
    progress->SetVisible(false);
    m_uninstallBar = AddControl(std::move(progress), false);

    CreateTitleControls(600, 580, 0xBFBFBF);

    // Paint order: the pictures and labels first, then every input control.
    for (ButtonCtrlEx* control : m_inputList) m_paintList.push_back(control);
}
