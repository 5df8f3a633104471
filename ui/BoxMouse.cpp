#include "ui/BoxMouse.h"

int DispatchBoxMouse(const std::vector<ButtonCtrlEx*>& controls, UINT message, WPARAM wParam, LPARAM lParam,
                     bool& buttonDown) {
    int x = LOWORD(static_cast<DWORD_PTR>(lParam));
    int y = HIWORD(static_cast<DWORD_PTR>(lParam));
    int sum = 0;
    switch (message) {
        case WM_MOUSEMOVE:
            for (ButtonCtrlEx* control : controls) {
                if ((wParam & MK_LBUTTON) || buttonDown)
                    control->OnLButtonDown(x, y);
                else
                    control->OnLButtonUp(x, y);
            }
            for (ButtonCtrlEx* control : controls) control->OnMouseMove(x, y);
            return 0;
        case WM_LBUTTONDOWN:
            buttonDown = true;
            for (ButtonCtrlEx* control : controls) sum += control->OnLButtonDown(x, y);
            return sum;
        case WM_LBUTTONUP:
            buttonDown = false;
            for (ButtonCtrlEx* control : controls) sum += control->OnLButtonUp(x, y);
            return sum;
        default:
            return 0;
    }
}

int DispatchBoxMessage(const std::vector<ButtonCtrlEx*>& controls, UINT message, WPARAM wParam, LPARAM lParam,
                       bool& buttonDown) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            return DispatchBoxMouse(controls, message, wParam, lParam, buttonDown);
        default:
            return 0;
    }
}
