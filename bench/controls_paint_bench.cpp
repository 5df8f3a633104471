// Painting one 622 x 405 frame of owner-drawn controls into an off-screen
// buffer and copying it to a window, as the installer's dialog does every
// 10 ms while it works. Run by hand: build/bench/controls_paint_bench.
#include <benchmark/benchmark.h>

#include <cwchar>
#include <memory>
#include <vector>

#include "platform/base/Machine.h"
#include "platform/Win32.h"
#include "ui/ButtonCtrlEx.h"
#include "ui/CheckButtonCtrl.h"
#include "ui/ProcessCtrl.h"
#include "ui/StaticCtrl.h"

namespace {

constexpr int kWidth = 622;
constexpr int kHeight = 405;

HFONT Font(int pixels, const wchar_t* face, bool underline = false) {
    LOGFONTW logFont{};
    logFont.lfHeight = -pixels;
    logFont.lfUnderline = underline ? 1 : 0;
    std::wcsncpy(logFont.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&logFont);
}

HBITMAP Solid(int width, int height, COLORREF color) {
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, width, height);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    SelectObject(dc, previous);
    DeleteDC(dc);
    return bitmap;
}

// The compact layout's kinds of controls, placed roughly where it puts them.
struct Frame {
    HWND window;
    HBITMAP background, buttonNormal, buttonHover, boxOff, boxOn, close;
    HFONT title, body, link, linkHover;
    std::vector<std::unique_ptr<CommonCtrl>> controls;

    Frame() {
        window = CreateWindowExW(0, L"button", L"", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr,
                                 nullptr, nullptr);
        background = Solid(kWidth, kHeight, RGB(250, 250, 252));
        buttonNormal = Solid(200, 44, RGB(74, 71, 181));
        buttonHover = Solid(200, 44, RGB(104, 101, 211));
        boxOff = Solid(14, 14, RGB(255, 255, 255));
        boxOn = Solid(14, 14, RGB(74, 71, 181));
        close = Solid(17, 21, RGB(200, 200, 200));
        title = Font(22 * 96 / 72, L"微软雅黑");
        body = Font(14, L"ArialMT");
        link = Font(12, L"微软雅黑");
        linkHover = Font(12, L"微软雅黑", true);

        auto install = std::make_unique<ButtonCtrlEx>(window, 211, 250, 411, 294);
        install->SetStateImages(buttonNormal, buttonHover, buttonNormal, buttonNormal);
        install->SetDrawImage(1);
        install->SetFont(title);
        install->SetStateColors(0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0x999999);
        install->SetText(L"Install Now");
        controls.push_back(std::move(install));
        for (int i = 0; i < 2; ++i) {
            auto small = std::make_unique<ButtonCtrlEx>(window, kWidth - 40 + i * 20, 0, kWidth - 22 + i * 20, 21);
            small->SetStateImages(close, close, close, close);
            small->SetDrawImage(1);
            controls.push_back(std::move(small));
        }
        auto countdown = std::make_unique<StaticCtrl>(window, 0, 300, kWidth, 330);
        countdown->SetFont(body);
        countdown->SetTextColor(0x666666);
        countdown->SetText(L"Installation starts automatically in 27 seconds");
        controls.push_back(std::move(countdown));
        auto version = std::make_unique<StaticCtrl>(window, 10, kHeight - 24, 200, kHeight - 4);
        version->SetFont(link);
        version->SetTextColor(0x999999);
        version->SetTextFormat(DT_SINGLELINE | DT_VCENTER);
        version->SetText(L"Version 1.0.7.2");
        controls.push_back(std::move(version));
        const wchar_t* boxes[] = {L"I accept the licence agreement", L"Create a desktop shortcut",
                                  L"Start the program when the installation ends"};
        for (int i = 0; i < 3; ++i) {
            auto box = std::make_unique<CheckButtonCtrlEx>(window, 44, 340 + i * 0, 300, 360);
            box->SetStateImages(boxOff, boxOff, boxOn, nullptr);
            box->SetCheckedImages(boxOn, boxOn, boxOff, nullptr);
            box->SetDrawImage(1);
            box->SetBoxRect(0, 3, 14, 14);
            box->SetTextRect(20, 0, 280, 20);
            box->SetTextFormat(DT_SINGLELINE | DT_VCENTER);
            box->SetFont(link);
            box->SetText(boxes[i]);
            box->SetCheck(i != 1);
            RECT place{44 + i * 190, 340, 44 + i * 190 + 180, 360};
            box->SetRect(&place);
            controls.push_back(std::move(box));
        }
        auto terms = std::make_unique<HyLinkCtrlEx>(window, 400, kHeight - 24, kWidth - 10, kHeight - 4);
        terms->SetFont(link);
        terms->SetHoverFont(linkHover);
        terms->SetTextFormat(DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
        terms->SetText(L"Terms of use  |  Privacy policy");
        controls.push_back(std::move(terms));
        auto progress = std::make_unique<ProcessCtrl>(window, 111, 230, 511, 238);
        progress->SetBarColors(RGB(74, 71, 181), RGB(230, 230, 235));
        progress->SetRange(0, 1000);
        controls.push_back(std::move(progress));
    }
    ~Frame() {
        controls.clear();
        for (HGDIOBJ object : {static_cast<HGDIOBJ>(background), static_cast<HGDIOBJ>(buttonNormal),
                               static_cast<HGDIOBJ>(buttonHover), static_cast<HGDIOBJ>(boxOff),
                               static_cast<HGDIOBJ>(boxOn), static_cast<HGDIOBJ>(close), static_cast<HGDIOBJ>(title),
                               static_cast<HGDIOBJ>(body), static_cast<HGDIOBJ>(link), static_cast<HGDIOBJ>(linkHover)})
            DeleteObject(object);
        DestroyWindow(window);
    }

    // One repaint: a fresh memory bitmap, the background, every control,
    // one block copy to the window; all GDI objects released again.
    void Paint() {
        HDC windowDc = GetDC(window);
        HBITMAP buffer = CreateCompatibleBitmap(windowDc, kWidth, kHeight);
        HDC memory = CreateCompatibleDC(windowDc);
        HGDIOBJ previous = SelectObject(memory, buffer);
        HDC source = CreateCompatibleDC(windowDc);
        HGDIOBJ sourcePrevious = SelectObject(source, background);
        BitBlt(memory, 0, 0, kWidth, kHeight, source, 0, 0, SRCCOPY);
        SelectObject(source, sourcePrevious);
        DeleteDC(source);
        for (auto& control : controls) control->Draw(memory);
        BitBlt(windowDc, 0, 0, kWidth, kHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteObject(buffer);
        DeleteDC(memory);
        ReleaseDC(window, windowDc);
    }
};

void BM_PaintControlFrame(benchmark::State& state) {
    platform::ScopedMachine machine;
    Frame frame;
    frame.Paint();  // fonts resolved and glyphs cached once, as after the first paint
    for (auto _ : state) frame.Paint();
}
BENCHMARK(BM_PaintControlFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
