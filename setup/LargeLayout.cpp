// The large layout (750 x 568 design pixels): the uninstall mode of a
// product that asks for it. Four pages: the survey (4), the uninstalling
// page with its countdown (5) and the result page, successful (6) or failed
// (7), under a title bar with a close button, the product's logo and name.
// The pages' controls are in SurveyPage.cpp and UninstallPages.cpp, their
// painters in LargeLayoutPainters.cpp.
#include "platform/drawing/Gdi.h"
#include "setup/ProductConfig.h"
#include "setup/SetupDlg.h"
#include "ui/lang/Language.h"
#include "util/FontUtil.h"

namespace {

constexpr int W = SetupDlg::kLargeWidth;

}  // namespace

void SetupDlg::CreateLargeLayout() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    HWND hwnd = GetHwnd();
    m_large = true;
    CreateSurveyPage();
    CreateUninstallPages();

    // The title bar, over the pages.
    auto close = std::make_unique<ButtonCtrlEx>(hwnd, W - 32, 20, W - 24, 28);
    close->SetStateImages(Bitmap(306), Bitmap(307), Bitmap(308), nullptr);
    close->SetDrawImage(1);
    close->SetId(IDC_SETUP_CLOSE);
    m_closeButton = AddControl(std::move(close), true);

    HBITMAP logoImage = Bitmap(300);
    BITMAP size{};
    if (logoImage == nullptr || GetObjectW(logoImage, sizeof size, &size) != static_cast<int>(sizeof size))
        size = BITMAP{};
    auto logo = std::make_unique<StaticCtrl>(hwnd, 20, 11, 20 + size.bmWidth, 11 + size.bmHeight);
    logo->SetStateImages(logoImage, nullptr, nullptr, nullptr);
    logo->SetDrawImage(1);
    m_logoPicture = AddControl(std::move(logo), false);

    const int logoRight = 20 + size.bmWidth;
    auto product = std::make_unique<StaticCtrl>(hwnd, logoRight + 6, 15, logoRight + 206, 11 + size.bmHeight);
    product->SetFont(MakeFaceFont(11, false, GetDefaultFontName()));
    product->SetTextColor(0x4A4A4A);
    product->SetStateColors(0x4A4A4A, 0x4A4A4A, 0x4A4A4A, 0x4A4A4A);
    product->SetTextFormat(0x04);
    product->SetText(GetProductNameW());
    m_productLabel = AddControl(std::move(product), false);

    // Paint order: the pictures and labels first, then every input control.
    for (ButtonCtrlEx* control : m_inputList) m_paintList.push_back(control);
    // The survey is the first page.
    UpdateLargeLayoutPage(PAGE_SURVEY);
    m_pageState = PAGE_SURVEY;
}

void SetupDlg::UpdateLargeLayoutPage(int pageState) {
    switch (pageState) {
        case PAGE_SURVEY:
            ShowUninstallingPage(false);
            ShowResultPage(false);
            ShowSurveyPage(true);
            break;
        case PAGE_UNINSTALLING:
            ShowSurveyPage(false);
            ShowResultPage(false);
            ShowUninstallingPage(true);
            break;
        case PAGE_UNINSTALLED:
        case PAGE_UNINSTALL_FAILED: {
            ShowSurveyPage(false);
            ShowUninstallingPage(false);
            ShowResultPage(true);
            std::lock_guard<std::recursive_mutex> guard(m_uiLock);
            if (m_resultLabel != nullptr) m_resultLabel->SetText(GetLangText(pageState == PAGE_UNINSTALLED ? 79 : 80));
            break;
        }
        default: break;
    }
}
