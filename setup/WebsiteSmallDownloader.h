// The main dialog class that the program runs: the dialog of SetupDlg.h with
// the identity rules of this product's online installer.
#pragma once

#include "setup/SetupDlg.h"

class WebsiteSmallDownloader : public SetupDlg {
public:
    WebsiteSmallDownloader() = default;
    ~WebsiteSmallDownloader() override = default;

    // Name + " (x64)" whenever the dialog's record is 64-bit.
    std::string GetProductDisplayName(std::string name) override;
    std::string FindOldInstallPath() override;
    // Removes an install of the other bitness first (local-package road),
    // then the base preparation.
    bool BeforeInstall(const std::wstring& installPath, bool& restartNeeded) override;

    // True when `folder` may be removed as an earlier install: it holds
    // uninstall.exe or the product's main executable, and is no drive root
    // or shell folder.
    static bool IsRemovableInstallFolder(const std::wstring& folder);
};
