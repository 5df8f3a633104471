// The threads the main dialog starts, and their bounded joins.
#include "setup/SetupDlg.h"
#include "setup/UiWait.h"
#include "stats/InstallStatsReport.h"
#include "util/Log.h"

DWORD RepaintThreadProc(LPVOID parameter) {
    auto* dialog = static_cast<SetupDlg*>(parameter);
    if (dialog == nullptr) return 0;
    while (!dialog->m_stop) {
        dialog->OnPaint();
        int page = dialog->m_pageState;
        DWORD period = page == PAGE_BUSY ? 10 : (page == 4 ? 500 : 200);
        // Sliced, so a closing dialog is not kept waiting for a whole period.
        for (DWORD slept = 0; slept < period && !dialog->m_stop; slept += 10) Sleep(period < 10 ? period : 10);
    }
    return 0;
}

DWORD RenderThreadProc(LPVOID parameter) {
    auto* dialog = static_cast<SetupDlg*>(parameter);
    if (dialog != nullptr) dialog->RenderLoop();
    return 0;
}

DWORD InstallThreadProc(LPVOID parameter) {
    auto* dialog = static_cast<SetupDlg*>(parameter);
    if (dialog == nullptr) return static_cast<DWORD>(-1);
    dialog->DoInstall();
    return 0;
}

DWORD CloseStatsThreadProc(LPVOID parameter) {
    auto* dialog = static_cast<SetupDlg*>(parameter);
    if (dialog == nullptr) return 0;
    dialog->SendCloseStatistics();
    dialog->m_closeStatsDone = true;
    return 0;
}

DWORD ScanInstallDirThreadProc(LPVOID parameter) {
    auto* dialog = static_cast<SetupDlg*>(parameter);
    if (dialog == nullptr) return 0;
    dialog->ScanInstallDir();
    dialog->m_scanDone = true;
    return 0;
}

void SetupDlg::StartThread(HANDLE& handle, DWORD (*procedure)(LPVOID)) {
    // m_threadLock held by the caller.
    if (handle != nullptr) {
        if (WaitForSingleObject(handle, 0) != WAIT_OBJECT_0) return;  // still running
        CloseHandle(handle);
        handle = nullptr;
    }
    handle = CreateThread(nullptr, 0, procedure, this, 0, nullptr);
    if (handle == nullptr) WriteLog("SetupDlg: a thread could not be started.\n");
}

bool SetupDlg::RenderCurrent(int generation) const {
    return !m_stop && m_pageState != PAGE_FAILED && generation == m_renderGeneration;
}

void SetupDlg::StartRenderThread() {
    // A loop still running from an earlier try (a quick failure, then "Try
    // Again") is told to end and joined, so the new try has a loop of its own.
    ++m_renderGeneration;
    HANDLE previous = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        previous = m_renderThread;
        m_renderThread = nullptr;
    }
    if (previous != nullptr) {
        // Joined without the thread lock: the wait serves sent messages.
        if (!WaitForThreadServing(previous, 3000)) WriteLog("SetupDlg: the render loop did not end.\n");
        CloseHandle(previous);
    }
    m_full[0] = 0;
    m_full[1] = 0;
    m_writeIndex = 0;
    m_readIndex = 0;
    std::lock_guard<std::mutex> guard(m_threadLock);
    StartThread(m_renderThread, RenderThreadProc);
}

bool SetupDlg::StopThreads(DWORD milliseconds) {
    m_stop = true;
    StopReportRetries(true);
    if (std::shared_ptr<InstallStatsReport> report = InstallReport()) report->StopWaiting();
    { std::lock_guard<std::mutex> guard(m_downloadDoneLock); }
    m_downloadDoneCv.notify_all();
    std::vector<HANDLE*> handles;
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        for (HANDLE* handle : {&m_repaintThread, &m_renderThread, &m_installThread, &m_startReportThread, &m_scanThread,
                               &m_closeStatsThread})
            if (*handle != nullptr) handles.push_back(handle);
    }
    std::vector<HANDLE> rangeReports;
    {
        std::lock_guard<std::mutex> guard(m_threadLock);
        rangeReports.swap(m_rangeReportThreads);
    }
    ULONGLONG start = GetTickCount64();
    bool all = true;
    for (HANDLE handle : rangeReports) {
        ULONGLONG spent = GetTickCount64() - start;
        if (!WaitForThreadServing(handle, spent >= milliseconds ? 0 : static_cast<DWORD>(milliseconds - spent))) {
            all = false;
            // Kept, so a later stop waits for it again.
            std::lock_guard<std::mutex> guard(m_threadLock);
            m_rangeReportThreads.push_back(handle);
            continue;
        }
        CloseHandle(handle);
    }
    for (HANDLE* handle : handles) {
        ULONGLONG spent = GetTickCount64() - start;
        DWORD left = spent >= milliseconds ? 0 : static_cast<DWORD>(milliseconds - spent);
        if (!WaitForThreadServing(*handle, left)) {
            all = false;
            continue;
        }
        std::lock_guard<std::mutex> guard(m_threadLock);
        CloseHandle(*handle);
        *handle = nullptr;
    }
    return all;
}

int SetupDlg::RunningThreads() {
    std::lock_guard<std::mutex> guard(m_threadLock);
    int running = 0;
    for (HANDLE handle :
         {m_repaintThread, m_renderThread, m_installThread, m_startReportThread, m_scanThread, m_closeStatsThread})
        if (handle != nullptr && WaitForSingleObject(handle, 0) != WAIT_OBJECT_0) ++running;
    return running;
}
