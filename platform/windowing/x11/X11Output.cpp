// The X11 back end: one override-redirect X window per visible top-level
// window, showing the composed screen's pixels for its rectangle, and X input
// turned into window messages. One thread owns the X connection.
#include "platform/windowing/Screen.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "platform/windowing/Input.h"
#include "platform/windowing/detail/WindowInternals.h"

namespace platform {
namespace {

struct Shown {
    ::Window xwindow = 0;
    RECT rect{};
    bool mapped = false;
};

struct X11State {
    std::mutex lock;
    std::condition_variable flushed;
    std::thread thread;
    std::atomic<bool> running{false};
    std::uint64_t shownGeneration = 0;
    std::atomic<bool> synced{false};  // false after an Expose: draw again
    Display* display = nullptr;
    ::Window focused = 0;
    std::map<HWND, Shown> windows;
};
X11State& State() {
    static X11State* state = new X11State();
    return *state;
}

UINT KeyFromSym(KeySym sym) {
    switch (sym) {
        case XK_Return:
        case XK_KP_Enter: return VK_RETURN;
        case XK_Escape: return VK_ESCAPE;
        case XK_BackSpace: return VK_BACK;
        case XK_Delete: return VK_DELETE;
        case XK_Left: return VK_LEFT;
        case XK_Right: return VK_RIGHT;
        case XK_Up: return VK_UP;
        case XK_Down: return VK_DOWN;
        case XK_Home: return VK_HOME;
        case XK_End: return VK_END;
        case XK_Tab: return VK_TAB;
        case XK_F4: return VK_F4;
        default: return 0;
    }
}

void HandleEvent(X11State& state, XEvent& event) {
    switch (event.type) {
        case ButtonPress:
        case ButtonRelease: {
            UINT message = 0;
            if (event.xbutton.button == Button1) message = event.type == ButtonPress ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            if (event.xbutton.button == Button3) message = event.type == ButtonPress ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            if (message != 0) InjectMouse(message, POINT{event.xbutton.x_root, event.xbutton.y_root});
            break;
        }
        case MotionNotify: InjectMouse(WM_MOUSEMOVE, POINT{event.xmotion.x_root, event.xmotion.y_root}); break;
        case KeyPress:
        case KeyRelease: {
            char text[16] = {};
            KeySym sym = 0;
            int length = XLookupString(&event.xkey, text, sizeof text - 1, &sym, nullptr);
            bool alt = (event.xkey.state & Mod1Mask) != 0;
            UINT key = KeyFromSym(sym);
            if (key != 0) {
                InjectKey(key, event.type == KeyPress, alt);
            } else if (event.type == KeyPress && length == 1 && static_cast<unsigned char>(text[0]) >= 32) {
                InjectChar(static_cast<wchar_t>(static_cast<unsigned char>(text[0])));
            }
            break;
        }
        case Expose: state.synced = false; break;
        default: break;
    }
}

// Brings the X windows in line with the visible top-level windows.
void Sync(X11State& state) {
    Display* display = state.display;
    Image screen = ComposeScreen();
    std::vector<std::pair<HWND, RECT>> visible;
    {
        std::lock_guard<std::mutex> guard(WindowLock());
        for (HWND handle : ZOrderLocked()) {
            Window* window = FindWindowLocked(handle);
            if (window == nullptr || !IsShownLocked(*window)) continue;
            if ((window->exStyle & WS_EX_LAYERED) && !window->layered) continue;
            if (window->rect.right <= window->rect.left || window->rect.bottom <= window->rect.top) continue;
            visible.emplace_back(handle, window->rect);
        }
    }
    int screenNumber = DefaultScreen(display);
    ::Window root = RootWindow(display, screenNumber);
    for (auto it = state.windows.begin(); it != state.windows.end();) {
        bool keep = false;
        for (auto& entry : visible) keep = keep || entry.first == it->first;
        if (!keep) {
            XDestroyWindow(display, it->second.xwindow);
            it = state.windows.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& [handle, rect] : visible) {
        Shown& shown = state.windows[handle];
        int width = rect.right - rect.left, height = rect.bottom - rect.top;
        if (shown.xwindow == 0) {
            XSetWindowAttributes attributes{};
            attributes.override_redirect = True;
            attributes.event_mask =
                ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask | KeyReleaseMask;
            shown.xwindow = XCreateWindow(display, root, rect.left, rect.top, static_cast<unsigned>(width),
                                          static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                          CWOverrideRedirect | CWEventMask, &attributes);
            shown.rect = rect;
        } else if (shown.rect.left != rect.left || shown.rect.top != rect.top || shown.rect.right != rect.right ||
                   shown.rect.bottom != rect.bottom) {
            XMoveResizeWindow(display, shown.xwindow, rect.left, rect.top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height));
            shown.rect = rect;
        }
        if (!shown.mapped) {
            XMapWindow(display, shown.xwindow);
            shown.mapped = true;
        }
        XRaiseWindow(display, shown.xwindow);
        Image part = Crop(screen, rect.left, rect.top, width, height);
        if (part.width <= 0 || part.height <= 0) continue;
        // Screen-sized windows only: a window partly off screen shows its
        // visible part at the matching offset.
        int offsetX = std::max<LONG>(0, -rect.left), offsetY = std::max<LONG>(0, -rect.top);
        auto* data = static_cast<char*>(std::malloc(part.pixels.size() * 4));
        if (data == nullptr) continue;
        std::memcpy(data, part.pixels.data(), part.pixels.size() * 4);
        XImage* image = XCreateImage(display, DefaultVisual(display, screenNumber),
                                     static_cast<unsigned>(DefaultDepth(display, screenNumber)), ZPixmap, 0, data,
                                     static_cast<unsigned>(part.width), static_cast<unsigned>(part.height), 32, 0);
        if (image == nullptr) {
            std::free(data);
            continue;
        }
        XPutImage(display, shown.xwindow, DefaultGC(display, screenNumber), image, 0, 0, offsetX, offsetY,
                  static_cast<unsigned>(part.width), static_cast<unsigned>(part.height));
        XDestroyImage(image);  // frees `data`
    }
    // Override-redirect windows get no focus from a window manager: the top
    // one takes the keyboard itself.
    if (!visible.empty()) {
        ::Window top = state.windows[visible.back().first].xwindow;
        if (top != state.focused) {
            XSetInputFocus(display, top, RevertToParent, CurrentTime);
            state.focused = top;
        }
    }
    XSync(display, False);
}

void Run(X11State& state) {
    std::uint64_t last = ~0ull;
    while (state.running) {
        while (XPending(state.display) > 0) {
            XEvent event;
            XNextEvent(state.display, &event);
            HandleEvent(state, event);
        }
        std::uint64_t generation = ScreenGeneration();
        if (generation != last || !state.synced) {
            Sync(state);
            last = generation;
            std::lock_guard<std::mutex> guard(state.lock);
            state.synced = true;
            state.shownGeneration = generation;
            state.flushed.notify_all();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    for (auto& entry : state.windows) XDestroyWindow(state.display, entry.second.xwindow);
    state.windows.clear();
    XCloseDisplay(state.display);
    state.display = nullptr;
}

// Fills what motion and button events share for a synthetic pointer event at
// (x, y) in `target`, which is at `screen` on the root window.
template <typename PointerEvent>
void AimPointerEvent(PointerEvent& event, int type, Display* display, ::Window target, ::Window root, int x, int y,
                     POINT screen) {
    event.type = type;
    event.display = display;
    event.window = target;
    event.root = root;
    event.x = x;
    event.y = y;
    event.x_root = screen.x;
    event.y_root = screen.y;
    event.same_screen = True;
}

}  // namespace

bool StartX11Output(const char* displayName) {
    X11State& state = State();
    if (state.running) return true;
    Display* display = XOpenDisplay(displayName);
    if (display == nullptr) return false;
    Visual* visual = DefaultVisual(display, DefaultScreen(display));
    if (DefaultDepth(display, DefaultScreen(display)) < 24 || visual->red_mask != 0xFF0000 ||
        visual->green_mask != 0xFF00 || visual->blue_mask != 0xFF) {
        XCloseDisplay(display);  // only true-colour screens are served
        return false;
    }
    state.display = display;
    state.synced = false;
    state.focused = 0;
    state.running = true;
    state.thread = std::thread([&state] { Run(state); });
    return true;
}

void StopX11Output() {
    X11State& state = State();
    if (!state.running) return;
    state.running = false;
    if (state.thread.joinable()) state.thread.join();
}

bool FlushX11Output(unsigned milliseconds) {
    X11State& state = State();
    if (!state.running) return false;
    std::uint64_t wanted = ScreenGeneration();
    std::unique_lock<std::mutex> guard(state.lock);
    return state.flushed.wait_for(guard, std::chrono::milliseconds(milliseconds),
                                  [&] { return state.synced && state.shownGeneration == wanted; });
}

bool CaptureX11Screen(int x, int y, int width, int height, Image* out) {
    if (out == nullptr || width <= 0 || height <= 0) return false;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    ::Window root = DefaultRootWindow(display);
    XImage* image =
        XGetImage(display, root, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes, ZPixmap);
    bool ok = image != nullptr;
    if (ok) {
        out->width = width;
        out->height = height;
        out->pixels.resize(static_cast<size_t>(width) * height);
        for (int row = 0; row < height; ++row)
            for (int column = 0; column < width; ++column)
                out->pixels[static_cast<size_t>(row) * width + column] =
                    static_cast<std::uint32_t>(XGetPixel(image, column, row)) & 0xFFFFFF;
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return ok;
}

bool SendX11Click(POINT point) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    ::Window root = DefaultRootWindow(display), parent = 0, rootReturn = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    ::Window target = 0;
    int targetX = 0, targetY = 0;
    if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) != 0) {
        // Children come bottom first: search from the top.
        for (unsigned i = count; i-- > 0 && target == 0;) {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(display, children[i], &attributes) == 0 || attributes.map_state != IsViewable)
                continue;
            if (point.x >= attributes.x && point.y >= attributes.y && point.x < attributes.x + attributes.width &&
                point.y < attributes.y + attributes.height) {
                target = children[i];
                targetX = point.x - attributes.x;
                targetY = point.y - attributes.y;
            }
        }
        if (children != nullptr) XFree(children);
    }
    if (target != 0) {
        XEvent event{};
        AimPointerEvent(event.xmotion, MotionNotify, display, target, root, targetX, targetY, point);
        XSendEvent(display, target, True, PointerMotionMask, &event);
        for (int type : {ButtonPress, ButtonRelease}) {
            XEvent button{};
            AimPointerEvent(button.xbutton, type, display, target, root, targetX, targetY, point);
            button.xbutton.button = Button1;
            XSendEvent(display, target, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &button);
        }
        XFlush(display);
    }
    XCloseDisplay(display);
    return target != 0;
}

bool SendX11Key(UINT virtualKey) {
    KeySym sym = 0;
    switch (virtualKey) {
        case VK_RETURN: sym = XK_Return; break;
        case VK_ESCAPE: sym = XK_Escape; break;
        case VK_BACK: sym = XK_BackSpace; break;
        case VK_DELETE: sym = XK_Delete; break;
        case VK_LEFT: sym = XK_Left; break;
        case VK_RIGHT: sym = XK_Right; break;
        case VK_HOME: sym = XK_Home; break;
        case VK_END: sym = XK_End; break;
        default: return false;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    bool sent = focus != 0 && focus != PointerRoot;
    if (sent) {
        for (int type : {KeyPress, KeyRelease}) {
            XEvent key{};
            key.xkey.type = type;
            key.xkey.display = display;
            key.xkey.window = focus;
            key.xkey.root = DefaultRootWindow(display);
            key.xkey.keycode = XKeysymToKeycode(display, sym);
            key.xkey.same_screen = True;
            XSendEvent(display, focus, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &key);
        }
        XFlush(display);
    }
    XCloseDisplay(display);
    return sent;
}

}  // namespace platform
