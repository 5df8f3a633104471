#include "ui/BoxMouse.h"

namespace {

// Calls `handler` for each control of a copy of the list taken before the
// first call. Click handlers run synchronously (WM_COMMAND is sent) and may
// open a nested box or rebuild the lists, deleting controls: once the live
// list differs from the copy the dispatch ends, since what the copy still
// names may be gone (or a new control at a freed control's address).
template <typename Handler>
int ForEachControl(const std::vector<ButtonCtrlEx*>& controls, Handler handler) {
    const std::vector<ButtonCtrlEx*> snapshot = controls;
    int sum = 0;
    for (ButtonCtrlEx* control : snapshot) {
        if (controls != snapshot) break;
        sum += handler(control);
    }
    return sum;
}

}  // namespace

int DispatchBoxMouse(const std::vector<ButtonCtrlEx*>& controls, UINT message, WPARAM wParam, LPARAM lParam,
                     bool& buttonDown) {
    int x = LOWORD(static_cast<DWORD_PTR>(lParam));
    int y = HIWORD(static_cast<DWORD_PTR>(lParam));
    switch (message) {
        case WM_MOUSEMOVE: {
            bool held = (wParam & MK_LBUTTON) || buttonDown;
            ForEachControl(controls, [&](ButtonCtrlEx* control) {
                return held ? control->OnLButtonDown(x, y) : control->OnLButtonUp(x, y);
            });
            ForEachControl(controls, [&](ButtonCtrlEx* control) { return control->OnMouseMove(x, y); });
            return 0;
        }
        case WM_LBUTTONDOWN:
            buttonDown = true;
            return ForEachControl(controls, [&](ButtonCtrlEx* control) { return control->OnLButtonDown(x, y); });
        case WM_LBUTTONUP:
            buttonDown = false;
            return ForEachControl(controls, [&](ButtonCtrlEx* control) { return control->OnLButtonUp(x, y); });
        default: return 0;
    }
}

int DispatchBoxMessage(const std::vector<ButtonCtrlEx*>& controls, UINT message, WPARAM wParam, LPARAM lParam,
                       bool& buttonDown) {
    switch (message) {
        case WM_ERASEBKGND: return 1;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP: return DispatchBoxMouse(controls, message, wParam, lParam, buttonDown);
        default: return 0;
    }
}
