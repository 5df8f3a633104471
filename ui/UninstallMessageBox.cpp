#include "ui/UninstallMessageBox.h"

#include <cwchar>

#include "platform/Win32.h"
#include "ui/BoxLayout.h"
#include "ui/BoxMouse.h"
#include "ui/DialogBinding.h"
#include "ui/OffscreenPaint.h"
#include "ui/SkinMessageBox.h"
#include "ui/lang/Language.h"
#include "util/FontUtil.h"

namespace {

using Binding = DialogBinding<UninstallMessageBox>;

constexpr COLORREF kWhite = 0xFFFFFF;

HFONT MakeFont(HWND hwnd, int designPixels, LONG weight) {
    HDC dc = GetDC(hwnd);
    LOGFONTW logFont{};
    logFont.lfHeight = -MulDiv(designPixels, GetDeviceCaps(dc, LOGPIXELSY), 96);
    logFont.lfWeight = weight;
    ReleaseDC(hwnd, dc);
    std::wcsncpy(logFont.lfFaceName, GetDefaultFontName().c_str(), LF_FACESIZE - 1);
    return CreateFontIndirectW(&logFont);
}

}  // namespace

UninstallMessageBox::UninstallMessageBox() {
    m_bFixedSize = true;
    m_nDesignWidth = 500;
    m_nDesignHeight = 206;
}

UninstallMessageBox::~UninstallMessageBox() {
    m_repaint.Stop();
    m_paintList.clear();
    m_mouseList.clear();
    m_controls.clear();
    for (HFONT font : {m_titleFont, m_bodyFont})
        if (font != nullptr) DeleteObject(font);
}

bool UninstallMessageBox::Show(HWND parent, bool* removeConfiguration) {
    auto box = std::make_unique<UninstallMessageBox>();
    Binding::Expect(box.get());
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(SkinMessageBox::kDialogResource), parent,
                    &Binding::Procedure, 0);
    Binding::Cancel(box.get());
    bool confirmed = box->GetResult() != 0;
    if (removeConfiguration != nullptr) *removeConfiguration = box->GetRemoveConfiguration();
    box.reset();
    return confirmed;
}

UninstallMessageBox* UninstallMessageBox::FromWindow(HWND hwnd) {
    return reinterpret_cast<UninstallMessageBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

int UninstallMessageBox::OnInitDialog(HWND hwnd) {
    CommonDlg::OnInitDialog(hwnd);
    CreateControls();
    m_repaint.Start([this] { OnPaint(); }, std::chrono::milliseconds(30));
    return 1;
}

HBITMAP UninstallMessageBox::Bitmap(UINT id) { return m_bitmaps.LoadOrDraw(id); }

void UninstallMessageBox::SetButtonImages(ButtonCtrlEx* button) {
    // The box's own button images are optional; the message box's stand in.
    if (HBITMAP normal = m_bitmaps.Load(302); normal != nullptr)
        button->SetStateImages(normal, m_bitmaps.Load(303), m_bitmaps.Load(304), m_bitmaps.Load(305));
    else button->SetStateImages(Bitmap(176), Bitmap(174), Bitmap(177), nullptr);
}

template <typename Control>
Control* UninstallMessageBox::AddControl(std::unique_ptr<Control> control) {
    Control* raw = control.get();
    m_controls.push_back(std::move(control));
    return raw;
}

void UninstallMessageBox::CreateControls() {
    // Rectangles in design pixels, scaled by the DPI (BoxLayout.h).
    const int W = 500;
    const int T = kBandHeight;
    HWND hwnd = GetHwnd();
    m_dpi = GetDpi();
    m_bitmaps.SetDpi(m_dpi);
    m_titleFont = MakeFont(hwnd, 16, 700);
    m_bodyFont = MakeFont(hwnd, 14, 0);

    auto title = MakeScaledControl<StaticCtrl>(hwnd, m_dpi, 10, 5, 400, 30);
    title->SetFont(m_titleFont);
    title->SetTextColor(kWhite);
    title->SetTextFormat(DT_VCENTER | DT_SINGLELINE);
    title->SetText(GetLangProductName());
    m_titleLabel = AddControl(std::move(title));

    auto close = MakeScaledControl<ButtonCtrlEx>(hwnd, m_dpi, 481, 0, 498, 21);
    close->SetId(kCloseButtonId);
    close->SetFont(m_titleFont);
    close->SetDrawImage(1);
    close->SetTextColor(kWhite);
    close->SetStateColors(kWhite, kWhite, kWhite, kWhite);
    close->SetStateImages(Bitmap(179), Bitmap(178), Bitmap(180), nullptr);
    m_closeButton = AddControl(std::move(close));

    auto message = MakeScaledControl<StaticCtrl>(hwnd, m_dpi, 20, T + 25, W - 20, T + 55);
    message->SetFont(m_titleFont);
    message->SetTextColor(0x373737);
    message->SetTextFormat(DT_EDITCONTROL | DT_WORDBREAK);
    message->SetText(GetLangText(30));
    m_message = AddControl(std::move(message));

    auto check = MakeScaledControl<CheckButtonCtrlEx>(hwnd, m_dpi, 20, T + 62, W - 20, T + 92);
    check->SetId(kCheckBoxId);
    check->SetDrawImage(1);
    check->SetStateImages(Bitmap(157), Bitmap(158), Bitmap(159), nullptr);
    check->SetCheckedImages(Bitmap(159), Bitmap(160), Bitmap(157), nullptr);
    const int checkWidth = check->GetRect().Width(), checkHeight = check->GetRect().Height();
    check->SetBoxRect(0, Scaled(3), Scaled(14), Scaled(14));
    check->SetTextRect(Scaled(24), Scaled(2), checkWidth - Scaled(25), checkHeight);
    check->SetTextFormat(DT_WORDBREAK);
    check->SetText(GetLangText(29));
    check->SetStateColors(0x4A4A4A, 0x4A4A4A, 0x4A4A4A, 0x4A4A4A);
    check->SetCheck(false);
    check->SetVisible(true);
    check->SetFont(m_bodyFont);
    m_checkBox = AddControl(std::move(check));

    auto cancel = MakeScaledControl<ButtonCtrlEx>(hwnd, m_dpi, W - 120, T + 113, W - 20, T + 145);
    cancel->SetId(kCancelButtonId);
    cancel->SetDrawImage(1);
    cancel->SetFont(m_bodyFont);
    cancel->SetTextColor(kWhite);
    cancel->SetStateColors(kWhite, kWhite, kWhite, kWhite);
    SetButtonImages(cancel.get());
    cancel->SetVisible(true);
    cancel->SetText(GetLangText(12));
    m_cancelButton = AddControl(std::move(cancel));

    auto remove = MakeScaledControl<ButtonCtrlEx>(hwnd, m_dpi, W - 230, T + 113, W - 130, T + 145);
    remove->SetId(kRemoveButtonId);
    remove->SetDrawImage(1);
    remove->SetFont(m_bodyFont);
    remove->SetTextColor(kWhite);
    remove->SetStateColors(kWhite, kWhite, kWhite, kWhite);
    SetButtonImages(remove.get());
    remove->SetVisible(true);
    remove->SetText(GetLangText(59));
    m_removeButton = AddControl(std::move(remove));

    m_mouseList = {m_closeButton, m_checkBox, m_cancelButton, m_removeButton};
    m_paintList = {m_titleLabel, m_message};
    for (ButtonCtrlEx* control : m_mouseList) m_paintList.push_back(control);
}

int UninstallMessageBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) return OnClose();
    return DispatchBoxMessage(m_mouseList, message, wParam, lParam, m_buttonDown);
}

int UninstallMessageBox::OnCommand(WPARAM wParam, LPARAM) {
    switch (wParam) {
        case kCloseButtonId:
        case 1626:
        case kCancelButtonId:
            m_result = 0;
            SendMessageW(GetHwnd(), WM_CLOSE, 0, 0);
            return 1;
        case 1628:
        case kRemoveButtonId:
            m_result = 1;
            SendMessageW(GetHwnd(), WM_CLOSE, 0, 0);
            return 1;
        case kCheckBoxId: m_checkBox->SetCheck(!m_checkBox->GetCheck()); return 1;
        default: return 0;
    }
}

int UninstallMessageBox::OnClose() {
    m_repaint.Stop(1000);
    return 0;
}

void UninstallMessageBox::OnPaint() {
    std::lock_guard<std::mutex> paintGuard(m_paintLock);
    HWND hwnd = GetHwnd();
    RECT client{};
    GetClientRect(hwnd, &client);
    OffscreenPaint frame(hwnd, client.right, client.bottom);
    if (!frame.IsReady()) return;
    HDC memory = frame.Memory();

    RECT band{0, 0, client.right, Scaled(kBandHeight)};
    RECT body{0, band.bottom, client.right, client.bottom};
    FillSolidRect(memory, &band, RGB(74, 71, 181));
    FillSolidRect(memory, &body, RGB(242, 243, 245));
    for (CommonCtrl* control : m_paintList) control->Draw(memory);
    frame.Present(client.right, client.bottom);
}
