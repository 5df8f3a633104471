// A driver that runs a dialog on a thread of its own and scripts it the way a
// person would: pointer moves, presses and releases at client points, keys,
// typed text, the clock; then reads pixels and window state.
//
// Every action waits until the dialog's thread has handled it and is idle
// again, so a test reads a settled state. Switches for the machine (DPI,
// screen size, LANGID) are the machine profile's fields (platform/Machine.h);
// a missing UpdateLayeredWindow is platform::SetLayeredWindowsMissing
// (Gdi.h); removed resources are platform::RemoveResource (Resources.h).
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "platform/windowing/Screen.h"
#include "platform/windowing/WindowTypes.h"

namespace platform {

class DialogDriver {
public:
    // Starts `body` (which opens the dialog, e.g. with DialogBoxParamW) on a
    // new thread and waits up to 5 s for a visible top-level window of it.
    explicit DialogDriver(std::function<void()> body);
    // Ends the dialog (EndDialog with 0) if it is still open and joins.
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // The dialog (null when none appeared) and its thread.
    HWND Window() const { return m_window; }
    DWORD ThreadId() const { return m_threadId.load(); }
    // The topmost visible window of the dialog's thread (a box on top of it).
    HWND TopWindow() const;

    bool WaitIdle(unsigned milliseconds = 5000) const;
    // Pointer input at client coordinates of `window` (default: the dialog).
    void MoveTo(int x, int y, HWND window = nullptr);
    void Press(int x, int y, HWND window = nullptr);
    void Release(int x, int y, HWND window = nullptr);
    void Click(int x, int y, HWND window = nullptr);
    void Key(UINT virtualKey, bool alt = false);
    void Type(const std::wstring& text);
    // Moves the machine clock forward; due timers fire on the dialog thread.
    void AdvanceClock(unsigned milliseconds);
    // A pixel of the window as shown (COLORREF 0x00BBGGRR).
    COLORREF Pixel(int x, int y, HWND window = nullptr) const;
    Image Capture(HWND window = nullptr) const;
    bool SavePng(const std::string& hostPath, HWND window = nullptr) const;
    // Ends the dialog as EndDialog(result) would, from outside.
    void End(INT_PTR result);
    // True once `body` has returned (waits up to `milliseconds`). The default
    // leaves room for a close that first waits out its bounded statistics
    // steps on a loaded machine.
    bool WaitFinished(unsigned milliseconds = 20000);

private:
    void Pointer(UINT message, int x, int y, HWND window);
    HWND Target(HWND window) const { return window != nullptr ? window : m_window; }

    std::thread m_thread;
    std::atomic<DWORD> m_threadId{0};
    std::atomic<bool> m_finished{false};
    HWND m_window = nullptr;
};

}  // namespace platform
