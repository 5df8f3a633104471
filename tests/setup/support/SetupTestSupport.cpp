#include "tests/setup/support/SetupTestSupport.h"

#include <chrono>
#include <cmath>
#include <thread>

#include "download/IDownloader.h"
#include "platform/base/Resources.h"
#include "platform/files/FileSystem.h"
#include "setup/RunFlags.h"
#include "setup/SetupMain.h"
#include "ui/SkinMessageBox.h"
#include "ui/lang/Language.h"
#include "util/StringConvert.h"
#include "tests/support/DibBytes.h"

namespace setuptest {

HRESULT FakeDownloader::StartFromBuffer(const char*, int, std::string targetPath) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_target = std::move(targetPath);
    }
    m_running = true;
    m_started = true;
    return S_OK;
}

HRESULT FakeDownloader::Stop() {
    m_running = false;
    return S_OK;
}

HRESULT FakeDownloader::SetEventCallback(EventCallback callback) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_callback = std::move(callback);
    return S_OK;
}

HRESULT FakeDownloader::GetProgress(DownloadProgress* progress) {
    std::lock_guard<std::mutex> guard(m_lock);
    progress->total = m_total;
    progress->downloaded = m_done;
    DownloadItem item;
    item.status = E_Status_Runing;
    item.speed = 2 * 1024 * 1024;
    progress->items[0] = item;
    return S_OK;
}

std::string FakeDownloader::Target() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_target;
}

void FakeDownloader::Progress(std::int64_t done, std::int64_t total) {
    EventCallback callback;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_done = done;
        m_total = total;
        callback = m_callback;
    }
    if (callback)
        callback(DOWNLOAD_EVENT_PROGRESS, static_cast<int>(done),
                 reinterpret_cast<void*>(static_cast<intptr_t>(total)));
}

void FakeDownloader::Finish(bool success) {
    EventCallback callback;
    std::string target;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        callback = m_callback;
        target = m_target;
    }
    if (success) {
        HANDLE file = CreateFileW(ToWideString(target).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, "MZ", 2, &written, nullptr);
            CloseHandle(file);
        }
    }
    m_state = success ? DownloadState_Finished : DownloadState_Failed;
    m_running = false;
    if (callback) callback(success ? DOWNLOAD_EVENT_FINISHED : DOWNLOAD_EVENT_FAILED, 0, nullptr);
}

FakeSteps::~FakeSteps() {
    for (FakeDownloader* engine : m_engines) delete engine;
}

IDownloader* FakeSteps::CreateDownloader() {
    auto* engine = new FakeDownloader();
    std::lock_guard<std::mutex> guard(m_lock);
    m_engines.push_back(engine);
    ++m_created;
    m_changed.notify_all();
    return engine;
}

void FakeSteps::ReleaseDownloader(IDownloader* engine) {
    // Kept until the steps go, so a test may still look at an engine it holds.
    (void)engine;
    ++m_released;
}

FakeDownloader* FakeSteps::WaitForEngine(int number) {
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return static_cast<int>(m_engines.size()) >= number; });
    if (static_cast<int>(m_engines.size()) < number) return nullptr;
    FakeDownloader* engine = m_engines[number - 1];
    lock.unlock();
    WaitFor([engine] { return engine->Started(); });
    return engine;
}

void FakeSteps::RunPackage(SetupDlg& dialog) {
    m_packageRunning = true;
    dialog.SetInstallProgress(0, 0);
    for (;;) {
        int progress = -1;
        bool finish = false;
        {
            std::unique_lock<std::mutex> lock(m_lock);
            m_changed.wait_for(lock, std::chrono::milliseconds(20),
                               [this] { return m_pendingProgress >= 0 || m_finish; });
            progress = m_pendingProgress;
            finish = m_finish;
            m_pendingProgress = -1;
        }
        if (progress >= 0) dialog.SetInstallProgress(3, static_cast<unsigned>(progress));
        if (finish) break;
        if (dialog.IsStopping()) {
            m_packageRunning = false;
            return;
        }
    }
    m_packageRunning = false;
    dialog.EndPackageRun(true);
}

void FakeSteps::PackageProgress(int progress, bool finish) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_pendingProgress = progress;
    m_finish = finish;
    m_changed.notify_all();
}

bool WaitFor(const std::function<bool()>& condition, unsigned milliseconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end) return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// ---------------------------------------------------------------------------
// Stand-in art: plain drawings under the dialog's bitmap ids, used only
// where no real bitmap resource exists.

namespace {

// A 32-bit DIB whose pixel (x, y), y from the top, is pixel(x, y).
std::string Dib(int width, int height, const std::function<std::uint32_t(int, int)>& pixel) {
    return testsupport::MakeDib(width, height, pixel);
}

std::uint32_t Mix(std::uint32_t a, std::uint32_t b, double t) {
    t = std::fmin(std::fmax(t, 0.0), 1.0);
    std::uint32_t out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        double value = ((a >> shift) & 0xFF) * (1 - t) + ((b >> shift) & 0xFF) * t;
        out |= static_cast<std::uint32_t>(value + 0.5) << shift;
    }
    return out;
}

// A 311 × 311 ring of `colour` on `back`, anti-aliased at both edges.
std::function<std::uint32_t(int, int)> Ring(std::uint32_t colour, std::uint32_t back) {
    return [colour, back](int x, int y) {
        double d = std::hypot(x - 155.0, y - 155.0);
        double coverage = std::fmin(std::fmin(d - 128.0, 150.0 - d) + 0.5, 1.0);
        return coverage <= 0 ? back : Mix(back, colour, coverage);
    };
}

void RegisterIfMissing(int id, int width, int height, const std::function<std::uint32_t(int, int)>& pixel) {
    if (FindResourceW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), RT_BITMAP()) != nullptr) return;
    platform::OverrideResource(RT_BITMAP(), MAKEINTRESOURCEW(id), Dib(width, height, pixel));
}

}  // namespace

void RegisterStandInArt() {
    const std::uint32_t orange = 0xF18F04, purple = 0x42237E, white = 0xFFFFFF, grey = 0xE6E8EE;
    RegisterIfMissing(190, 311, 311, Ring(grey, white));
    RegisterIfMissing(183, 311, 311, Ring(orange, white));
    RegisterIfMissing(132, 311, 311, Ring(0xF5F0FA, white));
    RegisterIfMissing(182, 311, 311, [&](int x, int y) {
        double d = std::hypot(x - 155.0, y - 155.0);
        double coverage = std::fmin(std::fmin(d - 128.0, 150.0 - d) + 0.5, 1.0);
        return coverage <= 0 ? white : Mix(white, 0xD0D3DA, coverage);
    });
    RegisterIfMissing(133, 311, 311, [&](int x, int y) {
        // A white tick in a circle on the finish colour.
        double d = std::hypot(x - 105.0, y - 130.0);
        if (d > 80) return 0x42237Eu;
        bool tick = (std::abs((x - 70) - (y - 130)) < 8 && x >= 70 && x <= 100) ||
                    (std::abs((x - 100) + (y - 160)) < 8 && x >= 100 && x <= 145);
        return tick ? white : Mix(0x42237E, white, 0.18);
    });
    RegisterIfMissing(191, 622, 405, [&](int, int) { return white; });
    RegisterIfMissing(185, 622, 405, [&](int x, int y) { return Mix(0x5B3AA8, purple, (x + y) / 1027.0); });
    auto logo = [&](std::uint32_t mark, std::uint32_t back) {
        return [mark, back](int x, int y) {
            double d = std::hypot(x - 30.0, y - 22.0);
            if (d < 14) return Mix(mark, back, std::fmax(0.0, d - 13.0));
            return back;
        };
    };
    RegisterIfMissing(138, 206, 45, logo(orange, 0xFFFFFF));
    RegisterIfMissing(187, 206, 45, logo(orange, 0xFFFFFF));
    RegisterIfMissing(139, 206, 45, logo(white, purple));
    RegisterIfMissing(188, 206, 45, logo(white, purple));
    auto cross = [](std::uint32_t mark, std::uint32_t back) {
        return [mark, back](int x, int y) {
            int cx = x - 8, cy = y - 10;
            return (std::abs(cx) <= 4 && (cx == cy || cx == -cy)) ? mark : back;
        };
    };
    auto bar = [](std::uint32_t mark, std::uint32_t back) {
        return [mark, back](int x, int y) { return (y == 11 && x >= 4 && x <= 12) ? mark : back; };
    };
    RegisterIfMissing(140, 17, 21, cross(0x9AA0AA, white));
    RegisterIfMissing(143, 17, 21, cross(orange, white));
    RegisterIfMissing(142, 17, 21, cross(0xC06F00, white));
    RegisterIfMissing(144, 17, 21, bar(0x9AA0AA, white));
    RegisterIfMissing(147, 17, 21, bar(orange, white));
    RegisterIfMissing(146, 17, 21, bar(0xC06F00, white));
    RegisterIfMissing(148, 17, 21, cross(white, purple));
    RegisterIfMissing(149, 17, 21, bar(white, purple));
    RegisterIfMissing(151, 17, 21, bar(0xFFD9A0, purple));
    RegisterIfMissing(150, 17, 21, bar(0xC0C0C0, purple));
    auto box = [](bool ticked, std::uint32_t edge) {
        return [ticked, edge](int x, int y) -> std::uint32_t {
            if (x == 0 || y == 0 || x == 13 || y == 13) return edge;
            if (ticked) return (x >= 3 && x <= 10 && y >= 3 && y <= 10) ? 0xF18F04u : 0xFFFFFFu;
            return 0xFFFFFFu;
        };
    };
    RegisterIfMissing(157, 14, 14, box(false, 0xB0B4BC));
    RegisterIfMissing(158, 14, 14, box(false, orange));
    RegisterIfMissing(159, 14, 14, box(true, orange));
    RegisterIfMissing(160, 14, 14, box(true, 0xC06F00));
    auto chevron = [](bool up, std::uint32_t colour) {
        return [up, colour](int x, int y) -> std::uint32_t {
            int row = up ? 7 - y : y;
            return (std::abs(x - 7) == row || std::abs(x - 7) == row - 1) && row <= 6 ? colour : 0xFDFBF7u;
        };
    };
    RegisterIfMissing(165, 14, 8, chevron(false, 0xA3C0CE));
    RegisterIfMissing(166, 14, 8, chevron(false, 0x78A3E3));
    RegisterIfMissing(167, 14, 8, chevron(true, 0xA3C0CE));
    RegisterIfMissing(168, 14, 8, chevron(true, 0x78A3E3));
    auto dots = [](std::uint32_t colour) {
        return [colour](int x, int y) -> std::uint32_t {
            if (x == 0 || y == 0 || x == 28 || y == 25) return 0xC8CCD4;
            return (y == 13 && (x == 9 || x == 14 || x == 19)) ? colour : 0xFFFFFFu;
        };
    };
    RegisterIfMissing(171, 29, 26, dots(0x666666));
    RegisterIfMissing(170, 29, 26, dots(orange));
    RegisterIfMissing(169, 29, 26, dots(0xC06F00));
}

// ---------------------------------------------------------------------------

void SetupProgramTest::ResetRun() {
    ResetRunFlagsForTests();
    ResetSetupTestModeForTests();
    ResetLanguageForTests();
}

void SetupProgramTest::SetUp() {
    ResetRun();
    RegisterStandInArt();
}

void SetupProgramTest::TearDown() {
    driver.reset();
    // A run that reached the real engine let it go on a deletion thread.
    WaitForReleasedDownloaders();
    ResetLanguageForTests();
}

bool SetupProgramTest::StartProgram() {
    exitCode = -1;
    driver = std::make_unique<platform::DialogDriver>([this] {
        static wchar_t empty[] = L"";
        exitCode = wWinMain(GetModuleHandleW(nullptr), nullptr, empty, SW_SHOW);
    });
    if (driver->Window() == nullptr || Dialog() == nullptr) return false;
    Dialog()->SetInstallSteps(steps);
    return driver->WaitIdle();
}

SetupDlg* SetupProgramTest::Dialog() { return GetMainDialog(); }

void SetupProgramTest::Tick(int seconds) {
    for (int i = 0; i < seconds; ++i) driver->AdvanceClock(1000);
}

void SetupProgramTest::ClickClose() { driver->Click(608, 10); }

bool SetupProgramTest::AnswerBox(bool first) {
    if (!WaitFor([&] { return driver->TopWindow() != driver->Window(); })) return false;
    HWND box = driver->TopWindow();
    SkinMessageBox* object = SkinMessageBox::FromWindow(box);
    if (object == nullptr) return false;
    CommonRect rect = first ? object->FirstButtonRect() : object->SecondButtonRect();
    driver->Click((rect.Left() + rect.Right()) / 2, (rect.Top() + rect.Bottom()) / 2, box);
    return WaitFor([&] { return driver->TopWindow() == driver->Window() || driver->WaitFinished(10); });
}

}  // namespace setuptest
