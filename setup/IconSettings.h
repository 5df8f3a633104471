// What the local-package install's shortcuts are made of (built by
// SetupDlg::AfterInstall, read by SetupDlg::CreateIcons).
#pragma once

#include <string>

struct IconSettings {
    std::wstring installFolder;   // folder of the installed product
    std::wstring executableName;  // file name of the product's main program
    std::wstring shortcutName;    // base name of the shortcuts and their start-menu sub-folder
    std::wstring webLinkTarget;   // target of the start-menu web shortcut
    bool desktop = true;          // the desktop shortcut
    bool startMenu = true;        // uninstall and web shortcuts in the user's Programs folder
    bool commonMenu = true;       // the same in the common Programs folder
};
