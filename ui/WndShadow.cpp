#include "ui/WndShadow.h"

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "ui/ShadowPainter.h"

namespace {

using UpdateLayeredWindowProc = BOOL (*)(HWND, HDC, POINT*, SIZE*, HDC, POINT*, COLORREF, BLENDFUNCTION*, DWORD);
using DwmIsCompositionEnabledProc = HRESULT (*)(BOOL*);

constexpr wchar_t kShadowClassName[] = L"DorvyShadowWnd";

// Process-wide shadow state. The map is locked because the windows of
// several threads may have shadows; an object is only ever used on its
// window's thread.
struct ShadowGlobals {
    std::mutex lock;
    UpdateLayeredWindowProc updateLayeredWindow = nullptr;
    DwmIsCompositionEnabledProc dwmIsCompositionEnabled = nullptr;
    HINSTANCE instance = nullptr;
    std::map<HWND, CWndShadow*> shadows;
};

ShadowGlobals& Globals() {
    static auto* globals = new ShadowGlobals();  // used by procedures until exit
    return *globals;
}

UpdateLayeredWindowProc FoundUpdateLayeredWindow() {
    std::lock_guard<std::mutex> guard(Globals().lock);
    return Globals().updateLayeredWindow;
}

CWndShadow* FindShadow(HWND parent) {
    std::lock_guard<std::mutex> guard(Globals().lock);
    auto found = Globals().shadows.find(parent);
    return found != Globals().shadows.end() ? found->second : nullptr;
}

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)); }

}  // namespace

CWndShadow::CWndShadow() = default;

CWndShadow::~CWndShadow() { Detach(); }

bool CWndShadow::Initialize(HINSTANCE instance) {
    ShadowGlobals& globals = Globals();
    {
        std::lock_guard<std::mutex> guard(globals.lock);
        if (globals.updateLayeredWindow != nullptr) return false;
    }
    HMODULE user32 = LoadLibraryW(L"USER32.DLL");
    if (user32 == nullptr) return false;
    FARPROC update = GetProcAddress(user32, "UpdateLayeredWindow");
    if (update == nullptr) return false;
    DwmIsCompositionEnabledProc composition = nullptr;
    if (HMODULE dwmapi = LoadLibraryW(L"dwmapi.dll"); dwmapi != nullptr)
        composition = reinterpret_cast<DwmIsCompositionEnabledProc>(GetProcAddress(dwmapi, "DwmIsCompositionEnabled"));
    {
        std::lock_guard<std::mutex> guard(globals.lock);
        globals.updateLayeredWindow = reinterpret_cast<UpdateLayeredWindowProc>(update);
        globals.dwmIsCompositionEnabled = composition;
        globals.instance = instance;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW());
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kShadowClassName;
    RegisterClassExW(&windowClass);  // a class left by an earlier run serves as well
    return true;
}

void CWndShadow::ResetForTests() {
    ShadowGlobals& globals = Globals();
    HINSTANCE instance;
    {
        std::lock_guard<std::mutex> guard(globals.lock);
        globals.updateLayeredWindow = nullptr;
        globals.dwmIsCompositionEnabled = nullptr;
        instance = globals.instance;
        globals.instance = nullptr;
    }
    UnregisterClassW(kShadowClassName, instance);
}

void CWndShadow::Create(HWND parent, bool show) {
    if (m_created) return;
    m_created = 1;
    if (FoundUpdateLayeredWindow() == nullptr || parent == nullptr || !IsWindow(parent)) return;
    HINSTANCE instance;
    {
        // One shadow per window: a second subclass would find itself as the
        // saved procedure and call itself for ever.
        std::lock_guard<std::mutex> guard(Globals().lock);
        if (Globals().shadows.count(parent) != 0) return;
        Globals().shadows[parent] = this;
        instance = Globals().instance;
    }
    m_shadow = CreateWindowExW(WS_EX_LAYERED | WS_EX_TRANSPARENT, kShadowClassName, nullptr, WS_POPUPWINDOW,
                               CW_USEDEFAULT, 0, 0, 0, parent, nullptr, instance, nullptr);
    if (m_shadow == nullptr) {
        std::lock_guard<std::mutex> guard(Globals().lock);
        Globals().shadows.erase(parent);
        return;
    }
    m_parent = parent;
    m_status = kStatusEnabled | kStatusVisible;
    if (show) Show(parent);
    m_parentProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(parent, GWLP_WNDPROC));
    SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWndShadow::ParentProc));
}

void CWndShadow::Detach() {
    HWND parent = m_parent;
    if (parent == nullptr) return;
    {
        std::lock_guard<std::mutex> guard(Globals().lock);
        auto found = Globals().shadows.find(parent);
        if (found != Globals().shadows.end() && found->second == this) Globals().shadows.erase(found);
    }
    if (IsWindow(parent) &&
        GetWindowLongPtrW(parent, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&CWndShadow::ParentProc))
        SetWindowLongPtrW(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_parentProc));
    if (IsWindow(m_shadow)) DestroyWindow(m_shadow);
    m_parent = nullptr;
}

LRESULT CWndShadow::ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CWndShadow* shadow = FindShadow(window);
    // A window whose entry is gone has had its own procedure put back; a
    // stray message has nobody else to go to.
    if (shadow == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return shadow->OnParentMessage(window, message, wParam, lParam);
}

LRESULT CWndShadow::OnParentMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WNDPROC parentProc = m_parentProc;
    switch (message) {
        case WM_MOVE:
            if (m_status & kStatusVisible) {
                RECT rect;
                GetWindowRect(window, &rect);
                SetWindowPos(m_shadow, nullptr, rect.left + m_xOffset - m_size, rect.top + m_yOffset - m_size, 0, 0,
                             SWP_NOSIZE | SWP_NOACTIVATE);
            }
            break;
        case WM_SIZE:
            if ((m_status & kStatusEnabled) && !(m_status & kStatusComposition)) {
                if (wParam == SIZE_MAXIMIZED || wParam == SIZE_MINIMIZED) {
                    ShowWindow(m_shadow, SW_HIDE);
                    m_status &= static_cast<BYTE>(~kStatusVisible);
                } else if (StyleOf(window) & WS_VISIBLE) {
                    m_status |= kStatusParentVisible;
                    if (!(m_status & kStatusVisible)) {
                        m_status |= kStatusVisible;
                        Update(window);
                        ShowWindow(m_shadow, SW_SHOWNA);
                        m_updatePending = true;
                    } else if (LOWORD(lParam) > LOWORD(m_previousSize) || HIWORD(lParam) > HIWORD(m_previousSize)) {
                        m_updatePending = true;  // growing: render once the window has painted
                    } else {
                        Update(window);
                    }
                }
                m_previousSize = lParam;
            }
            break;
        case WM_PAINT:
            if (m_updatePending) {
                Update(window);
                m_updatePending = false;
            }
            break;
        case WM_EXITSIZEMOVE:
            if (m_status & kStatusVisible) Update(window);
            break;
        case WM_SHOWWINDOW:
            if ((m_status & kStatusEnabled) && !(m_status & kStatusComposition)) {
                LRESULT result = CallWindowProcW(parentProc, window, message, wParam, lParam);
                if (wParam) {
                    m_updatePending = true;
                    Show(window);
                } else {
                    ShowWindow(m_shadow, SW_HIDE);
                    m_status &= static_cast<BYTE>(~(kStatusVisible | kStatusParentVisible));
                }
                return result;
            }
            break;
        case WM_DWMCOMPOSITIONCHANGED: {
            DwmIsCompositionEnabledProc composition;
            {
                std::lock_guard<std::mutex> guard(Globals().lock);
                composition = Globals().dwmIsCompositionEnabled;
            }
            if (composition != nullptr) {
                BOOL enabled = FALSE;
                composition(&enabled);
                if (enabled) m_status |= kStatusComposition;
                else m_status &= static_cast<BYTE>(~kStatusComposition);
            }
            Show(window);
            break;
        }
        case WM_DESTROY: DestroyWindow(m_shadow); break;
        case WM_NCDESTROY: {
            // The window goes: drop the entry and put its own procedure back.
            {
                std::lock_guard<std::mutex> guard(Globals().lock);
                Globals().shadows.erase(window);
            }
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(parentProc));
            m_parent = nullptr;
            break;
        }
        default: break;
    }
    return CallWindowProcW(parentProc, window, message, wParam, lParam);
}

void CWndShadow::Show(HWND parent) {
    DWORD style = StyleOf(parent);
    if ((m_status & kStatusEnabled) && !(m_status & kStatusComposition) && (style & WS_VISIBLE)) {
        m_status |= kStatusParentVisible;
        if (!(style & WS_MAXIMIZE) && !(style & WS_MINIMIZE)) m_status |= kStatusVisible;
    }
    if (m_status & kStatusVisible) {
        ShowWindow(m_shadow, SW_SHOWNA);
        Update(parent);
    } else {
        ShowWindow(m_shadow, SW_HIDE);
    }
}

void CWndShadow::Update(HWND parent) {
    UpdateLayeredWindowProc updateLayeredWindow = FoundUpdateLayeredWindow();
    if (updateLayeredWindow == nullptr) return;
    RECT rect;
    if (!GetWindowRect(parent, &rect)) return;
    int shadowWidth = rect.right - rect.left + 2 * m_size;
    int shadowHeight = rect.bottom - rect.top + 2 * m_size;
    if (shadowWidth <= 0 || shadowHeight <= 0) return;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = shadowWidth;
    info.bmiHeader.biHeight = shadowHeight;  // positive: rows bottom-up
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    info.bmiHeader.biSizeImage = static_cast<DWORD>(shadowWidth) * static_cast<DWORD>(shadowHeight) * 4;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib == nullptr || bits == nullptr) {
        if (dib != nullptr) DeleteObject(dib);
        return;  // the shadow stays as it was
    }
    std::memset(bits, 0, info.bmiHeader.biSizeImage);
    MakeShadow(static_cast<std::uint32_t*>(bits), parent, &rect);

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, dib);
    POINT position{rect.left + m_xOffset - m_size, rect.top + m_yOffset - m_size};
    MoveWindow(m_shadow, position.x, position.y, shadowWidth, shadowHeight, FALSE);
    SIZE size{shadowWidth, shadowHeight};
    POINT source{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    updateLayeredWindow(m_shadow, nullptr, &position, &size, memory, &source, 0, &blend, ULW_ALPHA);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    DeleteObject(dib);
}

void CWndShadow::MakeShadow(std::uint32_t* pixels, HWND parent, const RECT* parentRect) {
    int width = parentRect->right - parentRect->left;
    int height = parentRect->bottom - parentRect->top;
    if (width < 0 || height < 0) return;

    // The window's outline, row by row: its region when it has one, else
    // the whole rectangle.
    HRGN region = CreateRectRgn(0, 0, width, height);
    GetWindowRgn(parent, region);
    std::vector<shadow::Span> outline(static_cast<std::size_t>(height), shadow::Span{width, 0});
    for (int row = 0; row < height; ++row) {
        int left = 0;
        while (left < width && !PtInRegion(region, left, row)) ++left;
        if (left == width) continue;
        int right = width - 1;
        while (right > left && !PtInRegion(region, right, row)) --right;
        outline[static_cast<std::size_t>(row)] = shadow::Span{left, right + 1};
    }
    DeleteObject(region);

    shadow::ShadowParams params;
    params.darkness = m_darkness;
    params.sharpness = m_sharpness;
    params.size = m_size;
    params.offsetX = m_xOffset;
    params.offsetY = m_yOffset;
    params.color = m_color;
    std::size_t count = static_cast<std::size_t>(width + 2 * m_size) * static_cast<std::size_t>(height + 2 * m_size);
    shadow::RenderShadow(params, width, height, outline, pixels, count);
}

DWORD CWndShadow::PreMultiply(COLORREF color, BYTE alpha) { return shadow::PreMultiply(color, alpha); }
