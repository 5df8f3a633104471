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
#include <type_traits>

#include "platform/windowing/WindowTypes.h"
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
    // The start of a Draw that paints by state: false (draw nothing) when the
    // control is invisible or there is no DC. A visible control takes its state
    // look even without a DC, so the state's colour becomes the current one.
    bool BeginStateDraw(HDC hdc, Look* look, HBITMAP* bitmap);
    void StoreTextRect(const RECT& rect);
    Look CopyLookLocked() const;  // m_lock held
    // The common text step: transparent, current colour, the font around it.
    // False when the text is empty (nothing drawn).
    bool DrawTextStep(HDC hdc, const Look& look, RECT rect, UINT format, HFONT font);

    // The DC a Draw paints into: the one passed in, else the parent window's
    // own DC, released when this goes out of scope. Get() is null when there
    // is neither.
    class DrawTarget {
    public:
        DrawTarget(HDC hdc, HWND parent);
        ~DrawTarget();
        DrawTarget(const DrawTarget&) = delete;
        DrawTarget& operator=(const DrawTarget&) = delete;
        HDC Get() const { return m_dc; }

    private:
        HWND m_parent = nullptr;
        HDC m_dc = nullptr;
        bool m_own = false;
    };

    // Field access under the control's lock. The two-field Store changes both
    // at once, so a painting thread never sees half of the pair.
    template <typename T>
    void Store(T& field, const std::type_identity_t<T>& value) {
        std::lock_guard<std::mutex> guard(m_lock);
        field = value;
    }
    template <typename T, typename U>
    void Store(T& first, const std::type_identity_t<T>& firstValue, U& second,
               const std::type_identity_t<U>& secondValue) {
        std::lock_guard<std::mutex> guard(m_lock);
        first = firstValue;
        second = secondValue;
    }
    // Four values in state order (normal, hover, pressed, disabled) or any
    // other fixed four, such as x, y, width, height.
    template <typename T>
    void StoreFour(T (&fields)[4], T first, T second, T third, T fourth) {
        std::lock_guard<std::mutex> guard(m_lock);
        fields[0] = first;
        fields[1] = second;
        fields[2] = third;
        fields[3] = fourth;
    }
    template <typename T>
    T Load(const T& field) {
        std::lock_guard<std::mutex> guard(m_lock);
        return field;
    }

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
