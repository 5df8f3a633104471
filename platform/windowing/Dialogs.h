// Dialog boxes: modal and modeless dialogs built from dialog templates, the
// default dialog handling and dialog keyboard handling.
//
// DialogBoxParamW creates the dialog hidden, sends WM_SETFONT and then
// WM_INITDIALOG to the dialog procedure, shows the dialog and runs a modal
// loop that serves every window of the calling thread until EndDialog. The
// owner is disabled while the loop runs. Loops nest on any thread; EndDialog
// of an outer dialog inside an inner loop ends the outer loop as soon as the
// inner one returns. EndDialog may be called from any thread.
//
// Default handling (when the dialog procedure returns FALSE): WM_CLOSE posts
// WM_COMMAND IDCANCEL (none while the Cancel button is disabled); the Escape key gives IDCANCEL, Enter IDOK (unless the
// focus is a multi-line edit box that wants Enter); Alt+F4 closes; a press
// sent as WM_NCLBUTTONDOWN with HTCAPTION drags the window (WM_MOVE on each
// step, WM_EXITSIZEMOVE at the end).
//
// Templates are the program's own C++ tables (platform/DialogTemplates.cpp
// holds 130, 173 and 189); tests may register others. Sizes are in dialog
// units of the template's font.
#pragma once

#include <string>
#include <vector>

#include "platform/windowing/WindowTypes.h"

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM param);
HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC procedure, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
BOOL IsDialogMessageW(HWND dialog, LPMSG message);
LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int bufferMax);
BOOL MapDialogRect(HWND dialog, LPRECT rect);

// The system's message box: a plain modal dialog with the text and OK (or
// Yes and No). Returns IDOK, IDYES or IDNO; the text's control has the id
// platform::MessageBoxTextId so tests can read it.
constexpr UINT MB_OK = 0x0;
constexpr UINT MB_YESNO = 0x4;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONWARNING = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

namespace platform {

struct DialogItem {
    std::wstring className;  // "button", "edit", "listbox", "SysListView32", ...
    std::wstring text;
    int id = 0;
    DWORD style = 0;  // WS_CHILD is added
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring title;
    std::wstring fontFace = L"MS Shell Dlg";
    int pointSize = 8;
    std::vector<DialogItem> items;
};

constexpr int MessageBoxTextId = 0xFFFF;

// Runs a modal dialog from a template object (DialogBoxParamW without the
// template table).
INT_PTR RunModalDialog(HINSTANCE instance, const DialogTemplate& dialogTemplate, HWND owner, DLGPROC procedure,
                       LPARAM param);

// Adds or replaces a template (by integer id) for the life of the process.
void RegisterDialogTemplate(UINT id, DialogTemplate dialogTemplate);
// The template for an id; false when there is none.
bool FindDialogTemplate(UINT id, DialogTemplate* out);

}  // namespace platform
