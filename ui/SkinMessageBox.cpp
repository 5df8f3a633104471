#include "ui/SkinMessageBox.h"

#include <cwchar>

#include "platform/Win32.h"
#include "ui/BoxLayout.h"
#include "ui/BoxMouse.h"
#include "ui/DialogBinding.h"
#include "ui/OffscreenPaint.h"

namespace {

using Binding = DialogBinding<SkinMessageBox>;

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kMessageColor = 0x373737;
constexpr int kBandHeight = 36;
constexpr int kFooterHeight = 54;

}  // namespace

SkinMessageBox::SkinMessageBox(HWND, int smallIcon) : m_smallIcon(smallIcon) {
    m_bFixedSize = true;
    m_nDesignWidth = 480;
    m_nDesignHeight = 225;
    m_nEndDialogMask = END_DIALOG_ON_CANCEL | END_DIALOG_ON_OK;
}

SkinMessageBox::~SkinMessageBox() {
    m_repaint.Stop();
    m_paintList.clear();
    m_mouseList.clear();
    m_controls.clear();
    if (m_font != nullptr) DeleteObject(m_font);
}

int SkinMessageBox::Show(HWND parent, const std::wstring& title, const std::wstring& message,
                         const std::wstring& button) {
    return Run(parent, 1, 0, 0, 0, title, message, button, std::wstring());
}

int SkinMessageBox::ShowYesNo(HWND parent, const std::wstring& title, const std::wstring& message,
                              const std::wstring& firstButton, const std::wstring& secondButton) {
    int result = Run(parent, 1, 1, 0, 0, title, message, firstButton, secondButton);
    return result == kFirstButtonId ? kFirstButtonId : kSecondButtonId;
}

int SkinMessageBox::ShowYesNoSized(HWND parent, const std::wstring& title, const std::wstring& message,
                                   const std::wstring& firstButton, const std::wstring& secondButton, int width,
                                   int height) {
    int result = Run(parent, 0, 1, width, height, title, message, firstButton, secondButton);
    return result == kFirstButtonId ? kFirstButtonId : kSecondButtonId;
}

int SkinMessageBox::Run(HWND parent, int smallIcon, int twoButtons, int width, int height, const std::wstring& title,
                        const std::wstring& message, const std::wstring& firstButton,
                        const std::wstring& secondButton) {
    auto box = std::make_unique<SkinMessageBox>(parent, smallIcon);
    if (width > 0 && height > 0) box->SetSize(width, height);
    box->SetTwoButtons(twoButtons);
    box->SetTexts(title, message, firstButton, secondButton);
    Binding::Expect(box.get());
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kDialogResource), parent, &Binding::Procedure, 0);
    Binding::Cancel(box.get());
    int result = box->GetResult();
    box.reset();  // joins the repaint thread, then frees the controls
    return result;
}

SkinMessageBox* SkinMessageBox::FromWindow(HWND hwnd) {
    return reinterpret_cast<SkinMessageBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

void SkinMessageBox::SetSize(int width, int height) {
    m_nDesignWidth = width;
    m_nDesignHeight = height;
}

void SkinMessageBox::SetTwoButtons(int twoButtons) { m_twoButtons = twoButtons; }

void SkinMessageBox::SetTexts(const std::wstring& title, const std::wstring& message, const std::wstring& firstButton,
                              const std::wstring& secondButton) {
    m_title = title;
    m_messageText = message;
    m_firstButtonText = firstButton;
    m_secondButtonText = secondButton;
}

int SkinMessageBox::OnInitDialog(HWND hwnd) {
    CommonDlg::OnInitDialog(hwnd);
    CreateControls();
    ArrangeButtons();
    m_repaint.Start([this] { OnPaint(); }, std::chrono::milliseconds(30));
    return 1;
}

HBITMAP SkinMessageBox::Bitmap(UINT id) { return m_bitmaps.LoadOrDraw(id); }

template <typename Control>
Control* SkinMessageBox::AddControl(std::unique_ptr<Control> control) {
    Control* raw = control.get();
    m_controls.push_back(std::move(control));
    return raw;
}

// Rectangles in design pixels, scaled by the DPI (BoxLayout.h).
void SkinMessageBox::CreateControls() {
    const int W = m_nDesignWidth;
    const int H = m_nDesignHeight;
    HWND hwnd = GetHwnd();
    m_dpi = GetDpi();
    m_bitmaps.SetDpi(m_dpi);

    LOGFONTW logFont{};
    HDC dc = GetDC(hwnd);
    logFont.lfHeight = -MulDiv(14, GetDeviceCaps(dc, LOGPIXELSY), 96);
    ReleaseDC(hwnd, dc);
    std::wcsncpy(logFont.lfFaceName, L"微软雅黑", LF_FACESIZE - 1);
    m_font = CreateFontIndirectW(&logFont);

    auto title = MakeScaledControl<StaticCtrl>(hwnd, m_dpi, 10, 5, W - 100, 30);
    title->SetFont(m_font);
    title->SetTextColor(kWhite);
    title->SetTextFormat(DT_VCENTER | DT_SINGLELINE);
    title->SetText(m_title);
    m_titleLabel = AddControl(std::move(title));
    m_paintList.push_back(m_titleLabel);

    auto close = MakeScaledControl<ButtonCtrlEx>(hwnd, m_dpi, W - 19, 0, W - 2, 21);
    close->SetId(kCloseButtonId);
    close->SetFont(m_font);
    close->SetDrawImage(1);
    close->SetTextColor(kWhite);
    close->SetStateColors(kWhite, kWhite, kWhite, kWhite);
    close->SetStateImages(Bitmap(179), Bitmap(178), Bitmap(180), nullptr);
    m_closeButton = AddControl(std::move(close));
    m_mouseList.push_back(m_closeButton);

    std::unique_ptr<StaticCtrl> icon;
    if (m_smallIcon) {
        icon = MakeScaledControl<StaticCtrl>(hwnd, m_dpi, 20, H / 2 - 15, 50, H / 2 + 15);
        icon->SetStateImages(Bitmap(175), nullptr, nullptr, nullptr);
    } else {
        icon = MakeScaledControl<StaticCtrl>(hwnd, m_dpi, 20, H / 2 - 34, 72, H / 2 + 18);
        icon->SetStateImages(Bitmap(192), nullptr, nullptr, nullptr);
    }
    icon->SetFont(m_font);
    icon->SetDrawImage(1);
    m_icon = AddControl(std::move(icon));
    m_paintList.push_back(m_icon);

    auto message = m_smallIcon ? MakeScaledControl<StaticCtrl>(hwnd, m_dpi, 60, 36, W - 10, H - 54)
                               : MakeScaledControl<StaticCtrl>(hwnd, m_dpi, 104, 30, W - 15, H - 54);
    message->SetFont(m_font);
    message->SetTextColor(kMessageColor);
    message->SetTextFormat(DT_EDITCONTROL | DT_WORDBREAK);  // wraps, centred vertically
    message->SetText(m_messageText);
    m_message = AddControl(std::move(message));
    m_paintList.push_back(m_message);

    auto first = MakeScaledControl<ButtonCtrlEx>(hwnd, m_dpi, W - 220, H - 43, W - 120, H - 11);
    first->SetId(kFirstButtonId);
    first->SetFont(m_font);
    first->SetDrawImage(1);
    first->SetTextColor(kWhite);
    first->SetStateColors(kWhite, kWhite, kWhite, kWhite);
    first->SetStateImages(Bitmap(176), Bitmap(174), Bitmap(177), nullptr);
    first->SetVisible(true);
    first->SetText(m_firstButtonText);
    m_firstButton = AddControl(std::move(first));
    m_mouseList.push_back(m_firstButton);

    auto second = MakeScaledControl<ButtonCtrlEx>(hwnd, m_dpi, W - 110, H - 43, W - 10, H - 11);
    second->SetId(kSecondButtonId);
    second->SetFont(m_font);
    second->SetDrawImage(1);
    second->SetTextColor(kWhite);
    second->SetStateColors(kWhite, kWhite, kWhite, kWhite);
    second->SetStateImages(Bitmap(176), Bitmap(174), Bitmap(177), nullptr);
    second->SetVisible(false);
    second->SetText(m_secondButtonText);
    m_secondButton = AddControl(std::move(second));
    m_mouseList.push_back(m_secondButton);

    for (ButtonCtrlEx* control : m_mouseList) m_paintList.push_back(control);
}

void SkinMessageBox::ArrangeButtons() {
    const int W = m_nDesignWidth;
    const int H = m_nDesignHeight;
    if (m_twoButtons) {
        RECT first = ScaledRect(W - 220, H - 43, W - 120, H - 11, m_dpi);
        RECT second = ScaledRect(W - 110, H - 43, W - 10, H - 11, m_dpi);
        m_firstButton->SetRect(&first);
        m_secondButton->SetRect(&second);
        m_firstButton->SetVisible(true);
        m_secondButton->SetVisible(true);
    } else {
        RECT first = ScaledRect(W / 2 - 50, H - 43, W / 2 + 50, H - 11, m_dpi);
        m_firstButton->SetRect(&first);
        m_secondButton->SetVisible(false);
    }
}

int SkinMessageBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) return OnClose();
    return DispatchBoxMessage(m_mouseList, message, wParam, lParam, m_buttonDown);
}

int SkinMessageBox::OnCommand(WPARAM wParam, LPARAM) {
    switch (wParam) {
        case kCloseButtonId:
        case 1626:
        case kDefaultResult:
        case kFirstButtonId:
        case kSecondButtonId:
            m_result = static_cast<int>(wParam);
            SendMessageW(GetHwnd(), WM_CLOSE, 0, 0);
            return 1;
        default: return 0;
    }
}

int SkinMessageBox::OnClose() {
    // The painter ends before the dialog does; 0 lets the default handling
    // turn WM_CLOSE into IDCANCEL, which ends the dialog.
    m_repaint.Stop(1000);
    return 0;
}

void SkinMessageBox::OnPaint() {
    std::lock_guard<std::mutex> paintGuard(m_paintLock);
    HWND hwnd = GetHwnd();
    RECT client{};
    GetClientRect(hwnd, &client);
    // The whole client area: the window is the design size scaled by the DPI.
    OffscreenPaint frame(hwnd, client.right, client.bottom);
    if (!frame.IsReady()) return;
    HDC memory = frame.Memory();

    RECT band{0, 0, client.right, ScaleForDpi(kBandHeight, m_dpi)};
    RECT footer{0, client.bottom - ScaleForDpi(kFooterHeight, m_dpi), client.right, client.bottom};
    FillSolidRect(memory, &client, kWhite);
    FillSolidRect(memory, &band, RGB(74, 71, 181));
    FillSolidRect(memory, &footer, RGB(247, 251, 253));
    for (CommonCtrl* control : m_paintList) control->Draw(memory);
    frame.Present(client.right, client.bottom);
}
