// The shell's folder browser, shaped like SHBrowseForFolderW.
//
// No picker is drawn. The machine model answers in the user's place
// (MachineProfile::folderBrowserAnswers: a folder, or an empty text for
// Cancel; with none left the browse is cancelled) and records every call in
// MachineProfile::folderBrowses. Everything else happens as the shell does
// it: the caller's callback gets BFFM_INITIALIZED with a browse window that
// takes BFFM_SETSELECTIONW, and a chosen folder comes back as an item list
// (SHGetPathFromIDListW, then CoTaskMemFree).
#pragma once

#include "platform/files/ShellFolders.h"
#include "platform/windowing/WindowTypes.h"

constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;
constexpr UINT BFFM_INITIALIZED = 1;
constexpr UINT BFFM_SELCHANGED = 2;
constexpr UINT BFFM_SETSELECTIONW = WM_USER + 103;

using BFFCALLBACK = int (*)(HWND window, UINT message, LPARAM lParam, LPARAM data);

struct BROWSEINFOW {
    HWND hwndOwner;
    LPCITEMIDLIST pidlRoot;
    LPWSTR pszDisplayName;  // MAX_PATH characters: the chosen folder's name
    LPCWSTR lpszTitle;
    UINT ulFlags;
    BFFCALLBACK lpfn;
    LPARAM lParam;
    int iImage;
};
using LPBROWSEINFOW = BROWSEINFOW*;

// The chosen folder's item list, or null when the user cancelled (or the
// answer names no existing folder, which the picker could not have chosen).
PIDLIST_ABSOLUTE SHBrowseForFolderW(LPBROWSEINFOW info);
