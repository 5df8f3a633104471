// The base of every skinned dialog: turns the dialog procedure's messages
// into virtual calls, sizes the window for the screen's DPI, centres it,
// lets the user drag it by any point no control claims, and ends the dialog
// on OK or Cancel when the end-dialog mask says so.
//
// Each dialog class has one plain dialog procedure that forwards to the
// current object's DialogProc (see SkinMessageBox for the pattern).
// The window handle is set at WM_INITDIALOG on the dialog's thread and may be
// read from painting threads, hence atomic.
#pragma once

#include <atomic>

#include "platform/windowing/WindowTypes.h"

// A length in 96-DPI design pixels at `dpi`: v × dpi / 96, truncating. The
// one scaling rule of the skinned windows (sizes, layouts, bitmaps).
int ScaleForDpi(int v, int dpi);

// End-dialog mask bits.
constexpr int END_DIALOG_ON_CANCEL = 1;  // IDCANCEL ends the dialog
constexpr int END_DIALOG_ON_OK = 2;      // IDOK ends the dialog

class CommonDlg {
public:
    CommonDlg() = default;
    virtual ~CommonDlg() = default;
    CommonDlg(const CommonDlg&) = delete;
    CommonDlg& operator=(const CommonDlg&) = delete;

    // Stores the window, gives a fixed-size dialog its DPI-scaled design size,
    // centres it on the primary screen; returns 1.
    virtual int OnInitDialog(HWND hwnd);
    // The dispatcher: OnMessage first for every message, then by message.
    virtual INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    virtual int OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual int OnCommand(WPARAM wParam, LPARAM lParam);
    virtual int Reserved(int, int) { return 0; }
    virtual void OnPaint() {}
    virtual void OnCreate() {}
    // LOGPIXELSX of the dialog window's DC.
    virtual int GetDpi();
    // v × DPI / 96, truncating.
    virtual int ScaleByDpi(int v);
    virtual int FillSolidRect(HDC hdc, const RECT* rect, COLORREF color);

    // Sends WM_CLOSE to the window and returns the result.
    LRESULT Close();
    HWND GetHwnd() const { return m_hWnd.load(); }

protected:
    std::atomic<HWND> m_hWnd{nullptr};
    bool m_bFixedSize = false;
    int m_nDesignWidth = 0;
    int m_nDesignHeight = 0;
    int m_nEndDialogMask = END_DIALOG_ON_CANCEL | END_DIALOG_ON_OK;
};
