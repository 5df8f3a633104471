// Composing the busy page's frames at 622 x 405: one ripple frame of the
// install phase and one download-ring frame (goal < 2 ms each), timed on one
// thread while nothing else runs (so wall time is its CPU time).
// Run by hand: build/bench/setup_frames_bench; prints key=value lines.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/base/Machine.h"
#include "setup/WebsiteSmallDownloader.h"

namespace {

using Clock = std::chrono::steady_clock;

// The renderer of a dialog without a window, prepared as initialisation prepares it.
class RendererOnly : public WebsiteSmallDownloader {
public:
    RendererOnly() { InitRenderer(); }
    void SetProgress(int progress) { m_installProgress = progress; }
};

template <typename Work>
double MedianMs(int rounds, Work work) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        Clock::time_point start = Clock::now();
        work(i);
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int main() {
    platform::ScopedMachine machine;
    RendererOnly renderer;
    renderer.SetProgress(600);
    std::vector<std::uint32_t> frame(static_cast<size_t>(SetupDlg::kDesignWidth) * SetupDlg::kDesignHeight);
    for (int i = 0; i < 40; ++i) renderer.ComposeRippleFrame();  // rings and the reveal circle grow first
    double ripple = MedianMs(200, [&](int) { renderer.ComposeRippleFrame(); });
    double ring = MedianMs(200, [&](int i) { renderer.ComposeProgressRing(frame.data(), i % 101); });
    std::printf("frame_size=%dx%d\n", SetupDlg::kDesignWidth, SetupDlg::kDesignHeight);
    std::printf("ripple_frame_ms=%.3f\n", ripple);
    std::printf("ring_frame_ms=%.3f\n", ring);
    std::printf("frame_goal_ms=2\n");
    return 0;
}
