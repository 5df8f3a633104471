#include "setup/PageCanvas.h"

#include <algorithm>

#include "platform/drawing/Gdi.h"
#include "platform/drawing/Text.h"
#include "setup/SetupDlg.h"

namespace {

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
                int upper = static_cast<int>((a >> shift) & 0xFF) * (256 - tap.weight) +
                            static_cast<int>((b >> shift) & 0xFF) * tap.weight;
                int lower = static_cast<int>((c >> shift) & 0xFF) * (256 - tap.weight) +
                            static_cast<int>((d >> shift) & 0xFF) * tap.weight;
                int value = (upper * (256 - fy) + lower * fy + 32768) >> 16;
                pixel |= static_cast<std::uint32_t>(value) << shift;
            }
            line[x] = pixel;
        }
    }
    return out;
}

// Copies the buffer to the window, leaving out `keepOut` (window pixels)
// when it is given.
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

PageBuffer::PageBuffer(HDC window, int width, int height) : m_width(width), m_height(height) {
    m_bitmap = CreateCompatibleBitmap(window, width, height);
    m_dc = CreateCompatibleDC(window);
    if (m_dc != nullptr && m_bitmap != nullptr) m_previous = SelectObject(m_dc, m_bitmap);
}

PageBuffer::~PageBuffer() {
    if (m_dc != nullptr) {
        if (m_previous != nullptr) SelectObject(m_dc, m_previous);
        DeleteDC(m_dc);
    }
    if (m_bitmap != nullptr) DeleteObject(m_bitmap);
}

void PageBuffer::SetFrame(const std::vector<std::uint32_t>& frame, int rows) {
    rows = std::min(rows, m_height);
    const size_t pixels = static_cast<size_t>(m_width) * rows;
    if (rows > 0 && frame.size() >= pixels) SetBitmapBits(m_bitmap, static_cast<DWORD>(pixels * 4), frame.data());
}

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

void Present(SetupDlg& dialog, HWND, HDC window, PageBuffer& buffer, const RECT* keepOut) {
    const int dpi = dialog.FrameDpi();
    const int width = buffer.Width(), height = buffer.Height();
    if (dpi == 96 || dpi <= 0) {
        Blit(window, buffer.Dc(), width, height, keepOut);
        return;
    }
    int toWidth = dialog.ScaleByDpi(width), toHeight = dialog.ScaleByDpi(height);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * height);
    GetBitmapBits(buffer.Bitmap(), static_cast<LONG>(pixels.size() * 4), pixels.data());
    std::vector<std::uint32_t> scaled = Scale(pixels, width, height, toWidth, toHeight);
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
}

void PaintPage(SetupDlg& dialog, int width, int height, const std::function<const RECT*(HDC)>& compose) {
    HWND hwnd = dialog.GetHwnd();
    HDC window = GetDC(hwnd);
    if (window == nullptr) return;
    {
        PageBuffer buffer(window, width, height);
        if (buffer.Ready()) {
            const RECT* keepOut = compose(buffer.Dc());
            Present(dialog, hwnd, window, buffer, keepOut);
        }
    }
    ReleaseDC(hwnd, window);
}

}  // namespace setuppaint
