// Binds a dialog object to its own window, so that several dialogs of one
// class can be open at once (on one thread or on several).
//
// The show operation calls Expect(object) on its thread right before
// DialogBoxParamW; the first message that the class's dialog procedure then
// sees for a window without an object (WM_SETFONT, before WM_INITDIALOG)
// binds that window to the object through its user data. Later messages find
// the object from the window alone.
#pragma once

#include "platform/Win32.h"

template <class Dialog>
class DialogBinding {
public:
    static void Expect(Dialog* dialog) { t_pending = dialog; }
    // Forgets an expected object that no window took (creation failed).
    static void Cancel(Dialog* dialog) {
        if (t_pending == dialog) t_pending = nullptr;
    }
    // The object of `hwnd`, binding it to the expected one on its first message.
    static Dialog* Find(HWND hwnd) {
        auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (dialog == nullptr && t_pending != nullptr) {
            dialog = t_pending;
            t_pending = nullptr;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dialog));
        }
        return dialog;
    }
    // The procedure every dialog class passes to DialogBoxParamW.
    static INT_PTR Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        Dialog* dialog = Find(hwnd);
        return dialog != nullptr ? dialog->DialogProc(hwnd, message, wParam, lParam) : 0;
    }

private:
    inline static thread_local Dialog* t_pending = nullptr;
};
