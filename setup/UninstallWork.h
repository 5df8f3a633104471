// The uninstall workflow's routines that are not the dialog's: the thread
// entry, the read-only clearing of a tree, the removal of the user's data
// folders after a store uninstall, and the guard on the folder that an
// uninstall deletes.
#pragma once

#include <string>

#include "platform/base/Win32Types.h"

// Runs SetupDlg::UninstallWork; 0, or -1 for a null dialog.
DWORD UninstallThread(LPVOID dialog);
// Clears the read-only attribute of every file below `folder`; links are
// neither followed nor changed.
void ClearReadOnlyTree(const std::wstring& folder);
// The company's (or the product's data) folder under the roaming and the
// Documents folder.
void DeleteUserDataFolders();
// True when `folder` may be deleted as the product's install folder: it holds
// uninstall.exe and is no drive root, shell folder or the Downloads folder.
bool IsUninstallableFolder(const std::wstring& folder);
