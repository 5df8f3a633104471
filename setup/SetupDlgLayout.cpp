// The compact layout: every owner-drawn control of the main dialog, the
// options panel that the "Custom" toggle folds out below the window, and the
// control table of each page.
#include <cwchar>

#include "platform/drawing/Gdi.h"
#include "setup/FallbackArt.h"
#include "setup/ProductConfig.h"
#include "setup/SetupDlg.h"
#include "setup/SetupOptions.h"
#include "ui/lang/Language.h"
#include "util/StringConvert.h"

namespace {

constexpr int W = SetupDlg::kDesignWidth;
constexpr int H = SetupDlg::kDesignHeight;

// Font heights: the frames are composed in design pixels (96 DPI) and scaled
// to the screen as a whole, so fonts are made for 96 DPI too.
constexpr int kFrameDpi = 96;
int PointHeight(int points) { return -MulDiv(points, kFrameDpi, 72); }
int PixelHeight(int pixels) { return -MulDiv(pixels, kFrameDpi, 96); }

}  // namespace

template <typename Control>
Control* SetupDlg::AddControl(std::unique_ptr<Control> control, bool input) {
    Control* raw = control.get();
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    if constexpr (std::is_base_of_v<ButtonCtrlEx, Control>) {
        if (input) m_inputList.push_back(raw);
        else m_paintList.push_back(raw);
    } else {
        m_paintList.push_back(raw);
    }
    m_controls.push_back(std::move(control));
    return raw;
}

template <typename Control>
Control* SetupDlg::OwnControl(std::unique_ptr<Control> control) {
    Control* raw = control.get();
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    m_controls.push_back(std::move(control));
    return raw;
}

HBITMAP SetupDlg::Bitmap(UINT id) {
    if (id == 0) return nullptr;
    HBITMAP bitmap = LoadSkinBitmap(id);
    if (bitmap == nullptr) bitmap = DrawDialogFallbackBitmap(id);
    if (bitmap != nullptr) m_bitmaps.push_back(bitmap);
    return bitmap;
}

HFONT SetupDlg::MakeFaceFont(int pixels, bool bold, const std::wstring& face) {
    LOGFONTW font{};
    font.lfHeight = PixelHeight(pixels);
    font.lfWeight = bold ? 700 : 0;
    std::wcsncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
    HFONT handle = CreateFontIndirectW(&font);
    if (handle != nullptr) m_fonts.push_back(handle);
    return handle;
}

HFONT SetupDlg::MakeButtonFont() {
    return MakeFont(IsSystemLanguageJapanese() ? PixelHeight(12) : PointHeight(11), false);
}

std::vector<ButtonCtrlEx*> SetupDlg::MouseControls() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    std::vector<ButtonCtrlEx*> controls = m_inputList;
    for (const SurveyRowEntry& row : m_surveyRows)
        for (ButtonCtrlEx* control :
             {static_cast<ButtonCtrlEx*>(row.checkBox), row.button, static_cast<ButtonCtrlEx*>(row.link)})
            if (control != nullptr) controls.push_back(control);
    for (const MoreAppsRowEntry& row : m_moreAppsRows)
        if (row.control != nullptr) controls.push_back(row.control);
    return controls;
}

void SetupDlg::CreateTitleControls(int closeLeft, int minimizeLeft, COLORREF versionColour) {
    HWND hwnd = GetHwnd();
    const bool x64 = m_setupInfo.m_is64Bit != 0;
    auto close = std::make_unique<ButtonCtrlEx>(hwnd, closeLeft, 0, closeLeft + 17, 21);
    m_closeImages[0] = Bitmap(140);
    m_closeImages[1] = Bitmap(143);
    m_closeImages[2] = Bitmap(142);
    close->SetStateImages(m_closeImages[0], m_closeImages[1], m_closeImages[2], nullptr);
    close->SetDrawImage(1);
    close->SetId(IDC_SETUP_CLOSE);
    m_closeButton = AddControl(std::move(close), true);

    auto minimize = std::make_unique<ButtonCtrlEx>(hwnd, minimizeLeft, 0, minimizeLeft + 17, 21);
    minimize->SetStateImages(Bitmap(144), Bitmap(147), Bitmap(146), nullptr);
    minimize->SetDrawImage(1);
    minimize->SetId(IDC_SETUP_MINIMIZE);
    m_minimizeButton = AddControl(std::move(minimize), true);

    auto logo = std::make_unique<StaticCtrl>(hwnd, 0, 0, 206, 45);
    logo->SetStateImages(Bitmap(x64 ? 187 : 138), nullptr, nullptr, nullptr);
    logo->SetDrawImage(1);
    m_logoPicture = AddControl(std::move(logo), false);

    auto finishLogo = std::make_unique<StaticCtrl>(hwnd, 0, 0, 206, 45);
    finishLogo->SetStateImages(Bitmap(x64 ? 188 : 139), nullptr, nullptr, nullptr);
    finishLogo->SetDrawImage(1);
    finishLogo->SetVisible(false);
    m_finishLogoPicture = AddControl(std::move(finishLogo), false);

    auto version = std::make_unique<StaticCtrl>(hwnd, 13, 39, 413, 59);
    version->SetFont(MakeFont(PixelHeight(12), false));
    version->SetTextColor(versionColour);
    version->SetStateColors(versionColour, versionColour, versionColour, versionColour);
    version->SetTextFormat(0x24);
    version->SetVisible(false);
    m_versionLabel = AddControl(std::move(version), false);
}

std::wstring SetupDlg::GetUiFontName() { return m_compact ? std::wstring(L"微软雅黑") : std::wstring(); }

COLORREF SetupDlg::GetBackgroundColor() { return m_compact ? 0xFFFFFF : 0xFAF8F7; }

int SetupDlg::CreateControls() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    m_inputList.clear();
    m_paintList.clear();
    if (!m_compact) {
        if (GetProductConfig()->UseLargeLayout()) CreateLargeLayout();
        else CreateUninstallLayout();
        return 0;
    }
    HWND hwnd = GetHwnd();
    bool silent = SetupOptions::IsSilent() != 0;
    ProductColors colors = GetProductConfig()->GetColors();

    int l4 = GetLangLayoutValue(4);
    auto install = std::make_unique<ButtonColorCtrlEx>(hwnd, (W - l4) / 2, H - 51, (W - l4) / 2 + l4, H - 11);
    install->SetId(IDC_SETUP_INSTALL);
    install->SetText(GetLangText(0));
    install->SetFont(MakeFont(PointHeight(20), false));
    install->SetStateColors(colors.values[0], colors.values[1], colors.values[2], colors.values[3]);
    install->SetBorderColors(colors.values[4], colors.values[5], colors.values[6], colors.values[7]);
    install->SetFillColors(colors.values[8], colors.values[9], colors.values[10], colors.values[11]);
    install->SetBorderWidth(2);
    install->SetDrawImage(0);
    m_installButtonLayoutRect = install->GetRect();
    m_installButton = AddControl(std::move(install), true);

    auto ring = std::make_unique<StaticCtrl>(hwnd, m_ringX, m_ringY, m_ringX + 311, m_ringY + 311);
    ring->SetStateImages(Bitmap(190), nullptr, nullptr, nullptr);
    ring->SetDrawImage(1);
    m_ringPicture = AddControl(std::move(ring), false);

    // The install path: a silent run's own, an earlier install's folder that
    // still exists, or the default folder.
    std::wstring installPath;
    if (silent && !SetupOptions::GetInstallPath().empty()) {
        installPath = SetupOptions::GetInstallPath();
    } else {
        std::string old = FindOldInstallPath();
        if (!old.empty() && PathFileExistsA(old.c_str())) installPath = ToWideString(old);
        else installPath = GetDefaultInstallDir();
    }
    {
        std::lock_guard<std::mutex> textGuard(m_textLock);
        m_installPath = installPath;
    }
    AccentColors accents = GetProductConfig()->GetColors2();
    for (int i = 0; i < 4; ++i) m_accent[i] = accents.values[i];

    auto countdown = std::make_unique<StaticCtrl>(hwnd, 3, H - 94, W - 3, H - 57);
    countdown->SetFont(MakeFont(PixelHeight(14), false));
    countdown->SetTextColor(m_accent[2]);
    countdown->SetStateColors(m_accent[0], m_accent[0], m_accent[0], m_accent[0]);
    countdown->SetTextFormat(0x19);
    countdown->SetVisible(!silent);
    m_countdownLabel = AddControl(std::move(countdown), false);

    if (!silent) {
        CreateOptionsPanel();
        ShowOptionsPanel(false);
    }

    CreateTitleControls(W - 22, W - 42, m_accent[1]);
    m_closeFinishedImages[0] = Bitmap(148);
    m_closeFinishedImages[1] = m_closeImages[1];
    m_closeFinishedImages[2] = m_closeImages[2];
    m_minimizeFinishedImages[0] = Bitmap(149);
    m_minimizeFinishedImages[1] = Bitmap(151);
    m_minimizeFinishedImages[2] = Bitmap(150);

    UpdateCtrlStatus(m_pageState);
    // Paint order: the pictures and labels first, then every input control.
    for (ButtonCtrlEx* control : m_inputList) m_paintList.push_back(control);
    return 0;
}

void SetupDlg::CreateOptionsPanel() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    HWND hwnd = GetHwnd();
    const int l0 = GetLangLayoutValue(0), l1 = GetLangLayoutValue(1), l2 = GetLangLayoutValue(2),
              l3 = GetLangLayoutValue(3);
    HFONT toggleFont = MakeFont(PixelHeight(14), false);
    HFONT panelFont = MakeFont(PixelHeight(14), false);
    HFONT hoverFont = MakeFont(PixelHeight(14), true);
    HBITMAP box[4] = {Bitmap(157), Bitmap(158), Bitmap(159), Bitmap(160)};

    auto toggle = std::make_unique<CheckButtonCtrlEx>(hwnd, W - 148, H - 46, W - 13, H - 20);
    toggle->SetId(IDC_SETUP_CUSTOM);
    toggle->SetText(GetLangText(1));
    toggle->SetFont(toggleFont);
    toggle->SetStateColors(0xCEC0A3, 0xE3A378, 0xE3A378, 0xCCCBC2);
    toggle->SetTextFormat(0x26);
    toggle->SetBoxRect(121, 9, 14, 8);
    toggle->SetTextRect(0, 0, 119, 26);
    HBITMAP toggleOpen = Bitmap(166), toggleClosed = Bitmap(168);
    toggle->SetStateImages(Bitmap(165), toggleOpen, toggleOpen, nullptr);
    toggle->SetCheckedImages(Bitmap(167), toggleClosed, toggleClosed, nullptr);
    toggle->SetDrawImage(1);
    toggle->SetCheck(false);
    m_optionsToggle = AddControl(std::move(toggle), true);

    auto checkBox = [&](int command, int textId, int left, int top, int right, int bottom, int textWidth) {
        auto control = std::make_unique<CheckButtonCtrlEx>(hwnd, left, top, right, bottom);
        control->SetId(command);
        control->SetText(GetLangText(textId));
        control->SetFont(panelFont);
        control->SetStateColors(0x777777, 0x777777, 0x777777, 0x777777);
        control->SetTextFormat(0x24);
        control->SetBoxRect(0, 3, 14, 14);
        control->SetTextRect(20, 0, textWidth, 20);
        control->SetStateImages(box[0], box[1], box[2], nullptr);
        control->SetCheckedImages(box[2], box[3], box[0], nullptr);
        control->SetDrawImage(1);
        control->SetVisible(false);
        return control;
    };
    auto link = [&](int command, int textId, int left, int top, int right, int bottom) {
        auto control = std::make_unique<HyLinkCtrlEx>(hwnd, left, top, right, bottom);
        control->SetId(command);
        control->SetText(GetLangText(textId));
        control->SetFont(panelFont);
        control->SetHoverFont(hoverFont);
        control->SetStateColors(0xE58C19, 0xE58C19, 0xE58C19, 0xE58C19);
        control->SetTextFormat(0x24);
        control->SetVisible(false);
        return control;
    };

    auto license = checkBox(IDC_SETUP_LICENSE, 2, 44, H + 8, 44 + l0, H + 28, l0 - 25);
    license->SetCheck(true);
    m_licenseBox = AddControl(std::move(license), true);
    m_licenseLink = AddControl(link(IDC_SETUP_LICENSE_LINK, 3, 44 + l0, H + 8, 44 + l0 + l1, H + 28), true);

    m_editRect = RECT{44, H + 43, 549, H + 69};
    int scaledLeft = ScaleByDpi(m_editRect.left), scaledTop = ScaleByDpi(m_editRect.top);
    m_editBox = CreateWindowExW(0, L"edit", GetInstallPath().c_str(), 0x50800024, scaledLeft, scaledTop,
                                ScaleByDpi(m_editRect.right) - scaledLeft, ScaleByDpi(m_editRect.bottom) - scaledTop,
                                hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (m_editBox != nullptr) {
        HDC screen = GetDC(hwnd);
        int logPixelsY = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(hwnd, screen);
        LOGFONTW font{};
        font.lfHeight = -MulDiv(14, logPixelsY, 96);  // a real window at the screen's DPI
        std::wcsncpy(font.lfFaceName, GetUiFontName().c_str(), LF_FACESIZE - 1);
        HFONT editFont = CreateFontIndirectW(&font);
        if (editFont != nullptr) m_fonts.push_back(editFont);
        SendMessageW(m_editBox, WM_SETFONT, reinterpret_cast<WPARAM>(editFont), 1);
        RECT client{};
        GetClientRect(m_editBox, &client);
        client.left += 4;
        client.right += 4;
        client.top += 1;
        client.bottom += 1;
        SendMessageW(m_editBox, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&client));
    }

    auto browse = std::make_unique<ButtonCtrlEx>(hwnd, 549, H + 43, 578, H + 69);
    browse->SetId(IDC_SETUP_BROWSE);
    browse->SetStateImages(Bitmap(171), Bitmap(170), Bitmap(169), nullptr);
    browse->SetDrawImage(1);
    browse->SetVisible(true);
    m_browseButton = AddControl(std::move(browse), true);

    int flags = m_optionsFlags;
    auto desktop = checkBox(IDC_SETUP_DESKTOP, 4, 44, H + 79, W / 2 + 100, H + 99, W / 2 + 100 - 44 - 25);
    desktop->SetCheck((flags & 1) != 0);
    m_desktopBox = AddControl(std::move(desktop), true);
    auto runAfter = checkBox(IDC_SETUP_RUN_AFTER, 55, 44, H + 109, W / 2 + 100, H + 129, W / 2 + 100 - 44 - 25);
    runAfter->SetCheck(true);
    m_runAfterBox = AddControl(std::move(runAfter), true);
    auto join = checkBox(IDC_SETUP_JOIN, 7, 44, H + 139, 44 + l2, H + 159, l2 - 25);
    join->SetCheck((flags & 2) != 0);
    m_joinBox = AddControl(std::move(join), true);
    m_programmeLink = AddControl(link(IDC_SETUP_PROGRAMME_LINK, 8, 44 + l2, H + 139, 44 + l2 + l3, H + 159), true);
}

void SetupDlg::ShowOptionsPanel(bool show) {
    HWND hwnd = GetHwnd();
    RECT window{};
    GetWindowRect(hwnd, &window);
    int currentHeight = window.bottom - window.top;
    int targetHeight;
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        if (show) {
            KillTimer(hwnd, TIMER_AUTO_START);  // the countdown stops for good
            if (m_countdownLabel != nullptr) m_countdownLabel->SetVisible(false);
        }
        targetHeight = ScaleByDpi(show ? H + kPanelHeight : H);
        if (m_editBox != nullptr) EnableWindow(m_editBox, show ? TRUE : FALSE);
        for (CommonCtrl* control : {static_cast<CommonCtrl*>(m_licenseBox), static_cast<CommonCtrl*>(m_licenseLink),
                                    static_cast<CommonCtrl*>(m_browseButton), static_cast<CommonCtrl*>(m_desktopBox),
                                    static_cast<CommonCtrl*>(m_joinBox), static_cast<CommonCtrl*>(m_programmeLink),
                                    static_cast<CommonCtrl*>(m_runAfterBox)}) {
            if (control != nullptr) control->SetVisible(show);
        }
    }
    // Window calls go without the UI lock: they send messages.
    if (m_editBox != nullptr) ShowWindow(m_editBox, show ? SW_SHOW : SW_HIDE);
    if (targetHeight != currentHeight) MoveWindow(hwnd, window.left, window.top, ScaleByDpi(W), targetHeight, TRUE);
}

void SetupDlg::ApplyFinishButton() {
    if (m_installButton == nullptr) return;
    // Widened from the rectangle the layout gave the button, never from its
    // current one, so applying the page again changes nothing.
    const RECT* layout = m_installButtonLayoutRect.GetRECT();
    RECT widened{layout->left - 100, layout->top, layout->right + 100, layout->bottom};
    m_installButton->SetRect(&widened);
    m_installButton->SetStateColors(0xBF5300, 0x9300DF, 0xBF5300, 0xD7D7D7);
    m_installButton->SetBorderColors(0, 0, 0, 0);
    m_installButton->SetFillColors(0, 0, 0, 0);
    m_installButton->SetText(GetLangText(m_restartNeeded ? 44 : 9));
    m_installButton->SetVisible(m_installSucceeded != 0);
}

void SetupDlg::UpdateCtrlStatus(int pageState) {
    if (!m_compact) {
        if (m_large) UpdateLargeLayoutPage(pageState);
        return;  // the uninstall layout has no page table
    }
    // Page 0 folds the panel in, which moves the window: done after the lock.
    if (pageState == PAGE_WELCOME) ShowOptionsPanel(false);
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    auto show = [](CommonCtrl* control, bool visible) {
        if (control != nullptr) control->SetVisible(visible);
    };
    switch (pageState) {
        case PAGE_WELCOME:
            show(m_closeButton, true);
            show(m_minimizeButton, true);
            show(m_versionLabel, true);
            if (m_installButton != nullptr) {
                m_installButton->SetText(GetLangText(0));
                m_installButton->SetVisible(true);
            }
            show(m_logoPicture, true);
            show(m_finishLogoPicture, false);
            show(m_ringPicture, true);
            show(m_optionsToggle, true);
            break;
        case PAGE_BUSY:
            show(m_closeButton, !m_downloadEnded);
            show(m_minimizeButton, false);
            show(m_versionLabel, false);
            show(m_installButton, false);
            show(m_logoPicture, false);
            show(m_finishLogoPicture, false);
            show(m_ringPicture, false);
            show(m_countdownLabel, false);
            break;
        case PAGE_FINISHED:
            if (m_closeButton != nullptr) {
                m_closeButton->SetStateImages(m_closeFinishedImages[0], m_closeFinishedImages[1],
                                              m_closeFinishedImages[2], nullptr);
                m_closeButton->SetVisible(true);
            }
            if (m_minimizeButton != nullptr) {
                m_minimizeButton->SetStateImages(m_minimizeFinishedImages[0], m_minimizeFinishedImages[1],
                                                 m_minimizeFinishedImages[2], nullptr);
                m_minimizeButton->SetVisible(true);
            }
            ApplyFinishButton();
            show(m_logoPicture, false);
            show(m_finishLogoPicture, true);
            show(m_ringPicture, false);
            break;
        case PAGE_FAILED:
            show(m_closeButton, true);
            if (m_installButton != nullptr) {
                m_installButton->SetText(GetLangText(14));
                m_installButton->SetVisible(true);
            }
            show(m_logoPicture, true);
            show(m_finishLogoPicture, false);
            show(m_ringPicture, true);
            break;
        default: break;  // pages 4 to 7 belong to the large layout
    }
}

// The uninstall and large layouts add their controls through the same templates.
template StaticCtrl* SetupDlg::AddControl<StaticCtrl>(std::unique_ptr<StaticCtrl>, bool);
template CheckButtonCtrl* SetupDlg::AddControl<CheckButtonCtrl>(std::unique_ptr<CheckButtonCtrl>, bool);
template ButtonCtrlEx* SetupDlg::AddControl<ButtonCtrlEx>(std::unique_ptr<ButtonCtrlEx>, bool);
template ProcessCtrl* SetupDlg::AddControl<ProcessCtrl>(std::unique_ptr<ProcessCtrl>, bool);
template ButtonColorWithTitleCtrl* SetupDlg::AddControl<ButtonColorWithTitleCtrl>(
    std::unique_ptr<ButtonColorWithTitleCtrl>, bool);
template CheckButtonCtrlEx* SetupDlg::OwnControl<CheckButtonCtrlEx>(std::unique_ptr<CheckButtonCtrlEx>);
template StaticCtrl* SetupDlg::OwnControl<StaticCtrl>(std::unique_ptr<StaticCtrl>);
template ButtonCtrlEx* SetupDlg::OwnControl<ButtonCtrlEx>(std::unique_ptr<ButtonCtrlEx>);
template HyLinkCtrlEx* SetupDlg::OwnControl<HyLinkCtrlEx>(std::unique_ptr<HyLinkCtrlEx>);
