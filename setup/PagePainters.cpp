// The painters of the compact and uninstall layouts' pages. Each composes
// the page in design pixels (622 wide) in a memory bitmap, draws its
// controls into it and copies it to the window in one piece (four around the
// edit box while the options panel is out; PageCanvas.h).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/drawing/Gdi.h"
#include "platform/drawing/Text.h"
#include "setup/PageCanvas.h"
#include "setup/ProductConfig.h"
#include "setup/RunFlags.h"
#include "setup/SetupDlg.h"
#include "ui/InfoViewDlg.h"
#include "ui/lang/Language.h"
#include "util/StringUtil.h"
#include "util/StringConvert.h"
#include "util/ValueFormat.h"

namespace {

constexpr int W = SetupDlg::kDesignWidth;
constexpr int H = SetupDlg::kDesignHeight;

// A speed for the report's signed fields; a faster one is held at the top.
std::int32_t ClampToInt32(std::uint32_t value) {
    return value > static_cast<std::uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<std::int32_t>(value);
}

}  // namespace

using setuppaint::Fill;
using setuppaint::PageBuffer;
using setuppaint::Present;
using setuppaint::Text;

void SetupDlg::OnPaint() {
    CommonDlg::OnPaint();
    if (!m_compact) {
        if (!m_large) PaintUninstallPage();
        else if (m_pageState == PAGE_SURVEY) PaintSurveyPage();
        else PaintUninstallPages();
        ++m_paints;
        return;
    }
    switch (m_pageState.load()) {
        case PAGE_WELCOME: PaintWelcomePage(); break;
        case PAGE_BUSY: {
            {
                std::lock_guard<std::recursive_mutex> guard(m_uiLock);
                if (m_countdownLabel != nullptr) m_countdownLabel->SetVisible(false);
            }
            if (m_downloadEnded) PaintInstallPage();
            else PaintDownloadPage(false);
            break;
        }
        case PAGE_FINISHED: PaintFinishedPage(); break;
        case PAGE_FAILED: PaintDownloadPage(true); break;
        default: break;  // pages 4 to 7 belong to the large layout
    }
    ++m_paints;
}

void SetupDlg::PaintUninstallPage() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    setuppaint::PaintPage(*this, W, H, [&](HDC dc) -> const RECT* {
        Fill(dc, 0, 0, W, H, GetBackgroundColor());
        for (CommonCtrl* control : m_paintList) control->Draw(dc);
        return nullptr;
    });
}

void SetupDlg::PaintWelcomePage() {
    HWND hwnd = GetHwnd();
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    HDC window = GetDC(hwnd);
    if (window == nullptr) return;
    if (m_screenFrame.empty()) m_screenFrame.assign(static_cast<size_t>(W) * H, 0xFFFFFFFF);
    if (m_bitmapBackground.Pixels() != nullptr && m_bitmapBackground.Width() == W && m_bitmapBackground.Height() == H)
        std::memcpy(m_screenFrame.data(), m_bitmapBackground.Pixels(), m_screenFrame.size() * 4);
    bool panel = m_optionsToggle != nullptr && m_optionsToggle->GetCheck();
    int height = panel ? H + kPanelHeight : H;
    {
        PageBuffer buffer(window, W, height);
        if (buffer.Ready()) {
            buffer.SetFrame(m_screenFrame, H);
            if (panel) Fill(buffer.Dc(), 0, H, W, height, 0xFFFEFC);
            Fill(buffer.Dc(), 0, H - 67, W, H, 0xFDFBF7);
            for (CommonCtrl* control : m_paintList) control->Draw(buffer.Dc());
            Present(*this, hwnd, window, buffer, (panel && m_editBox != nullptr) ? &m_editRect : nullptr);
        }
    }
    ReleaseDC(hwnd, window);
}

std::uint32_t SetupDlg::AverageSpeed(std::uint32_t done, DWORD elapsedMs) {
    if (elapsedMs == 0) return 0;
    // Within the first millisecond the quotient passes what 32 bits hold;
    // it is held there, never converted out of range.
    const double perSecond = done / (elapsedMs / 1000.0);
    return perSecond >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(perSecond);
}

void SetupDlg::PaintDownloadPage(bool failed) {
    LoadPageBitmaps();
    HWND hwnd = GetHwnd();
    // Taken before the UI lock: the report's holder has a lock of its own.
    std::shared_ptr<InstallStatsReport> report = failed ? nullptr : InstallReport();
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    HDC window = GetDC(hwnd);
    if (window == nullptr) return;
    const RECT* noKeepOut = nullptr;
    if (failed) {
        std::vector<std::uint32_t> frame(static_cast<size_t>(W) * H, 0xFFFFFFFF);
        if (const std::uint32_t* pixels = m_bitmapFailed.Pixels()) {
            for (int y = 0; y < m_bitmapFailed.Height(); ++y)
                for (int x = 0; x < m_bitmapFailed.Width(); ++x) {
                    int tx = m_ringX + x, ty = m_ringY + y;
                    if (tx >= 0 && tx < W && ty >= 0 && ty < H)
                        frame[static_cast<size_t>(ty) * W + tx] =
                            ReadPixel(&pixels[static_cast<size_t>(y) * m_bitmapFailed.Width() + x]);
                }
        }
        PageBuffer buffer(window, W, H);
        if (buffer.Ready()) {
            buffer.SetFrame(frame, H);
            Fill(buffer.Dc(), 0, H - 67, W, H, 0xFDFBF7);
            std::wstring text = GetLangText(45);
            ReplaceAllWide(text, LANG_SITE_HOST, GetWebsiteDomainW());
            Text(buffer.Dc(), text, RECT{30, m_ringY + 80, W - 30, m_ringY + 160},
                 DT_WORDBREAK | DT_VCENTER | DT_CENTER, m_smallFont, m_accent[3]);
            if (m_installButton != nullptr) m_installButton->Draw(buffer.Dc());
            if (m_closeButton != nullptr) m_closeButton->Draw(buffer.Dc());
            Present(*this, hwnd, window, buffer, noKeepOut);
        }
        ReleaseDC(hwnd, window);
        return;
    }

    // The painter's own frame: the render thread's work frame is not touched here.
    m_ringFrame.resize(static_cast<size_t>(W) * H);
    ComposeProgressRing(m_ringFrame.data(), m_downloadPercent);
    PageBuffer buffer(window, W, H);
    if (buffer.Ready()) {
        buffer.SetFrame(m_ringFrame, H);
        std::uint32_t speed = 0, total = 0, done = 0;
        const std::shared_ptr<IDownloader> engine = DownloaderSnapshot();
        if (engine) {
            DownloadProgress progress;
            engine->GetProgress(&progress);
            UpdateInfoViewSegments(&progress);
            for (const auto& entry : progress.items)
                if (entry.second.status == E_Status_Runing) speed += static_cast<std::uint32_t>(entry.second.speed);
            total = static_cast<std::uint32_t>(progress.total);
            done = static_cast<std::uint32_t>(progress.downloaded);
        }
        DWORD now = GetTickCount();
        m_speed.Update(done, now);
        DWORD elapsed = now - RunFlags().downloadStartTick.load();
        const std::uint32_t average = elapsed > 0 ? AverageSpeed(done, elapsed) : 0;
        int wholePercent = 0;
        char size[64] = {};
        FormatByteSize(m_speed.shown, size, sizeof size);
        char speedText[80] = {};
        std::snprintf(speedText, sizeof speedText, "%s/s", size);
        if (done < total && done > 0) {
            Text(buffer.Dc(), ToWideString(speedText), RECT{20, H - 47, 120, H - 27}, DT_SINGLELINE | DT_VCENTER,
                 m_smallFont, m_accent[0]);
            double percent = done * 100.0 / total;
            wholePercent = static_cast<int>(percent);
            char percentText[32] = {};
            std::snprintf(percentText, sizeof percentText, "%.0f%s", percent, "%");
            Text(buffer.Dc(), ToWideString(percentText), RECT{W - 120, H - 47, W - 20, H - 27},
                 DT_SINGLELINE | DT_VCENTER | DT_RIGHT, m_smallFont, m_accent[0]);
            Text(buffer.Dc(), GetLangText(54), RECT{W / 2 - 150, H - 47, W / 2 + 150, H - 27},
                 DT_SINGLELINE | DT_VCENTER | DT_CENTER, m_smallFont, m_accent[0]);
        } else {
            Text(buffer.Dc(), GetLangText(total > 0 ? 48 : 49), RECT{40, H - 47, W - 40, H - 27},
                 DT_SINGLELINE | DT_VCENTER | DT_CENTER, m_smallFont, m_accent[0]);
        }
        // A frame painted after the engine was let go knows no figures: it keeps
        // the last ones the report heard instead of overwriting them with 0.
        if (report && engine) report->SetSpeed(wholePercent, ClampToInt32(speed), ClampToInt32(average), m_cdnSwitch);
        if (m_closeButton != nullptr) m_closeButton->Draw(buffer.Dc());
        Present(*this, hwnd, window, buffer, noKeepOut);
    }
    ReleaseDC(hwnd, window);
}

void SetupDlg::PaintInstallPage() {
    int index = m_readIndex;
    if (!m_full[index]) return;
    HWND hwnd = GetHwnd();
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    HDC window = GetDC(hwnd);
    if (window == nullptr) return;
    {
        std::lock_guard<std::mutex> frames(m_frameLock);
        m_screenFrame = m_outputFrames[index];
    }
    {
        PageBuffer buffer(window, W, H);
        if (buffer.Ready()) {
            buffer.SetFrame(m_screenFrame, H);
            if (m_animationMode == ANIMATION_INSTALL) {
                wchar_t text[32] = {};
                swprintf(text, 32, L"%d%%", GetDisplayProgress(m_installProgress) / 10);
                Text(buffer.Dc(), text, RECT{W / 2 - 50, H - 80, W / 2 + 50, H - 20},
                     DT_SINGLELINE | DT_VCENTER | DT_CENTER, m_largeFont, 0xFFFFFF);
            }
            for (CommonCtrl* control : m_paintList) control->Draw(buffer.Dc());
            Present(*this, hwnd, window, buffer, nullptr);
        }
    }
    ReleaseDC(hwnd, window);
    m_readIndex = 1 - index;
    m_full[index] = 0;
}

void SetupDlg::PaintFinishedPage() {
    LoadPageBitmaps();
    HWND hwnd = GetHwnd();
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    HDC window = GetDC(hwnd);
    if (window == nullptr) return;
    if (m_screenFrame.size() != static_cast<size_t>(W) * H)
        m_screenFrame.assign(static_cast<size_t>(W) * H, 0xFFFFFFFF);
    if (m_bitmapInstallBack.Pixels() != nullptr && m_bitmapInstallBack.Width() == W &&
        m_bitmapInstallBack.Height() == H)
        std::memcpy(m_screenFrame.data(), m_bitmapInstallBack.Pixels(), m_screenFrame.size() * 4);
    else std::fill(m_screenFrame.begin(), m_screenFrame.end(), 0xFFFFFFFF);
    {
        PageBuffer buffer(window, W, H);
        if (buffer.Ready()) {
            buffer.SetFrame(m_screenFrame, H);
            Fill(buffer.Dc(), 0, H - 67, W, H, 0xFDFBF7);
            for (CommonCtrl* control : m_paintList) control->Draw(buffer.Dc());
            Present(*this, hwnd, window, buffer, nullptr);
        }
    }
    ReleaseDC(hwnd, window);
}
