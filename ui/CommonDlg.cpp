#include "ui/CommonDlg.h"

#include "platform/windowing/Dialogs.h"
#include "platform/base/Environment.h"
#include "platform/drawing/Gdi.h"
#include "platform/windowing/Input.h"
#include "platform/windowing/Windowing.h"

int CommonDlg::OnInitDialog(HWND hwnd) {
    m_hWnd = hwnd;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    if (m_bFixedSize) rect = RECT{0, 0, ScaleByDpi(m_nDesignWidth), ScaleByDpi(m_nDesignHeight)};
    // Centred on the primary screen (not the work area, not the parent).
    MoveWindow(hwnd, (screenWidth + rect.left - rect.right) / 2, (screenHeight + rect.top - rect.bottom) / 2,
               rect.right - rect.left, rect.bottom - rect.top, FALSE);
    return 1;
}

INT_PTR CommonDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    int r = OnMessage(message, wParam, lParam);
    switch (message) {
        case WM_INITDIALOG: OnInitDialog(hwnd); return 1;
        case WM_CREATE: OnCreate(); return 1;
        case WM_PAINT: OnPaint(); return r;
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            if ((id == IDOK && (m_nEndDialogMask & END_DIALOG_ON_OK)) ||
                (id == IDCANCEL && (m_nEndDialogMask & END_DIALOG_ON_CANCEL))) {
                EndDialog(hwnd, 0);
                return 1;
            }
            return OnCommand(wParam, lParam);
        }
        case WM_LBUTTONDOWN:
            if (r != 0) {
                // A control took the press: it keeps the mouse until the release.
                OutputDebugStringW(L"WM_LBUTTONDOWN  SetCapture\n");
                SetCapture(m_hWnd.load());
            } else {
                POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
                ClientToScreen(hwnd, &point);
                SendMessageW(hwnd, WM_NCLBUTTONDOWN, static_cast<WPARAM>(HTCAPTION), MAKELPARAM(point.x, point.y));
            }
            return r;
        case WM_LBUTTONUP:
            OutputDebugStringW(L"WM_LBUTTONDOWN  ReleaseCapture\n");
            ReleaseCapture();
            return r;
        default: return r;
    }
}

int CommonDlg::OnMessage(UINT, WPARAM, LPARAM) { return 0; }
int CommonDlg::OnCommand(WPARAM, LPARAM) { return 0; }

int CommonDlg::GetDpi() {
    HWND hwnd = m_hWnd.load();
    HDC dc = GetDC(hwnd);
    int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(hwnd, dc);
    return dpi;
}

int ScaleForDpi(int v, int dpi) { return static_cast<int>(static_cast<long long>(v) * dpi / 96); }

int CommonDlg::ScaleByDpi(int v) { return ScaleForDpi(v, GetDpi()); }

int CommonDlg::FillSolidRect(HDC hdc, const RECT* rect, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    int result = FillRect(hdc, rect, brush);
    DeleteObject(brush);
    return result;
}

LRESULT CommonDlg::Close() { return SendMessageW(m_hWnd.load(), WM_CLOSE, 0, 0); }
