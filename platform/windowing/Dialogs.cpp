// Dialog creation from templates, the modal loop, EndDialog, the default
// dialog procedure and dialog keyboard handling.
#include <algorithm>
#include <cwchar>

#include "platform/windowing/Dialogs.h"
#include "platform/drawing/Gdi.h"
#include "platform/windowing/Input.h"
#include "platform/base/LastError.h"
#include "platform/base/Machine.h"
#include "platform/drawing/Text.h"
#include "platform/windowing/detail/WindowInternals.h"
#include "platform/windowing/Windowing.h"

namespace platform {
namespace {

struct BaseUnits {
    int x = 6;
    int y = 13;
};

BaseUnits UnitsOf(HFONT font) {
    BaseUnits units;
    HDC dc = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    SIZE extent{};
    const wchar_t* sample = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    if (GetTextMetricsW(dc, &metrics) && GetTextExtentPoint32W(dc, sample, 52, &extent)) {
        units.x = std::max(1, static_cast<int>((extent.cx / 26 + 1) / 2));
        units.y = std::max(1, static_cast<int>(metrics.tmHeight));
    }
    if (previous != nullptr) SelectObject(dc, previous);
    ReleaseDC(nullptr, dc);
    return units;
}

// Fonts that dialogs created for themselves; deleted with the dialog.
std::mutex g_fontLock;
std::map<HWND, HFONT> g_dialogFonts;

bool Ended(HWND dialog, INT_PTR* result) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* window = FindWindowLocked(dialog);
    if (window == nullptr) return true;
    if (result != nullptr) *result = window->dialogResult;
    return window->dialogEnded;
}

HWND CreateFromTemplate(HINSTANCE instance, const DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure,
                        LPARAM param, bool modal) {
    RegisterSystemClasses();
    LOGFONTW logFont{};
    logFont.lfHeight = -MulDiv(dialogTemplate.pointSize, Machine::Current().Profile().dpi, 72);
    std::wcsncpy(logFont.lfFaceName, dialogTemplate.fontFace.c_str(), LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&logFont);
    BaseUnits units = UnitsOf(font);
    auto pixelsX = [&](int du) { return MulDiv(du, units.x, 4); };
    auto pixelsY = [&](int du) { return MulDiv(du, units.y, 8); };

    HWND dialog =
        CreateWindowExW(dialogTemplate.exStyle, L"#32770", dialogTemplate.title.c_str(),
                        dialogTemplate.style & ~WS_VISIBLE, pixelsX(dialogTemplate.x), pixelsY(dialogTemplate.y),
                        pixelsX(dialogTemplate.cx), pixelsY(dialogTemplate.cy), owner, nullptr, instance, nullptr);
    if (dialog == nullptr) {
        DeleteObject(font);
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> guard(g_fontLock);
        g_dialogFonts[dialog] = font;
    }
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(dialog);
        window->dialogSlots[1] = reinterpret_cast<LONG_PTR>(procedure);
        window->font = font;
        window->modal = modal;
    }
    // The dialog procedure's first message.
    SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HWND firstTabStop = nullptr;
    for (const DialogItem& item : dialogTemplate.items) {
        HWND control = CreateWindowExW(item.exStyle, item.className.c_str(), item.text.c_str(), item.style | WS_CHILD,
                                       pixelsX(item.x), pixelsY(item.y), pixelsX(item.cx), pixelsY(item.cy), dialog,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance, nullptr);
        if (control == nullptr) continue;  // an unknown class leaves the item out
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (firstTabStop == nullptr && (item.style & WS_TABSTOP)) firstTabStop = control;
    }
    if (SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTabStop), param) != 0 &&
        firstTabStop != nullptr)
        SetFocus(firstTabStop);
    if (!modal && (dialogTemplate.style & WS_VISIBLE)) ShowWindow(dialog, SW_SHOWNORMAL);
    return dialog;
}

}  // namespace

LRESULT DialogClassProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DLGPROC procedure = nullptr;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(dialog);
        if (window != nullptr) procedure = reinterpret_cast<DLGPROC>(window->dialogSlots[1]);
    }
    INT_PTR handled = procedure != nullptr ? procedure(dialog, message, wParam, lParam) : 0;
    if (message == WM_NCDESTROY) {
        HFONT font = nullptr;
        {
            std::lock_guard<std::mutex> guard(g_fontLock);
            auto it = g_dialogFonts.find(dialog);
            if (it != g_dialogFonts.end()) {
                font = it->second;
                g_dialogFonts.erase(it);
            }
        }
        if (font != nullptr) DeleteObject(font);
    }
    if (handled != 0) {
        if (message == WM_INITDIALOG) return handled;
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(dialog);
        return window != nullptr ? window->dialogSlots[0] : 0;
    }
    return DefDlgProcW(dialog, message, wParam, lParam);
}

}  // namespace platform

using namespace platform;

LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE: {
            // Posted, as the system does: the close ends the dialog once the
            // loop comes back, not inside the WM_CLOSE handler's caller. A
            // disabled Cancel button refuses the close.
            HWND cancel = GetDlgItem(dialog, IDCANCEL);
            if (cancel != nullptr && !IsWindowEnabled(cancel)) return 0;
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
            return 0;
        }
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(dialog, &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_3DFACE));
            return 1;
        }
        case WM_INITDIALOG: return 0;
        default: return DefWindowProcW(dialog, message, wParam, lParam);
    }
}

namespace platform {

INT_PTR RunModalDialog(HINSTANCE instance, const DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure,
                       LPARAM param) {
    // The owner of a dialog is always a top-level window.
    HWND root = nullptr;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = RootLocked(FindWindowLocked(owner));
        root = window != nullptr ? window->handle : nullptr;
    }
    HWND dialog = CreateFromTemplate(instance, dialogTemplate, root, procedure, param, true);
    if (dialog == nullptr) return -1;
    bool disabledOwner = false;
    if (root != nullptr && IsWindowEnabled(root)) {
        EnableWindow(root, FALSE);
        disabledOwner = true;
    }
    INT_PTR result = 0;
    if (!Ended(dialog, nullptr)) ShowWindow(dialog, SW_SHOWNORMAL);
    while (!Ended(dialog, nullptr)) {
        MSG message{};
        BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // the outer loop sees it too
            break;
        }
        if (got < 0) break;
        if (!IsDialogMessageW(dialog, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    Ended(dialog, &result);
    if (disabledOwner) EnableWindow(root, TRUE);
    ShowWindow(dialog, SW_HIDE);
    DestroyWindow(dialog);
    return result;
}

}  // namespace platform

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM param) {
    DialogTemplate dialogTemplate;
    if (!IS_INTRESOURCE(templateName) ||
        !FindDialogTemplate(static_cast<UINT>(reinterpret_cast<UINT_PTR>(templateName)), &dialogTemplate)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    return RunModalDialog(instance, dialogTemplate, owner, procedure, param);
}

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM param) {
    DialogTemplate dialogTemplate;
    if (!IS_INTRESOURCE(templateName) ||
        !FindDialogTemplate(static_cast<UINT>(reinterpret_cast<UINT_PTR>(templateName)), &dialogTemplate)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return CreateFromTemplate(instance, dialogTemplate, owner, procedure, param, false);
}

namespace {

INT_PTR MessageBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND) {
        int id = LOWORD(wParam);
        if (id == IDOK || id == IDCANCEL || id == IDYES || id == IDNO) EndDialog(dialog, id);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    DialogTemplate box;
    box.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_MODALFRAME;
    box.title = caption != nullptr ? caption : L"Error";
    box.cx = 220;
    box.cy = 80;
    box.items.push_back({L"static", text != nullptr ? text : L"", MessageBoxTextId, WS_VISIBLE, 0, 10, 10, 200, 40});
    if ((type & 0xF) == MB_YESNO) {
        box.items.push_back({L"button", L"&Yes", IDYES, WS_VISIBLE | WS_TABSTOP, 0, 60, 58, 50, 14});
        box.items.push_back({L"button", L"&No", IDNO, WS_VISIBLE | WS_TABSTOP, 0, 116, 58, 50, 14});
    } else {
        box.items.push_back({L"button", L"OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 85, 58, 50, 14});
    }
    INT_PTR result = RunModalDialog(nullptr, box, owner, MessageBoxProc, 0);
    // Escape (IDCANCEL) on a yes/no box counts as no.
    if ((type & 0xF) == MB_YESNO && result == IDCANCEL) return IDNO;
    return result == IDCANCEL && (type & 0xF) == MB_OK ? IDOK : static_cast<int>(result);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    bool modeless = false;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(dialog);
        if (window == nullptr || !window->isDialog) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        window->dialogEnded = true;
        window->dialogResult = result;
        modeless = !window->modal;
    }
    if (modeless) ShowWindow(dialog, SW_HIDE);
    // Wakes the modal loop, which looks at the flag before every message.
    PostMessageW(dialog, WM_NULL, 0, 0);
    return TRUE;
}

BOOL IsDialogMessageW(HWND dialog, LPMSG message) {
    if (message == nullptr || message->hwnd == nullptr) return FALSE;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(message->hwnd);
        if (window == nullptr || RootLocked(window)->handle != dialog) return FALSE;
    }
    if (message->message == WM_KEYDOWN && (message->wParam == VK_ESCAPE || message->wParam == VK_RETURN)) {
        if (message->wParam == VK_RETURN) {
            DWORD style = static_cast<DWORD>(GetWindowLongPtrW(message->hwnd, GWL_STYLE));
            bool wantsEnter = message->hwnd != dialog && (style & ES_MULTILINE) && (style & ES_WANTRETURN);
            if (wantsEnter) {
                TranslateMessage(message);
                DispatchMessageW(message);
                return TRUE;
            }
        }
        int id = message->wParam == VK_ESCAPE ? IDCANCEL : IDOK;
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
        return TRUE;
    }
    TranslateMessage(message);
    DispatchMessageW(message);
    return TRUE;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(dialog, id);
    return item != nullptr ? SendMessageW(item, message, wParam, lParam) : 0;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
    HWND item = GetDlgItem(dialog, id);
    return item != nullptr ? SetWindowTextW(item, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int bufferMax) {
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr) {
        if (buffer != nullptr && bufferMax > 0) buffer[0] = 0;
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(item, buffer, bufferMax));
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
    if (rect == nullptr) return FALSE;
    HFONT font = nullptr;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        Window* window = FindWindowLocked(dialog);
        if (window == nullptr || !window->isDialog) return FALSE;
        font = window->font;
    }
    BaseUnits units = UnitsOf(font);
    rect->left = MulDiv(rect->left, units.x, 4);
    rect->right = MulDiv(rect->right, units.x, 4);
    rect->top = MulDiv(rect->top, units.y, 8);
    rect->bottom = MulDiv(rect->bottom, units.y, 8);
    return TRUE;
}
