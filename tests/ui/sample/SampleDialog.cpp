#include "tests/ui/sample/SampleDialog.h"

#include <atomic>
#include <cwchar>
#include <type_traits>

#include "platform/Win32.h"

namespace {

std::atomic<SampleDialog*> g_current{nullptr};

INT_PTR SampleDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    SampleDialog* dialog = g_current.load();
    return dialog != nullptr ? dialog->DialogProc(hwnd, message, wParam, lParam) : 0;
}

HFONT MakeFont(int pixels, const wchar_t* face, LONG weight, bool underline) {
    LOGFONTW logFont{};
    logFont.lfHeight = -pixels;
    logFont.lfWeight = weight;
    logFont.lfUnderline = underline ? 1 : 0;
    std::wcsncpy(logFont.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&logFont);
}

}  // namespace

SampleDialog::SampleDialog() {
    m_bFixedSize = true;
    m_nDesignWidth = kWidth;
    m_nDesignHeight = kHeight;
}

SampleDialog::~SampleDialog() {
    m_controls.clear();
    for (HBITMAP bitmap : m_bitmaps) DeleteObject(bitmap);
    for (HFONT font : {m_titleFont, m_bodyFont, m_linkFont, m_linkHoverFont})
        if (font != nullptr) DeleteObject(font);
}

INT_PTR SampleDialog::Run(HWND owner) {
    SampleDialog dialog;
    g_current = &dialog;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(173), owner, SampleDialogProc, 0);
    g_current = nullptr;
    return dialog.m_result;
}

SampleDialog* SampleDialog::Current() { return g_current.load(); }

template <typename Control>
Control* SampleDialog::Add(std::unique_ptr<Control> control, bool input) {
    Control* raw = control.get();
    if constexpr (std::is_base_of_v<ButtonCtrlEx, Control>) {
        if (input) m_input.push_back(raw);
    }
    m_controls.push_back(std::move(control));
    return raw;
}

HBITMAP SampleDialog::MakeBitmap(int width, int height, COLORREF back, COLORREF mark, bool cross) {
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    FillSolidRect(dc, &all, back);
    for (int i = 0; i < width && i < height; ++i) {
        if (cross) {
            // A cross for the close button, a tick-like bar for the box.
            if (i >= 5 && i < width - 5) {
                SetPixel(dc, i, i + (height - width) / 2, mark);
                SetPixel(dc, width - 1 - i, i + (height - width) / 2, mark);
            }
        } else if (i >= 3 && i < width - 3) {
            SetPixel(dc, i, height / 2, mark);
            SetPixel(dc, i, height / 2 + 1, mark);
        }
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    m_bitmaps.push_back(bitmap);
    return bitmap;
}

int SampleDialog::OnInitDialog(HWND hwnd) {
    CommonDlg::OnInitDialog(hwnd);
    const int W = kWidth, H = kHeight;
    m_titleFont = MakeFont(16, L"微软雅黑", FW_BOLD, false);
    m_bodyFont = MakeFont(14, L"ArialMT", FW_NORMAL, false);
    m_linkFont = MakeFont(14, L"ArialMT", FW_NORMAL, false);
    m_linkHoverFont = MakeFont(14, L"ArialMT", FW_NORMAL, true);

    auto title = std::make_unique<StaticCtrl>(hwnd, 10, 5, W - 100, 30);
    title->SetFont(m_titleFont);
    title->SetTextColor(0xFFFFFF);
    title->SetTextFormat(DT_VCENTER | DT_SINGLELINE);
    title->SetText(L"示例 Sample installer");
    Add(std::move(title), false);

    auto message = std::make_unique<StaticCtrl>(hwnd, 20, 44, W - 20, 104);
    message->SetFont(m_bodyFont);
    message->SetTextColor(0x373737);
    message->SetTextFormat(DT_EDITCONTROL | DT_WORDBREAK);
    message->SetText(
        L"The package is downloaded from several mirrors at once, checked block by block "
        L"and installed silently. This text wraps over lines.");
    Add(std::move(message), false);

    auto progress = std::make_unique<ProcessCtrl>(hwnd, 20, 110, W - 20, 122);
    progress->SetBorder(1, RGB(204, 204, 204));
    progress->SetBarColors(RGB(74, 71, 181), RGB(235, 235, 240));
    m_progress = Add(std::move(progress), false);
    m_progress->SetRange(0, 100);
    m_progress->SetPos(62);

    auto check = std::make_unique<CheckButtonCtrlEx>(hwnd, 20, 134, 250, 156);
    HBITMAP off = MakeBitmap(14, 14, RGB(255, 255, 255), RGB(160, 160, 160), false);
    HBITMAP offHover = MakeBitmap(14, 14, RGB(235, 235, 250), RGB(74, 71, 181), false);
    HBITMAP on = MakeBitmap(14, 14, RGB(74, 71, 181), RGB(255, 255, 255), false);
    check->SetStateImages(off, offHover, on, nullptr);
    check->SetCheckedImages(on, on, off, nullptr);
    check->SetDrawImage(1);
    check->SetBoxRect(0, 4, 14, 14);
    check->SetTextRect(22, 2, 200, 20);
    check->SetTextFormat(DT_SINGLELINE | DT_VCENTER);
    check->SetStateColors(0x4A4A4A, 0x4A4A4A, 0x4A4A4A, 0x999999);
    check->SetFont(m_bodyFont);
    check->SetText(L"Create a desktop shortcut");
    check->SetId(kCheckId);
    m_check = Add(std::move(check), true);

    auto link = std::make_unique<HyLinkCtrlEx>(hwnd, 300, 134, W - 20, 156);
    link->SetFont(m_linkFont);
    link->SetHoverFont(m_linkHoverFont);
    link->SetStateColors(RGB(0, 102, 204), RGB(0, 80, 170), RGB(0, 60, 140), RGB(150, 150, 150));
    link->SetTextFormat(DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    link->SetText(L"Privacy policy");
    Add(std::move(link), true);

    auto close = std::make_unique<ButtonCtrlEx>(hwnd, W - 19, 0, W - 2, 21);
    close->SetStateImages(MakeBitmap(17, 21, RGB(74, 71, 181), 0xFFFFFF, true),
                          MakeBitmap(17, 21, RGB(104, 101, 211), 0xFFFFFF, true),
                          MakeBitmap(17, 21, RGB(54, 51, 151), 0xFFFFFF, true), nullptr);
    close->SetDrawImage(1);
    close->SetId(kCloseId);
    Add(std::move(close), true);

    auto install = std::make_unique<ButtonColorCtrlEx>(hwnd, W - 220, H - 43, W - 120, H - 11);
    install->SetBorderWidth(1);
    install->SetBorderColors(RGB(54, 51, 151), RGB(54, 51, 151), RGB(34, 31, 121), RGB(180, 180, 180));
    install->SetFillColors(RGB(74, 71, 181), RGB(104, 101, 211), RGB(54, 51, 151), RGB(210, 210, 210));
    install->SetStateColors(0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x999999);
    install->SetFont(m_bodyFont);
    install->SetText(L"Install");
    install->SetId(kInstallId);
    m_install = Add(std::move(install), true);

    auto cancel = std::make_unique<ButtonColorCtrlEx>(hwnd, W - 110, H - 43, W - 10, H - 11);
    cancel->SetBorderWidth(1);
    cancel->SetBorderColors(RGB(190, 190, 190), RGB(150, 150, 150), RGB(120, 120, 120), RGB(220, 220, 220));
    cancel->SetFillColors(RGB(240, 240, 240), RGB(250, 250, 250), RGB(225, 225, 225), RGB(245, 245, 245));
    cancel->SetFont(m_bodyFont);
    cancel->SetText(L"Cancel");
    cancel->SetId(kCancelId);
    Add(std::move(cancel), true);
    return 1;
}

int SampleDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
    int sum = 0;
    switch (message) {
        case WM_ERASEBKGND: return 1;
        case WM_MOUSEMOVE:
            for (ButtonCtrlEx* control : m_input) {
                if ((wParam & MK_LBUTTON) || m_buttonDown) control->OnLButtonDown(x, y);
                else control->OnLButtonUp(x, y);
            }
            for (ButtonCtrlEx* control : m_input) control->OnMouseMove(x, y);
            InvalidateRect(GetHwnd(), nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            m_buttonDown = true;
            for (ButtonCtrlEx* control : m_input) sum += control->OnLButtonDown(x, y);
            InvalidateRect(GetHwnd(), nullptr, FALSE);
            return sum;
        case WM_LBUTTONUP:
            m_buttonDown = false;
            for (ButtonCtrlEx* control : m_input) sum += control->OnLButtonUp(x, y);
            InvalidateRect(GetHwnd(), nullptr, FALSE);
            return sum;
        default: return 0;
    }
}

int SampleDialog::OnCommand(WPARAM wParam, LPARAM) {
    switch (wParam) {
        case kCheckId:
            m_check->SetCheck(!m_check->GetCheck());
            InvalidateRect(GetHwnd(), nullptr, FALSE);
            return 1;
        case kInstallId:
            m_result = kInstallId;
            EndDialog(GetHwnd(), kInstallId);
            return 1;
        case kCancelId:
        case kCloseId: Close(); return 1;
        default: return 0;
    }
}

void SampleDialog::PaintFrame(HDC dc) {
    const int W = kWidth, H = kHeight;
    RECT all{0, 0, W, H}, band{0, 0, W, 36}, footer{0, H - 54, W, H};
    FillSolidRect(dc, &all, RGB(255, 255, 255));
    FillSolidRect(dc, &band, RGB(74, 71, 181));
    FillSolidRect(dc, &footer, RGB(247, 251, 253));
    for (auto& control : m_controls) control->Draw(dc);
}

void SampleDialog::OnPaint() {
    HWND hwnd = GetHwnd();
    HDC window = GetDC(hwnd);
    if (window == nullptr) return;
    HBITMAP buffer = CreateCompatibleBitmap(window, kWidth, kHeight);
    HDC memory = CreateCompatibleDC(window);
    HGDIOBJ previous = SelectObject(memory, buffer);
    PaintFrame(memory);
    BitBlt(window, 0, 0, kWidth, kHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    DeleteObject(buffer);
    DeleteDC(memory);
    ReleaseDC(hwnd, window);
}
