// The clipboard and the screen saver of the X server named by DISPLAY.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#ifdef HAVE_XSS
#include <X11/extensions/scrnsaver.h>
#endif

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "platform/windowing/detail/DesktopBackEnd.h"

namespace platform {

namespace {

constexpr long kMaxClipboardBytes = 1 << 20;
constexpr int kSelectionWaitMs = 1000;

std::mutex g_connectionLock;
Display* g_connection = nullptr;  // opened on first use and kept for the process

// The desktop's connection, held for the length of a call. It stays open, as
// a server resets its screen-saver settings when its last client leaves.
class Connection {
public:
    Connection() : m_guard(g_connectionLock) {
        if (g_connection != nullptr) return;
        const char* output = std::getenv("WEBINSTALLER_OUTPUT");
        const char* name = std::getenv("DISPLAY");
        if ((output != nullptr && std::strcmp(output, "headless") == 0) || name == nullptr || *name == '\0') return;
        g_connection = XOpenDisplay(nullptr);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    Display* display() const { return g_connection; }

private:
    std::lock_guard<std::mutex> m_guard;
};

// Waits for the owner's answer to a conversion request, at most a second.
bool WaitForSelection(Display* display, ::Window window, XEvent& event) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSelectionWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        while (XPending(display) > 0) {
            XNextEvent(display, &event);
            if (event.type == SelectionNotify && event.xselection.requestor == window) return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

}  // namespace

bool DesktopDisplayOpen() { return Connection().display() != nullptr; }

bool ReadClipboardText(std::string& text) {
    text.clear();
    Connection connection;
    Display* display = connection.display();
    if (display == nullptr) return false;
    Atom clipboard = XInternAtom(display, "CLIPBOARD", False);
    if (XGetSelectionOwner(display, clipboard) == None) return true;
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom property = XInternAtom(display, "WEBINSTALLER_CLIPBOARD", False);
    ::Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    XConvertSelection(display, clipboard, utf8, property, window, CurrentTime);
    XFlush(display);
    XEvent event{};
    if (WaitForSelection(display, window, event) && event.xselection.property != None) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, property, 0, kMaxClipboardBytes / 4, True, AnyPropertyType, &type,
                               &format, &items, &after, &data) == Success &&
            data != nullptr) {
            if (format == 8 && (type == utf8 || type == XA_STRING)) text.assign(reinterpret_cast<char*>(data), items);
            XFree(data);
        }
    }
    XDestroyWindow(display, window);
    return true;
}

bool GetScreenSaverSeconds(int& seconds) {
    Connection connection;
    if (connection.display() == nullptr) return false;
    int interval = 0, blanking = 0, exposures = 0;
    XGetScreenSaver(connection.display(), &seconds, &interval, &blanking, &exposures);
    return true;
}

bool SetScreenSaverSeconds(int seconds) {
    Connection connection;
    Display* display = connection.display();
    if (display == nullptr) return false;
    int timeout = 0, interval = 0, blanking = 0, exposures = 0;
    XGetScreenSaver(display, &timeout, &interval, &blanking, &exposures);
    XSetScreenSaver(display, seconds, interval, blanking, exposures);
    XSync(display, False);
    return true;
}

bool IsScreenSaverOn(bool& on) {
    on = false;
    Connection connection;
    if (connection.display() == nullptr) return false;
#ifdef HAVE_XSS
    int eventBase = 0, errorBase = 0;
    if (XScreenSaverQueryExtension(connection.display(), &eventBase, &errorBase)) {
        XScreenSaverInfo* info = XScreenSaverAllocInfo();
        if (info != nullptr) {
            if (XScreenSaverQueryInfo(connection.display(), DefaultRootWindow(connection.display()), info))
                on = info->state == ScreenSaverOn;
            XFree(info);
        }
    }
#endif
    return true;
}

bool ResetScreenSaver() {
    Connection connection;
    if (connection.display() == nullptr) return false;
    XForceScreenSaver(connection.display(), ScreenSaverReset);
    XSync(connection.display(), False);
    return true;
}

}  // namespace platform
