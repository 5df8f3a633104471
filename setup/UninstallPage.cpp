// The uninstall page: the uninstall button of both presentations, which asks
// what it must (the large layout's confirmation and running-program
// question), shows the progress and starts the uninstall worker.
#include "platform/Win32.h"
#include "setup/ProductConfig.h"
#include "setup/SetupDlg.h"
#include "setup/SetupOptions.h"
#include "setup/UninstallWork.h"
#include "ui/SkinMessageBox.h"
#include "ui/UninstallMessageBox.h"
#include "ui/lang/Language.h"
#include "util/ProcessControl.h"

void SetupDlg::OnBtnUninstall() {
    if (m_uninstallStarted.exchange(true)) return;
    const bool silent = SetupOptions::IsSilent() != 0;
    if (!GetProductConfig()->UseLargeLayout()) {
        {
            std::lock_guard<std::recursive_mutex> guard(m_uiLock);
            for (CommonCtrl* control :
                 std::initializer_list<CommonCtrl*>{m_keepDataBox, m_keepDataLabel, m_uninstallButton, m_cancelButton,
                                                    m_minimizeButton, m_closeButton})
                if (control != nullptr) control->SetVisible(false);
            if (m_keepDataLabel != nullptr) {
                const CommonRect rect = m_keepDataLabel->GetRect();
                RECT moved{10, 348, rect.GetRECT()->right, 378};
                m_keepDataLabel->SetRect(&moved);
                m_keepDataLabel->SetText(GetLangText(26));
                m_keepDataLabel->SetVisible(true);
            }
            if (m_uninstallBar != nullptr) {
                m_uninstallBar->SetVisible(true);
                m_uninstallBar->SetPos(0);
            }
        }
        InvalidateRect(GetHwnd(), nullptr, FALSE);
        std::lock_guard<std::mutex> guard(m_threadLock);
        StartThread(m_installThread, UninstallThread);
        return;
    }

    HWND hwnd = GetHwnd();
    bool removeData = false;
    if (!silent && !UninstallMessageBox::Show(hwnd, &removeData)) {
        m_uninstallStarted = false;
        OnBtnClose();
        return;
    }
    m_keepData = silent || !removeData;
    UpdateCtrlStatus(PAGE_UNINSTALLING);
    SetPageState(PAGE_UNINSTALLING);
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        if (m_uninstallBar != nullptr) {
            m_uninstallBar->SetVisible(true);
            m_uninstallBar->SetPos(0);
        }
    }
    if (!silent) {
        const std::wstring executable = m_setupInfo.m_is64Bit ? GetMainExeName64W() : GetMainExeNameW();
        const std::wstring package = GetPackagePath();
        const std::size_t slash = package.find_last_of(L'\\');
        const std::wstring folder = slash == std::wstring::npos ? std::wstring() : package.substr(0, slash);
        // Without a folder every copy of the program would count as ours.
        while (!folder.empty() && IsProcessRunning(executable.c_str(), folder.c_str())) {
            const int answer = SkinMessageBox::ShowYesNo(hwnd, GetProductNameW() + L" " + GetLangText(24),
                                                         std::wstring(GetLangText(75)) + L"\n\n" + GetLangText(76),
                                                         GetLangText(11), GetLangText(12));
            if (answer != SkinMessageBox::kFirstButtonId) {
                UpdateCtrlStatus(PAGE_UNINSTALL_FAILED);
                SetPageState(PAGE_UNINSTALL_FAILED);
                return;
            }
            Sleep(200);
        }
    }
    SetTimer(hwnd, TIMER_UNINSTALL_COUNTDOWN, 1000, nullptr);
    std::lock_guard<std::mutex> guard(m_threadLock);
    StartThread(m_installThread, UninstallThread);
}
