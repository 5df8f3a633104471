// The base of the owner-drawn controls. A control is a plain object, not a
// window: it knows its rectangle in the owner dialog's client area, its text,
// font, colours and state bitmaps, and draws itself into a DC the owner
// passes in (as a rule the owner's off-screen buffer).
//
// Threads: the dialog's thread runs the mouse handlers while painting threads
// draw and workers change texts and states. State, pressed, visible, enabled
// and draw-image are atomics; every other field is guarded by the control's
// lock. Draw copies what it needs under the lock and paints without it, and
// no lock is held while a click message is sent.
//
// Bitmaps and fonts belong to the owner dialog, never to the control.
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/WindowTypes.h"
#include "ui/CommonRect.h"

// Button states.
constexpr int CTRL_STATE_NORMAL = 0;
constexpr int CTRL_STATE_HOVER = 1;
constexpr int CTRL_STATE_PRESSED = 2;
constexpr int CTRL_STATE_DISABLED = 3;

class CommonCtrl {
public:
    CommonCtrl(HWND parent, int left, int top, int right, int bottom);
    virtual ~CommonCtrl() = default;
    CommonCtrl(const CommonCtrl&) = delete;
    CommonCtrl& operator=(const CommonCtrl&) = delete;

    virtual int Draw(HDC hdc) = 0;
    virtual void SetId(int id);
    virtual int GetId();
    virtual void SetCommand(int command);
    virtual int GetCommand();
    virtual void SetText(const std::wstring text);
    virtual std::wstring GetText();
    virtual void SetFont(HFONT font);
    virtual void SetTextColor(COLORREF color);
    virtual void SetTextFormat(UINT format);
    virtual int FillSolidRect(HDC hdc, const RECT* rect, COLORREF color);
    virtual void SetVisible(bool visible);
    virtual bool IsVisible();
    virtual void SetEnabled(bool enabled);
    virtual bool IsEnabled();
    virtual HWND GetParent();
    virtual CommonRect GetRect();
    virtual void SetRect(const RECT* rect);
    virtual void GetTextRect(RECT* out);
    // Inside when left <= x <= right and top <= y <= bottom (edges included).
    virtual bool HitTest(int x, int y);
    virtual void SetDrawImage(int drawImage);
    virtual int GetDrawImage();
    virtual void SetStateColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled);
    virtual void SetStateImages(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP disabled);
    // Copies the bitmap's top-left cx × cy pixels (at most its own size) to
    // (x, y). Returns 1 without drawing when the DC or the bitmap is null.
    virtual int DrawBitmap(HDC hdc, HBITMAP bitmap, int x, int y, int cx, int cy);
    // The same over the control's rectangle.
    virtual int DrawImage(HDC hdc, HBITMAP bitmap);

    int GetState() const { return m_state.load(); }
    bool IsPressed() const { return m_pressed.load(); }

protected:
    // What one paint needs, copied under the lock.
    struct Look {
        int state = 0;
        COLORREF stateColors[4] = {};
        HBITMAP stateImages[4] = {};
        UINT format = 0;
        HFONT font = nullptr;
        COLORREF textColor = 0;
        CommonRect rect;
        std::wstring text;
    };
    Look TakeLook();
    // Takes the look and makes the state's colour the current text colour
    // (a state outside 0..3 keeps the colour and picks no bitmap).
    Look TakeStateLook(HBITMAP* bitmap);
    void StoreTextRect(const RECT& rect);
    Look CopyLookLocked() const;  // m_lock held
    // The common text step: transparent, current colour, the font around it.
    // False when the text is empty (nothing drawn).
    bool DrawTextStep(HDC hdc, const Look& look, RECT rect, UINT format, HFONT font);

    std::mutex m_lock;
    std::atomic<int> m_state{CTRL_STATE_NORMAL};
    std::atomic<bool> m_pressed{false};
    COLORREF m_textColors[4] = {};
    HBITMAP m_stateImages[4] = {};
    UINT m_textFormat = 0x25;  // DT_CENTER | DT_VCENTER | DT_SINGLELINE
    int m_command = -1;
    int m_id = -1;
    HWND m_parent = nullptr;
    CommonRect m_rect;
    std::wstring m_text;
    std::atomic<bool> m_visible{true};
    std::atomic<bool> m_enabled{true};
    std::atomic<int> m_drawImage{0};
    HFONT m_font = nullptr;
    COLORREF m_currentTextColor = 0;
    RECT m_textRect{};
};
