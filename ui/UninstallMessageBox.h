// The uninstall confirmation: the product name in a title band, the question,
// a check box for removing the user's configuration, "Remove" and "Cancel".
//
// Show returns true only when "Remove" (or the 1628 command) ended the box;
// the close button, "Cancel", Escape or any other end answers "not
// confirmed". Threads as SkinMessageBox: modal on the showing thread, each
// box bound to its own window, its repaint thread joined before deletion.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/BoxBitmaps.h"
#include "ui/ButtonCtrlEx.h"
#include "ui/CheckButtonCtrl.h"
#include "ui/CommonDlg.h"
#include "ui/RepaintThread.h"
#include "ui/StaticCtrl.h"

class UninstallMessageBox : public CommonDlg {
public:
    static constexpr int kCloseButtonId = 1612;
    static constexpr int kCheckBoxId = 1624;
    static constexpr int kRemoveButtonId = 1629;
    static constexpr int kCancelButtonId = 1630;
    static constexpr int kBandHeight = 36;

    UninstallMessageBox();
    ~UninstallMessageBox() override;

    // True when confirmed; writes the check box state into `removeConfiguration`
    // (when not null).
    static bool Show(HWND parent, bool* removeConfiguration);
    static UninstallMessageBox* FromWindow(HWND hwnd);

    int GetResult() const { return m_result; }
    bool GetRemoveConfiguration() { return m_checkBox != nullptr && m_checkBox->GetCheck(); }

    int OnInitDialog(HWND hwnd) override;
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;
    virtual int OnClose();

    bool RepaintRunning() const { return m_repaint.Running(); }

private:
    void CreateControls();
    HBITMAP Bitmap(UINT id);
    int Scaled(int v) const { return ScaleForDpi(v, m_dpi); }
    // The button images 302-305, or the message box's button images when the
    // program has none of them, so the white captions stay readable.
    void SetButtonImages(ButtonCtrlEx* button);
    template <typename Control>
    Control* AddControl(std::unique_ptr<Control> control);

    int m_result = 0;  // non-zero: confirmed
    ButtonCtrlEx* m_removeButton = nullptr;
    ButtonCtrlEx* m_cancelButton = nullptr;
    StaticCtrl* m_message = nullptr;
    CheckButtonCtrlEx* m_checkBox = nullptr;
    ButtonCtrlEx* m_closeButton = nullptr;
    StaticCtrl* m_titleLabel = nullptr;
    std::vector<std::unique_ptr<CommonCtrl>> m_controls;
    std::vector<ButtonCtrlEx*> m_mouseList;  // close, check box, Cancel, Remove
    std::vector<CommonCtrl*> m_paintList;    // title, message, then the mouse list
    bool m_buttonDown = false;
    HFONT m_titleFont = nullptr;
    HFONT m_bodyFont = nullptr;
    int m_dpi = 96;        // the window's, read once when the controls are made
    BoxBitmaps m_bitmaps;  // skin bitmaps at that DPI, owned
    // The repaint thread and WM_PAINT both paint, through the same control
    // bitmaps, and a bitmap is selected into one DC at a time: one paint at a time.
    std::mutex m_paintLock;
    RepaintThread m_repaint;  // declared last: stopped first on destruction
};
