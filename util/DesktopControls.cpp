#include "util/DesktopControls.h"

#include "platform/Win32.h"

BOOL SetWindowTopmost(HWND window) {
    return SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

int SwitchToWindow(HWND window) {
    using SwitchFunction = void (*)(HWND, BOOL);
    static const auto function =
        reinterpret_cast<SwitchFunction>(GetProcAddress(LoadLibraryW(L"user32"), "SwitchToThisWindow"));
    if (function == nullptr) return 0;
    function(window, TRUE);
    return 1;
}
