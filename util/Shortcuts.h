// Shell shortcuts in the desktop, Programs menu, Quick Launch and taskbar-pin
// folders, and the shell icon refresh.
#pragma once

#include "platform/base/Win32Types.h"

// Folder codes of the shortcut routines; any other value means the desktop.
enum ShortcutLocation {
    ShortcutQuickLaunch = 0,     // CSIDL_APPDATA\Microsoft\Internet Explorer\Quick Launch
    ShortcutTaskbarPins = 1,     // ...\Quick Launch\User Pinned\TaskBar
    ShortcutPrograms = 2,        // the user's Programs menu
    ShortcutCommonPrograms = 3,  // the all-users Programs menu
    ShortcutDesktop = 4,
    ShortcutGivenFolder = 5,  // a folder given by path (CreateShortcut only)
};

// A link "<folder>\<name>.lnk" in the location's folder (code 5: `folder`),
// inside `subFolder` (created with its parents) when given. E_POINTER for a
// null target or name, E_FAIL when the folder does not exist or the save fails.
HRESULT CreateShortcut(const wchar_t* target, const wchar_t* folder, const wchar_t* name, int location,
                       const wchar_t* subFolder, const wchar_t* description, const wchar_t* iconPath,
                       const wchar_t* arguments);
// Writes "<folder>\<name>.lnk" through the shell link object.
bool CreateLink(const wchar_t* target, const wchar_t* folder, const wchar_t* name, const wchar_t* workingFolder,
                WORD hotKey, const wchar_t* description, const wchar_t* iconPath, const wchar_t* arguments, int show);
// Deletes a file of the location's folder; false when that folder does not exist.
bool DeleteShortcut(int location, const wchar_t* fileName);
// Deletes a folder of the location's folder with all it holds; false for an
// empty name (it would name the location's folder itself) or a missing folder.
bool DeleteShortcutFolder(int location, const wchar_t* folderName);
// The folder in both Programs menus; always true.
bool DeleteStartMenuFolder(const wchar_t* folderName);
// Makes the shell reload its icons by changing "Shell Icon Size" for a moment.
void RefreshShellIcons();

// Folders of the table above into a buffer of MAX_PATH characters.
bool GetDesktopFolder(wchar_t* path);
bool GetQuickLaunchFolder(wchar_t* path);
bool GetProgramsFolder(wchar_t* path);
bool GetCommonProgramsFolder(wchar_t* path);
bool GetTaskbarPinsFolder(wchar_t* path);
bool GetPersonalFolder(wchar_t* path);
