#include "download/Supervisor.h"

#include <system_error>

#include "download/DownloadTypes.h"
#include "util/Log.h"

bool Supervisor::Start(SupervisedDownload* download, DWORD periodMs, bool promptSplits) {
    if (!download || m_thread.joinable()) return false;
    m_download = download;
    m_periodMs = periodMs;
    m_promptSplits = promptSplits;
    m_slotFreed = false;
    try {
        m_thread = std::thread([this] {
            WriteLog("Download_Dispatch Begining.\n");
            Run();
            WriteLog("Download_Dispatch Endding.\n");
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void Supervisor::Join() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
}

void Supervisor::Wake(bool slotFreed) {
    std::lock_guard<std::mutex> guard(m_wakeLock);
    if (slotFreed) m_slotFreed = true;
    m_wake.notify_all();
}

bool Supervisor::SleepUntilPass(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> guard(m_wakeLock);
    m_wake.wait_until(guard, deadline, [this] { return !m_download->SupervisionRunning() || m_slotFreed.load(); });
    return m_slotFreed.exchange(false) && std::chrono::steady_clock::now() < deadline;
}

void Supervisor::Run() {
    SupervisedDownload& download = *m_download;
    const auto period = std::chrono::milliseconds(m_periodMs);
    auto nextPass = std::chrono::steady_clock::now() + period;
    while (download.SupervisionRunning()) {
        // A part that finished wakes the supervisor early, for its splits only;
        // retries, stall moves and the idle finish test keep the full period.
        const bool splitsOnly = SleepUntilPass(nextPass) && m_promptSplits;
        if (!download.SupervisionRunning()) break;
        if (!splitsOnly) nextPass = std::chrono::steady_clock::now() + period;
        // Parts entered during this pass wait for the next one.
        const int count = download.SupervisedPartCount();
        bool gaveUp = false;
        for (int id = 0; id < count && download.SupervisionRunning(); ++id) {
            const int status = download.SupervisedPartStatus(id);
            if (status == E_Status_Succeed) {
                download.OnFinishedPart(id);
            } else if (splitsOnly) {
                continue;
            } else if (status == E_Status_Fail) {
                if (!download.OnFailedPart(id)) {
                    gaveUp = true;
                    break;
                }
            } else if (status == E_Status_Runing) {
                download.OnRunningPart(id);
            }
        }
        if (!gaveUp && !splitsOnly) download.OnPassDone();
        download.FireQueuedEvents();
    }
    download.OnSupervisionEnd();
    download.FireQueuedEvents();
}
