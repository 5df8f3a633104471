// The setup program's start: the time from the start of the process to the
// first painted frame of the main dialog (goal < 100 ms).
// Run by hand: build/bench/setup_startup_bench; prints key=value lines.
#include <chrono>
#include <cstdio>
#include <thread>

#include "download/IDownloader.h"
#include "platform/base/Machine.h"
#include "platform/Win32.h"
#include "setup/SetupMain.h"
#include "setup/SetupDlg.h"

namespace {

using Clock = std::chrono::steady_clock;
// Taken during static initialisation, the nearest this program gets to its start.
const Clock::time_point g_processStart = Clock::now();

double Milliseconds(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

}  // namespace

int main() {
    platform::ScopedMachine machine;
    std::thread program([] {
        static wchar_t empty[] = L"";
        wWinMain(GetModuleHandleW(nullptr), nullptr, empty, SW_SHOW);
    });
    Clock::time_point firstFrame{};
    for (int i = 0; i < 20000; ++i) {
        SetupDlg* dialog = GetMainDialog();
        if (dialog != nullptr && dialog->PaintCount() > 0) {
            firstFrame = Clock::now();
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    double startup = firstFrame == Clock::time_point{} ? -1 : Milliseconds(firstFrame - g_processStart);
    if (SetupDlg* dialog = GetMainDialog()) EndDialog(dialog->GetHwnd(), 0);
    program.join();
    WaitForReleasedDownloaders();

    std::printf("startup_to_first_frame_ms=%.1f\n", startup);
    std::printf("startup_goal_ms=100\n");
    return 0;
}
