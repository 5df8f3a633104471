// The skinned message box: a coloured title band, an icon, a wrapped message
// and one or two buttons, on the borderless dialog resource 173.
//
// Results: 1629 the first button, 1630 the second, 1612 the close button,
// 1628 (the initial value) when the box ends any other way (Escape, Enter,
// an outside EndDialog). Callers rely on that default.
//
// Threads: a box runs modally on the thread that shows it; boxes may be open
// on several threads at once, each bound to its own window. While open, a
// repaint thread of the box paints it every 30 ms; it is joined when the box
// closes and always before the box is deleted.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/BoxBitmaps.h"
#include "ui/ButtonCtrlEx.h"
#include "ui/CommonDlg.h"
#include "ui/RepaintThread.h"
#include "ui/StaticCtrl.h"

class SkinMessageBox : public CommonDlg {
public:
    static constexpr int kDialogResource = 173;
    static constexpr int kCloseButtonId = 1612;
    static constexpr int kDefaultResult = 1628;
    static constexpr int kFirstButtonId = 1629;
    static constexpr int kSecondButtonId = 1630;

    // `smallIcon` 1 selects the 30 × 30 icon layout, 0 the 52 × 52 one. The
    // parent is not kept.
    SkinMessageBox(HWND parent, int smallIcon);
    ~SkinMessageBox() override;

    // One button, small icon; returns the result id.
    static int Show(HWND parent, const std::wstring& title, const std::wstring& message, const std::wstring& button);
    // Two buttons, small icon; 1629 for the first button, 1630 otherwise.
    static int ShowYesNo(HWND parent, const std::wstring& title, const std::wstring& message,
                         const std::wstring& firstButton, const std::wstring& secondButton);
    // As ShowYesNo with a design size of its own and the large icon.
    static int ShowYesNoSized(HWND parent, const std::wstring& title, const std::wstring& message,
                              const std::wstring& firstButton, const std::wstring& secondButton, int width, int height);

    // The box bound to a window that one of the show operations opened, or null.
    static SkinMessageBox* FromWindow(HWND hwnd);

    void SetSize(int width, int height);
    void SetTwoButtons(int twoButtons);
    void SetTexts(const std::wstring& title, const std::wstring& message, const std::wstring& firstButton,
                  const std::wstring& secondButton);
    int GetResult() const { return m_result; }

    int OnInitDialog(HWND hwnd) override;
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;
    virtual int OnClose();

    // For tests: the controls' rectangles in client pixels (design pixels
    // scaled by the box's DPI).
    CommonRect FirstButtonRect() { return m_firstButton ? m_firstButton->GetRect() : CommonRect(0, 0, 0, 0); }
    CommonRect SecondButtonRect() { return m_secondButton ? m_secondButton->GetRect() : CommonRect(0, 0, 0, 0); }
    bool SecondButtonVisible() { return m_secondButton != nullptr && m_secondButton->IsVisible(); }
    CommonRect IconRect() { return m_icon ? m_icon->GetRect() : CommonRect(0, 0, 0, 0); }
    CommonRect MessageRect() { return m_message ? m_message->GetRect() : CommonRect(0, 0, 0, 0); }
    bool RepaintRunning() const { return m_repaint.Running(); }
    const std::wstring& MessageText() const { return m_messageText; }

private:
    static int Run(HWND parent, int smallIcon, int twoButtons, int width, int height, const std::wstring& title,
                   const std::wstring& message, const std::wstring& firstButton, const std::wstring& secondButton);
    void CreateControls();
    void ArrangeButtons();
    HBITMAP Bitmap(UINT id);
    template <typename Control>
    Control* AddControl(std::unique_ptr<Control> control);

    int m_result = kDefaultResult;
    int m_twoButtons = 0;
    ButtonCtrlEx* m_closeButton = nullptr;
    ButtonCtrlEx* m_firstButton = nullptr;
    ButtonCtrlEx* m_secondButton = nullptr;
    StaticCtrl* m_titleLabel = nullptr;
    StaticCtrl* m_icon = nullptr;
    StaticCtrl* m_message = nullptr;
    std::wstring m_title;
    std::wstring m_messageText;
    std::wstring m_firstButtonText;
    std::wstring m_secondButtonText;
    std::vector<std::unique_ptr<CommonCtrl>> m_controls;  // owns every control
    std::vector<ButtonCtrlEx*> m_mouseList;               // close, first, second
    std::vector<CommonCtrl*> m_paintList;                 // title, icon, message, then the mouse list
    bool m_buttonDown = false;
    int m_smallIcon = 1;
    HFONT m_font = nullptr;
    int m_dpi = 96;        // the window's, read once when the controls are made
    BoxBitmaps m_bitmaps;  // skin bitmaps at that DPI, owned
    // The repaint thread and WM_PAINT both paint, through the same control
    // bitmaps, and a bitmap is selected into one DC at a time: one paint at a time.
    std::mutex m_paintLock;
    RepaintThread m_repaint;  // declared last: stopped first on destruction
};
