// A soft drop shadow for a borderless top-level window.
//
// The shadow is a second, layered, click-through popup owned by the window,
// larger than it by the shadow size on every side. Its per-pixel-alpha image
// (ShadowPainter) is transparent where the window lies. The shadow follows
// the window by subclassing the window's procedure.
//
// Use: CWndShadow::Initialize once per process, then Create(window) on the
// window's thread. Everything else runs inside the window's procedure, on
// that thread. A window takes at most one shadow; the object must outlive
// the window or be destroyed first (its destructor detaches it cleanly).
#pragma once

#include <cstdint>

#include "platform/Win32.h"

class CWndShadow {
public:
    // Status bits.
    static constexpr BYTE kStatusEnabled = 1;
    static constexpr BYTE kStatusVisible = 2;  // the shadow is shown
    static constexpr BYTE kStatusParentVisible = 4;
    static constexpr BYTE kStatusComposition = 8;  // off while desktop composition is on

    CWndShadow();
    virtual ~CWndShadow();
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;

    // Looks up UpdateLayeredWindow (and DwmIsCompositionEnabled when dwmapi
    // loads) and registers the shadow window class. False when it ran
    // already or UpdateLayeredWindow is missing (then no shadow is ever made).
    static bool Initialize(HINSTANCE instance);

    // Attaches the shadow to `parent` on the first call per object; later
    // calls do nothing. Nothing happens without UpdateLayeredWindow, for a
    // window that is gone, or for a window that has a shadow already.
    void Create(HWND parent, bool show = true);

    HWND GetShadowWindow() const { return m_shadow; }
    BYTE GetStatus() const { return m_status; }
    bool IsAttached() const { return m_parent != nullptr; }

    // Tests only: forgets what Initialize found and unregisters the class.
    static void ResetForTests();

private:
    static LRESULT ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnParentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Show(HWND parent);
    void Update(HWND parent);
    void MakeShadow(std::uint32_t* pixels, HWND parent, const RECT* parentRect);
    static DWORD PreMultiply(COLORREF color, BYTE alpha);
    void Detach();

    HWND m_shadow = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));
    WNDPROC m_parentProc = nullptr;
    BYTE m_status = 0;
    BYTE m_darkness = 30;
    BYTE m_sharpness = 30;
    signed char m_size = 30;
    signed char m_xOffset = 0;
    signed char m_yOffset = 0;
    LPARAM m_previousSize = 50;  // last WM_SIZE lParam: width low word, height high word
    bool m_updatePending = false;
    COLORREF m_color = RGB(50, 50, 50);
    int m_created = 0;
    HWND m_parent = nullptr;  // the subclassed window while attached
};
