// A small skinned dialog built with the owner-drawn controls, as the
// installer's boxes are: a title band, a close button, a wrapped message, a
// progress bar, a check box, a link and two colour buttons, painted into an
// off-screen buffer and copied to the window in one block.
#pragma once

#include <memory>
#include <vector>

#include "ui/ButtonCtrlEx.h"
#include "ui/CheckButtonCtrl.h"
#include "ui/CommonDlg.h"
#include "ui/ProcessCtrl.h"
#include "ui/StaticCtrl.h"

class SampleDialog : public CommonDlg {
public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 225;
    static constexpr int kInstallId = 1629;
    static constexpr int kCancelId = 1630;
    static constexpr int kCloseId = 1612;
    static constexpr int kCheckId = 1624;

    SampleDialog();
    ~SampleDialog() override;

    // Runs the dialog modally on the calling thread; returns the id of the
    // button that ended it (kInstallId), or 0 when it was closed.
    static INT_PTR Run(HWND owner);
    // The dialog that Run shows right now (null when none).
    static SampleDialog* Current();

    int OnInitDialog(HWND hwnd) override;
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;

    // Paints the whole frame into a DC of at least kWidth × kHeight.
    void PaintFrame(HDC dc);
    CheckButtonCtrlEx* CheckBox() { return m_check; }
    ProcessCtrl* Progress() { return m_progress; }
    ButtonColorCtrlEx* InstallButton() { return m_install; }

private:
    template <typename Control>
    Control* Add(std::unique_ptr<Control> control, bool input);
    HBITMAP MakeBitmap(int width, int height, COLORREF back, COLORREF mark, bool cross);

    std::vector<std::unique_ptr<CommonCtrl>> m_controls;  // the paint list
    std::vector<ButtonCtrlEx*> m_input;                   // the mouse list
    std::vector<HBITMAP> m_bitmaps;
    HFONT m_titleFont = nullptr, m_bodyFont = nullptr, m_linkFont = nullptr, m_linkHoverFont = nullptr;
    CheckButtonCtrlEx* m_check = nullptr;
    ProcessCtrl* m_progress = nullptr;
    ButtonColorCtrlEx* m_install = nullptr;
    bool m_buttonDown = false;
    INT_PTR m_result = 0;
};
