// The setup program: runs the entry point on the machine model, as a real
// X11 window when a display is there (or WEBINSTALLER_OUTPUT=x11), headless
// otherwise. With WEBINSTALLER_FRAMES set to a host folder, every frame the
// dialog shows is written there as frame-NNNNN.png.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "download/IDownloader.h"
#include "platform/Win32.h"
#include "platform/windowing/Screen.h"
#include "setup/SetupDlg.h"
#include "setup/SetupMain.h"

namespace {

// The host's environment (the machine model's own has no such variable).
std::string FramesFolder() {
    const char* folder = std::getenv("WEBINSTALLER_FRAMES");
    return folder != nullptr ? folder : "";
}

// Writes the main dialog's picture whenever the screen changes, at most
// every 50 ms, until told to stop.
void WriteFrames(const std::string& folder, const std::atomic<bool>& stop) {
    std::uint64_t shown = 0;
    int number = 0;
    while (!stop) {
        Sleep(50);
        std::uint64_t generation = platform::ScreenGeneration();
        if (generation == shown) continue;
        SetupDlg* dialog = GetMainDialog();
        HWND window = dialog != nullptr ? dialog->GetHwnd() : nullptr;
        if (window == nullptr || !IsWindow(window) || !IsWindowVisible(window)) continue;
        shown = generation;
        char name[32] = {};
        std::snprintf(name, sizeof name, "/frame-%05d.png", number++);
        platform::WritePng(platform::CaptureWindow(window), folder + name);
    }
}

}  // namespace

int main() {
    platform::ChooseOutput();
    std::string folder = FramesFolder();
    std::atomic<bool> stop{false};
    std::thread frames;
    if (!folder.empty()) frames = std::thread(WriteFrames, folder, std::cref(stop));
    int result = wWinMain(GetModuleHandleW(nullptr), nullptr, GetCommandLineW(), SW_SHOWNORMAL);
    stop = true;
    if (frames.joinable()) frames.join();
    // The engines' deletion threads write their last log lines before the end.
    WaitForReleasedDownloaders();
    platform::StopX11Output();
    return result;
}
