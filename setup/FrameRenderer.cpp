// The frame renderer of the busy page: the render loop with its double
// buffer, the start, static, ripple and finish composers, and the download
// ring that the download painter composes into a frame of its own.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/base/Clock.h"
#include "setup/SetupDlg.h"

namespace {

constexpr int W = SetupDlg::kDesignWidth;
constexpr int H = SetupDlg::kDesignHeight;
constexpr int kRingSize = 311;  // the ring pictures' size; the geometry keeps it when one is missing
constexpr int kGreyEntries = 1024;

// Copies a bitmap's pixels into a W × H frame at (x, y), clipped to both;
// with `skip`, pixels of exactly that value are left out.
void CopyBitmap(std::vector<std::uint32_t>& frame, const BMData& bitmap, int x, int y, bool useSkip = false,
                std::uint32_t skip = 0) {
    const std::uint32_t* pixels = bitmap.Pixels();
    if (pixels == nullptr) return;
    for (int row = 0; row < bitmap.Height(); ++row) {
        int ty = y + row;
        if (ty < 0 || ty >= H) continue;
        for (int column = 0; column < bitmap.Width(); ++column) {
            int tx = x + column;
            if (tx < 0 || tx >= W) continue;
            std::uint32_t value = ReadPixel(&pixels[static_cast<size_t>(row) * bitmap.Width() + column]);
            if (useSkip && value == skip) continue;
            frame[static_cast<size_t>(ty) * W + tx] = value;
        }
    }
}

// Copies the inclusive rectangle (x0..x1, y0..y1) of a ring picture, in ring
// coordinates, to the same place at the ring origin. Clipped to the picture,
// so no column or row outside it is ever read.
void CopyRingRect(std::vector<std::uint32_t>& frame, const BMData& bitmap, int originX, int originY, int x0, int x1,
                  int y0, int y1) {
    const std::uint32_t* pixels = bitmap.Pixels();
    if (pixels == nullptr) return;
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, bitmap.Width() - 1);
    y1 = std::min(y1, bitmap.Height() - 1);
    for (int y = y0; y <= y1; ++y) {
        int ty = originY + y;
        if (ty < 0 || ty >= H) continue;
        for (int x = x0; x <= x1; ++x) {
            int tx = originX + x;
            if (tx < 0 || tx >= W) continue;
            frame[static_cast<size_t>(ty) * W + tx] = ReadPixel(&pixels[static_cast<size_t>(y) * bitmap.Width() + x]);
        }
    }
}

void FillFrame(std::vector<std::uint32_t>& frame, std::uint32_t value) {
    frame.assign(static_cast<size_t>(W) * H, value);
}

}  // namespace

void SetupDlg::InitRenderer() {
    m_centreX = W / 2;
    m_centreY = H - 50;
    m_outerRadius = static_cast<int>(PixelDistance(m_centreX, m_centreY));
    // The welcome page's pictures now; the busy, finished and failed pages'
    // on first use (LoadPageBitmaps), so the first frame is not kept waiting.
    m_bitmapEmptyRing.Load(190);
    m_bitmapBackground.Load(191);
    int ringWidth = m_bitmapEmptyRing.Width() > 0 ? m_bitmapEmptyRing.Width() : kRingSize;
    int ringHeight = m_bitmapEmptyRing.Height() > 0 ? m_bitmapEmptyRing.Height() : kRingSize;
    m_ringX = m_centreX - ringWidth / 2;
    m_ringY = (m_centreY - ringHeight) / 2 + 2;
    m_innerRadius = static_cast<int>(PixelDistance(m_centreX - m_ringX, m_centreY - m_ringY));
    std::lock_guard<std::mutex> guard(m_frameLock);
    for (auto& frame : m_outputFrames) FillFrame(frame, 0xFFFFFFFF);
    m_distance.resize(static_cast<size_t>(W) * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            m_distance[static_cast<size_t>(y) * W + x] =
                PixelDistance(std::abs(x - m_centreX), std::abs(y - m_centreY));
    m_greyTable.assign(kGreyEntries, 0xFFFFFFFF);
}

void SetupDlg::LoadPageBitmaps() {
    std::call_once(m_pageBitmapsOnce, [this] {
        m_bitmapOverlay.Load(132);
        m_bitmapFinish.Load(133);
        m_bitmapFullRing.Load(183);
        m_bitmapFailed.Load(182);
        m_bitmapUnused.Load(184);
        m_bitmapInstallBack.Load(185);
    });
}

int SetupDlg::RevealTarget(int installProgress) const { return (m_outerRadius - 15) * installProgress / 1000 + 15; }

std::vector<std::uint32_t> SetupDlg::WorkFrame() {
    std::lock_guard<std::mutex> guard(m_frameLock);
    return m_workFrame;
}

void SetupDlg::ResetRipples() {
    std::lock_guard<std::mutex> guard(m_frameLock);
    m_ripples.clear();
}

void SetupDlg::RenderLoop() {
    const int generation = m_renderGeneration;
    LoadPageBitmaps();
    while (RenderCurrent(generation)) {
        switch (m_animationMode.load()) {
            case ANIMATION_RING: ComposeStartFrame(); break;
            case ANIMATION_INSTALL:
            case ANIMATION_INSTALL_ALT: ComposeRippleFrame(); break;
            case ANIMATION_FINISH: ComposeFinishFrame(); break;
            default: ComposeStaticFrame(); break;
        }
        // Waits for a free output frame; a closing dialog or a newer loop ends the wait.
        int index = m_writeIndex;
        while (m_full[index] && RenderCurrent(generation)) Sleep(1);
        if (!RenderCurrent(generation)) break;
        {
            std::lock_guard<std::mutex> guard(m_frameLock);
            m_outputFrames[index] = m_workFrame;
        }
        m_writeIndex = 1 - index;
        m_full[index] = 1;
    }
}

void SetupDlg::ComposeStartFrame() {
    // The busy page's controls, but only while the page is still the busy
    // one: a late start frame must not relabel the failed page.
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        if (m_pageState == PAGE_BUSY) UpdateCtrlStatus(PAGE_BUSY);
    }
    {
        std::lock_guard<std::mutex> guard(m_frameLock);
        FillFrame(m_workFrame, 0xFFFFFFFF);
        CopyBitmap(m_workFrame, m_bitmapBackground, 0, 0);
        CopyBitmap(m_workFrame, m_bitmapEmptyRing, m_ringX, m_ringY);
    }
    for (int slept = 0; slept < 300 && !m_stop; slept += 10) Sleep(10);
    // Only while the start frames are still wanted: once the install phase
    // began, the package's progress is not thrown away by a late start frame.
    std::lock_guard<std::mutex> phase(m_phaseLock);
    if (m_animationMode == ANIMATION_RING) {
        m_revealRadius = 0;
        m_installProgress = 0;
    }
}

void SetupDlg::SetAnimationMode(int mode) {
    std::lock_guard<std::mutex> phase(m_phaseLock);
    m_animationMode = mode;
}

void SetupDlg::ComposeStaticFrame() {
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        if (m_pageState == PAGE_BUSY) UpdateCtrlStatus(PAGE_BUSY);
    }
    {
        std::lock_guard<std::mutex> guard(m_frameLock);
        FillFrame(m_workFrame, 0xFFFFFFFF);
        CopyBitmap(m_workFrame, m_bitmapOverlay, m_ringX, m_ringY);
    }
    for (int slept = 0; slept < 300 && !m_stop; slept += 10) Sleep(10);
    m_revealRadius = 0;
    m_installProgress = 0;
}

void SetupDlg::ComposeRippleFrame() {
    LoadPageBitmaps();
    DWORD now = GetTickCount();
    int target = RevealTarget(m_installProgress);
    int radius = m_revealRadius + 1;
    if (radius >= target) radius = target;
    m_revealRadius = radius;

    std::lock_guard<std::mutex> guard(m_frameLock);
    if (m_workFrame.size() != static_cast<size_t>(W) * H) FillFrame(m_workFrame, 0xFFFFFFFF);
    if (m_ripples.empty() || now - m_ripples.back().startTick >= 700) {
        RippleRing ring;
        ring.radius = 0;
        ring.startTick = now;
        m_ripples.push_back(ring);
    }
    for (auto it = m_ripples.begin(); it != m_ripples.end();) {
        DWORD age = now - it->startTick;
        if (age >= 5000) {
            it = m_ripples.erase(it);
            continue;
        }
        it->alpha = RippleAlpha(age);
        it->radius = static_cast<int>(age * 0.178);
        ++it;
    }

    // The grey level of each band is computed apart from the table it fills.
    const size_t count = m_ripples.size();
    std::vector<std::uint32_t> levels(count + 1);
    levels[0] = 0xFFFFFF;
    for (size_t i = 0; i < count; ++i) levels[i + 1] = BlendColor(levels[i], 0x999999, 1.0f - m_ripples[i].alpha);
    m_greyTable.assign(kGreyEntries, 0xFFFFFFFF);
    auto fill = [this](int from, int to, std::uint32_t colour) {
        std::uint32_t grey = (colour & 0xFF) * 0x010101u;
        from = std::clamp(from, 0, kGreyEntries);
        to = std::clamp(to, 0, kGreyEntries);
        for (int i = from; i < to; ++i) m_greyTable[i] = grey;
    };
    int previous = 0;
    for (size_t i = 0; i < count; ++i) {
        int ringRadius = m_ripples[i].radius;
        if (previous < ringRadius) fill(previous, ringRadius, levels[i + 1]);
        else fill(ringRadius, previous, levels[i + 1]);
        previous = ringRadius;
    }
    fill(0, previous, BlendColor(levels[count], 0x999999, 0.95f));

    const size_t pixels = static_cast<size_t>(W) * H;
    for (size_t i = 0; i < pixels; ++i) {
        int index = static_cast<int>(m_distance[i]);
        m_workFrame[i] = m_greyTable[index < kGreyEntries ? index : kGreyEntries - 1];
    }
    if (radius < m_innerRadius) CopyBitmap(m_workFrame, m_bitmapOverlay, m_ringX, m_ringY, true, 0x00FFFFFF);
    if (radius > 0) {
        if (m_revealImage.empty()) {
            FillFrame(m_revealImage, 0xFFFFFF);
            CopyBitmap(m_revealImage, m_bitmapInstallBack, 0, 0);
        }
        int x0 = std::max(m_centreX - radius, 0), x1 = std::min(m_centreX + radius, W);
        int y0 = std::max(m_centreY - radius, 0), y1 = std::min(m_centreY + radius, H);
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                size_t at = static_cast<size_t>(y) * W + x;
                double d = m_distance[at];
                int whole = static_cast<int>(d);
                if (whole >= radius) continue;
                if (whole == radius - 1)
                    m_workFrame[at] = BlendColor(m_workFrame[at], m_revealImage[at], static_cast<float>(d - whole));
                else m_workFrame[at] = m_revealImage[at];
            }
        }
    }
}

void SetupDlg::ComposeFinishFrame() {
    LoadPageBitmaps();
    std::lock_guard<std::mutex> guard(m_frameLock);
    FillFrame(m_workFrame, 0x0042237E);
    CopyBitmap(m_workFrame, m_bitmapFinish, m_ringX + 50, m_ringY, true, 0x0042237E);
}

void SetupDlg::ComposeProgressRing(std::uint32_t* frameOut, int percent) {
    LoadPageBitmaps();
    std::vector<std::uint32_t> frame;
    FillFrame(frame, 0xFFFFFFFF);
    CopyBitmap(frame, m_bitmapBackground, 0, 0);
    percent = std::max(percent, 0);
    int quadrant = percent / 25;
    CopyBitmap(frame, quadrant < 2 ? m_bitmapEmptyRing : m_bitmapFullRing, m_ringX, m_ringY);
    int ringHeight = m_bitmapFullRing.Height() > 0 ? m_bitmapFullRing.Height() : kRingSize;
    const int n = ringHeight / 2 + 1;
    const float factor = 2.0f * 3.14159265f / 100.0f;
    float theta = 0.0f;
    switch (quadrant) {
        case 0: theta = percent * factor; break;
        case 1: theta = (percent - 25) * factor; break;
        case 2: theta = (75 - percent) * factor; break;
        case 3: theta = (100 - percent) * factor; break;
        default: break;
    }
    int c = static_cast<int>(std::cos(theta) * n), s = static_cast<int>(std::sin(theta) * n);
    switch (quadrant) {
        case 0: CopyRingRect(frame, m_bitmapFullRing, m_ringX, m_ringY, n - s, n - 1, n + c - 1, 2 * n - 2); break;
        case 1:
            CopyRingRect(frame, m_bitmapFullRing, m_ringX, m_ringY, 0, n - c - 1, n - s - 1, n - 2);
            CopyRingRect(frame, m_bitmapFullRing, m_ringX, m_ringY, 0, n - 1, n - 1, 2 * n - 2);
            break;
        case 2:
            // The sweep's right edge, column 2n − 1, lies outside the picture:
            // the copy stops at its last column.
            CopyRingRect(frame, m_bitmapEmptyRing, m_ringX, m_ringY, n + c, 2 * n - 1, n - s, n - 2);
            CopyRingRect(frame, m_bitmapEmptyRing, m_ringX, m_ringY, n, 2 * n - 2, n - 1, 2 * n - 2);
            break;
        case 3: CopyRingRect(frame, m_bitmapEmptyRing, m_ringX, m_ringY, n, n + s - 1, n + c - 1, 2 * n - 2); break;
        default: CopyBitmap(frame, m_bitmapFullRing, m_ringX, m_ringY); break;
    }
    std::memcpy(frameOut, frame.data(), frame.size() * sizeof(std::uint32_t));
}
