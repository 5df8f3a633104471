// The setup program: runs the entry point on the machine model, as a real
// X11 window when a display is there (or WEBINSTALLER_OUTPUT=x11), headless
// otherwise.
//
// With WEBINSTALLER_FRAMES set to a host folder, every frame the dialog shows
// is written there as frame-NNNNN.png, the latest frame of each page as
// page-<page>.png (welcome, download, install, finished, failed), the run's
// state as one line in status.txt ("page=<page> percent=<n> speed=<bytes/s>")
// whenever it changes, and at the end timing.txt: the seconds from the
// install click to the finished page and the download's own seconds.
//
// WEBINSTALLER_ANSWER=first (or second) stands in for the person on a
// headless run: a box the dialog opens is answered with that button after
// a second.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "download/IDownloader.h"
#include "platform/Win32.h"
#include "platform/windowing/Desktop.h"
#include "platform/windowing/Screen.h"
#include "setup/SetupDlg.h"
#include "setup/SetupMain.h"
#include "ui/SkinMessageBox.h"

namespace {

using Clock = std::chrono::steady_clock;

// The host's environment (the machine model's own has no such variable).
std::string HostVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// What the watcher reads of the dialog in one look.
struct DialogLook {
    HWND window = nullptr;
    int page = -1;
    int animation = -1;
    int percent = 0;
    bool downloadEnded = false;
    std::shared_ptr<IDownloader> engine;
};

const char* PageName(const DialogLook& look) {
    switch (look.page) {
        case PAGE_WELCOME: return "welcome";
        case PAGE_BUSY: return look.animation == ANIMATION_RING ? "download" : "install";
        case PAGE_FINISHED: return "finished";
        case PAGE_FAILED: return "failed";
        default: return "none";
    }
}

DialogLook Look() {
    DialogLook look;
    VisitMainDialog([&look](SetupDlg* dialog) {
        if (dialog == nullptr) return;
        look.window = dialog->GetHwnd();
        look.page = dialog->GetPageState();
        look.animation = dialog->GetAnimationMode();
        look.downloadEnded = dialog->IsDownloadEnded();
        look.engine = dialog->DownloaderSnapshot();
        if (look.page == PAGE_BUSY && look.animation == ANIMATION_RING) look.percent = dialog->GetDownloadPercent();
        else if (look.page == PAGE_BUSY) look.percent = dialog->GetInstallProgress() / 10;
        else if (look.page == PAGE_FINISHED) look.percent = 100;
    });
    return look;
}

// The sum of the running parts' speeds, bytes per second.
long long EngineSpeed(IDownloader* engine) {
    if (engine == nullptr) return 0;
    DownloadProgress progress;
    engine->GetProgress(&progress);
    long long speed = 0;
    for (const auto& entry : progress.items)
        if (entry.second.status == E_Status_Runing) speed += static_cast<long long>(entry.second.speed);
    return speed;
}

// The box the dialog opened (a visible top-level window it owns that is not
// its shadow), or null.
struct BoxSearch {
    HWND owner;
    HWND found;
};

BOOL FindBox(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<BoxSearch*>(parameter);
    if (window != search->owner && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == search->owner &&
        (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND OpenBox(HWND dialog) {
    if (dialog == nullptr) return nullptr;
    BoxSearch search{dialog, nullptr};
    EnumDesktopWindows(nullptr, FindBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

double Seconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double>(to - from).count();
}

// Watches the dialog until told to stop: every 10 ms the times of the install
// click, the download and page 2 (which lasts only until the dialog closes
// when the product starts after the install), every 50 ms frames, pages,
// status and answers.
void Watch(const std::string& folder, const std::string& answer, const std::atomic<bool>& stop) {
    std::uint64_t shown = 0;
    int number = 0;
    std::string lastStatus;
    Clock::time_point clicked{}, downloadStart{}, downloadEnd{}, finished{}, boxSeen{};
    HWND answered = nullptr;
    for (unsigned turn = 0; !stop; ++turn) {
        Sleep(10);
        const DialogLook look = Look();
        const Clock::time_point now = Clock::now();
        if (look.page == PAGE_BUSY && clicked == Clock::time_point{}) clicked = now;
        if (look.engine && downloadStart == Clock::time_point{}) downloadStart = now;
        if (look.downloadEnded && downloadStart != Clock::time_point{} && downloadEnd == Clock::time_point{})
            downloadEnd = now;
        if (look.page == PAGE_FINISHED && finished == Clock::time_point{}) finished = now;
        if (turn % 5 != 0) continue;

        if (!answer.empty()) {
            HWND box = OpenBox(look.window);
            if (box == nullptr || box == answered) {
                boxSeen = Clock::time_point{};
            } else if (boxSeen == Clock::time_point{}) {
                boxSeen = now;
            } else if (Seconds(boxSeen, now) >= 1.0) {
                const int button =
                    answer == "second" ? SkinMessageBox::kSecondButtonId : SkinMessageBox::kFirstButtonId;
                PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
                answered = box;
                boxSeen = Clock::time_point{};
            }
        }
        if (folder.empty()) continue;

        char status[160] = {};
        std::snprintf(status, sizeof status, "page=%s percent=%d speed=%lld", PageName(look), look.percent,
                      look.page == PAGE_BUSY ? EngineSpeed(look.engine.get()) : 0LL);
        if (status != lastStatus) {
            lastStatus = status;
            const std::string path = folder + "/status.txt";
            {
                std::ofstream out(path + ".new", std::ios::binary);
                out << status << "\n";
            }
            std::rename((path + ".new").c_str(), path.c_str());
        }
        const std::uint64_t generation = platform::ScreenGeneration();
        if (generation == shown) continue;
        if (look.window == nullptr || !IsWindow(look.window) || !IsWindowVisible(look.window)) continue;
        shown = generation;
        const platform::Image picture = platform::CaptureWindow(look.window);
        char name[32] = {};
        std::snprintf(name, sizeof name, "/frame-%05d.png", number++);
        platform::WritePng(picture, folder + name);
        platform::WritePng(picture, folder + "/page-" + PageName(look) + ".png");
    }
    if (folder.empty()) return;
    std::ofstream out(folder + "/timing.txt", std::ios::binary);
    if (clicked != Clock::time_point{} && finished != Clock::time_point{})
        out << "click_to_finished_seconds=" << Seconds(clicked, finished) << "\n";
    if (downloadStart != Clock::time_point{} && downloadEnd != Clock::time_point{})
        out << "download_seconds=" << Seconds(downloadStart, downloadEnd) << "\n";
}

}  // namespace

int main() {
    platform::ChooseOutput();
    const std::string folder = HostVariable("WEBINSTALLER_FRAMES");
    const std::string answer = HostVariable("WEBINSTALLER_ANSWER");
    std::atomic<bool> stop{false};
    std::thread watcher;
    if (!folder.empty() || !answer.empty()) watcher = std::thread(Watch, folder, answer, std::cref(stop));
    int result = wWinMain(GetModuleHandleW(nullptr), nullptr, GetCommandLineW(), SW_SHOWNORMAL);
    stop = true;
    if (watcher.joinable()) watcher.join();
    // The engines' deletion threads write their last log lines before the end.
    WaitForReleasedDownloaders();
    platform::StopX11Output();
    return result;
}
