// The painters of the compact layout's pages. Each composes the page in
// design pixels (622 wide) in a memory bitmap, draws its controls into it
// and copies it to the window in one piece (four around the edit box while
// the options panel is out). On a screen above 96 DPI the composed page is
// scaled up smoothly to the window's size.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/drawing/Gdi.h"
#include "platform/drawing/Text.h"
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

// A memory DC with a W × height bitmap selected, released on destruction.
class PageBuffer {
public:
    PageBuffer(HDC window, int height) : m_height(height) {
        m_bitmap = CreateCompatibleBitmap(window, W, height);
        m_dc = CreateCompatibleDC(window);
        if (m_dc != nullptr && m_bitmap != nullptr) m_previous = SelectObject(m_dc, m_bitmap);
    }
    ~PageBuffer() {
        if (m_dc != nullptr) {
            if (m_previous != nullptr) SelectObject(m_dc, m_previous);
            DeleteDC(m_dc);
        }
        if (m_bitmap != nullptr) DeleteObject(m_bitmap);
    }
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    bool Ready() const { return m_dc != nullptr && m_bitmap != nullptr; }
    HDC Dc() const { return m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }
    int Height() const { return m_height; }
    // Puts a W × H frame into the buffer's top rows.
    void SetFrame(const std::vector<std::uint32_t>& frame) {
        if (frame.size() >= static_cast<size_t>(W) * H)
            SetBitmapBits(m_bitmap, static_cast<DWORD>(static_cast<size_t>(W) * H * 4), frame.data());
    }

private:
    int m_height;
    HBITMAP m_bitmap = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_previous = nullptr;
};

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour) {
    RECT rect{left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void Text(HDC dc, const std::wstring& text, RECT rect, UINT format, HFONT font, COLORREF colour) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
    if (previous != nullptr) SelectObject(dc, previous);
}

// Bilinear scaling of a 0x00RRGGBB image, in 8-bit fixed point.
std::vector<std::uint32_t> Scale(const std::vector<std::uint32_t>& source, int width, int height, int toWidth,
                                 int toHeight) {
    struct Tap {
        int first, second, weight;  // weight of the second, 0..256
    };
    auto taps = [](int from, int to) {
        std::vector<Tap> out(to);
        for (int i = 0; i < to; ++i) {
            double position = (i + 0.5) * from / to - 0.5;
            int first = std::clamp(static_cast<int>(position), 0, from - 1);
            int weight = std::clamp(static_cast<int>((position - first) * 256), 0, 256);
            out[i] = Tap{first, std::min(first + 1, from - 1), weight};
        }
        return out;
    };
    std::vector<Tap> columns = taps(width, toWidth), rows = taps(height, toHeight);
    std::vector<std::uint32_t> out(static_cast<size_t>(toWidth) * toHeight);
    for (int y = 0; y < toHeight; ++y) {
        const std::uint32_t* top = &source[static_cast<size_t>(rows[y].first) * width];
        const std::uint32_t* bottom = &source[static_cast<size_t>(rows[y].second) * width];
        const int fy = rows[y].weight;
        std::uint32_t* line = &out[static_cast<size_t>(y) * toWidth];
        for (int x = 0; x < toWidth; ++x) {
            const Tap& tap = columns[x];
            std::uint32_t a = top[tap.first], b = top[tap.second], c = bottom[tap.first], d = bottom[tap.second];
            std::uint32_t pixel = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                int upper = static_cast<int>((a >> shift) & 0xFF) * (256 - tap.weight) + static_cast<int>((b >> shift) & 0xFF) * tap.weight;
                int lower = static_cast<int>((c >> shift) & 0xFF) * (256 - tap.weight) + static_cast<int>((d >> shift) & 0xFF) * tap.weight;
                int value = (upper * (256 - fy) + lower * fy + 32768) >> 16;
                pixel |= static_cast<std::uint32_t>(value) << shift;
            }
            line[x] = pixel;
        }
    }
    return out;
}

// Copies the buffer to the window, leaving out `keepOut` (window pixels)
// when it is given, so that a child window there is never painted over.
void Blit(HDC window, HDC source, int width, int height, const RECT* keepOut) {
    if (keepOut == nullptr) {
        BitBlt(window, 0, 0, width, height, source, 0, 0, SRCCOPY);
        return;
    }
    const RECT& r = *keepOut;
    BitBlt(window, 0, 0, width, r.top, source, 0, 0, SRCCOPY);
    BitBlt(window, 0, r.top, r.left, r.bottom - r.top, source, 0, r.top, SRCCOPY);
    BitBlt(window, r.right, r.top, width - r.right, r.bottom - r.top, source, r.right, r.top, SRCCOPY);
    BitBlt(window, 0, r.bottom, width, height - r.bottom, source, 0, r.bottom, SRCCOPY);
}

}  // namespace

namespace setuppaint {

// Shows a composed page (W × height design pixels) in the window.
void Present(SetupDlg& dialog, HWND hwnd, HDC window, PageBuffer& buffer, const RECT* keepOut) {
    int dpi = dialog.FrameDpi();
    int height = buffer.Height();
    if (dpi == 96 || dpi <= 0) {
        Blit(window, buffer.Dc(), W, height, keepOut);
        return;
    }
    int toWidth = dialog.ScaleByDpi(W), toHeight = dialog.ScaleByDpi(height);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(W) * height);
    GetBitmapBits(buffer.Bitmap(), static_cast<LONG>(pixels.size() * 4), pixels.data());
    std::vector<std::uint32_t> scaled = Scale(pixels, W, height, toWidth, toHeight);
    HBITMAP bitmap = CreateCompatibleBitmap(window, toWidth, toHeight);
    HDC dc = CreateCompatibleDC(window);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    SetBitmapBits(bitmap, static_cast<DWORD>(scaled.size() * 4), scaled.data());
    RECT scaledKeepOut{};
    if (keepOut != nullptr)
        scaledKeepOut = RECT{dialog.ScaleByDpi(keepOut->left), dialog.ScaleByDpi(keepOut->top),
                             dialog.ScaleByDpi(keepOut->right), dialog.ScaleByDpi(keepOut->bottom)};
    Blit(window, dc, toWidth, toHeight, keepOut != nullptr ? &scaledKeepOut : nullptr);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
    (void)hwnd;
}

}  // namespace setuppaint

using setuppaint::Present;

void SetupDlg::OnPaint() {
    CommonDlg::OnPaint();
    if (!m_compact) {
        PaintUninstallPage();
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
        default: break;  // the large layout's pages come with that layout
    }
    ++m_paints;
}

void SetupDlg::PaintUninstallPage() {
    HWND hwnd = GetHwnd();
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    HDC window = GetDC(hwnd);
    if (window == nullptr) return;
    {
        PageBuffer buffer(window, H);
        if (buffer.Ready()) {
            Fill(buffer.Dc(), 0, 0, W, H, GetBackgroundColor());
            for (CommonCtrl* control : m_paintList) control->Draw(buffer.Dc());
            Present(*this, hwnd, window, buffer, nullptr);
        }
    }
    ReleaseDC(hwnd, window);
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
        PageBuffer buffer(window, height);
        if (buffer.Ready()) {
            buffer.SetFrame(m_screenFrame);
            if (panel) Fill(buffer.Dc(), 0, H, W, height, 0xFFFEFC);
            Fill(buffer.Dc(), 0, H - 67, W, H, 0xFDFBF7);
            for (CommonCtrl* control : m_paintList) control->Draw(buffer.Dc());
            Present(*this, hwnd, window, buffer, (panel && m_editBox != nullptr) ? &m_editRect : nullptr);
        }
    }
    ReleaseDC(hwnd, window);
}

void SetupDlg::PaintDownloadPage(bool failed) {
    LoadPageBitmaps();
    HWND hwnd = GetHwnd();
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
                        frame[static_cast<size_t>(ty) * W + tx] = ReadPixel(&pixels[static_cast<size_t>(y) * m_bitmapFailed.Width() + x]);
                }
        }
        PageBuffer buffer(window, H);
        if (buffer.Ready()) {
            buffer.SetFrame(frame);
            Fill(buffer.Dc(), 0, H - 67, W, H, 0xFDFBF7);
            std::wstring text = GetLangText(45);
            ReplaceAllWide(text, LANG_SITE_HOST, GetWebsiteDomainW());
            Text(buffer.Dc(), text, RECT{30, m_ringY + 80, W - 30, m_ringY + 160}, DT_WORDBREAK | DT_VCENTER | DT_CENTER,
                 m_smallFont, m_accent[3]);
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
    PageBuffer buffer(window, H);
    if (buffer.Ready()) {
        buffer.SetFrame(m_ringFrame);
        std::uint32_t speed = 0, total = 0, done = 0;
        if (std::shared_ptr<IDownloader> engine = DownloaderSnapshot()) {
            DownloadProgress progress;
            engine->GetProgress(&progress);
            UpdateInfoViewSegments(&progress);
            for (const auto& entry : progress.items)
                if (entry.second.status == E_Status_Runing) speed += static_cast<std::uint32_t>(entry.second.speed);
            total = static_cast<std::uint32_t>(progress.total);
            done = static_cast<std::uint32_t>(progress.downloaded);
        }
        (void)speed;
        DWORD now = GetTickCount();
        m_speed.Update(done, now);
        DWORD elapsed = now - RunFlags().downloadStartTick.load();
        std::uint32_t average = elapsed > 0 ? static_cast<std::uint32_t>(done / (elapsed / 1000.0)) : 0;
        (void)average;  // FIXME: handed to the install report with the statistics client
        char size[64] = {};
        FormatByteSize(m_speed.shown, size, sizeof size);
        char speedText[80] = {};
        std::snprintf(speedText, sizeof speedText, "%s/s", size);
        if (done < total && done > 0) {
            Text(buffer.Dc(), ToWideString(speedText), RECT{20, H - 47, 120, H - 27}, DT_SINGLELINE | DT_VCENTER,
                 m_smallFont, m_accent[0]);
            double percent = done * 100.0 / total;
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
        PageBuffer buffer(window, H);
        if (buffer.Ready()) {
            buffer.SetFrame(m_screenFrame);
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
    if (m_screenFrame.size() != static_cast<size_t>(W) * H) m_screenFrame.assign(static_cast<size_t>(W) * H, 0xFFFFFFFF);
    if (m_bitmapInstallBack.Pixels() != nullptr && m_bitmapInstallBack.Width() == W && m_bitmapInstallBack.Height() == H)
        std::memcpy(m_screenFrame.data(), m_bitmapInstallBack.Pixels(), m_screenFrame.size() * 4);
    else
        std::fill(m_screenFrame.begin(), m_screenFrame.end(), 0xFFFFFFFF);
    {
        PageBuffer buffer(window, H);
        if (buffer.Ready()) {
            buffer.SetFrame(m_screenFrame);
            Fill(buffer.Dc(), 0, H - 67, W, H, 0xFDFBF7);
            for (CommonCtrl* control : m_paintList) control->Draw(buffer.Dc());
            Present(*this, hwnd, window, buffer, nullptr);
        }
    }
    ReleaseDC(hwnd, window);
}
