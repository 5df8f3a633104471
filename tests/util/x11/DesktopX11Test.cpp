// The clipboard and the screen saver of a real X server (Xvfb in CI).
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/Win32.h"
#include "tests/support/MachineFixture.h"
#include "util/DesktopControls.h"

namespace {

// Owns the CLIPBOARD selection and answers requests for UTF8_STRING with `text`.
class ClipboardOwner {
public:
    explicit ClipboardOwner(std::string text) : m_text(std::move(text)) {
        m_display = XOpenDisplay(nullptr);
        if (m_display == nullptr) return;
        m_window = XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 1, 1, 0, 0, 0);
        m_clipboard = XInternAtom(m_display, "CLIPBOARD", False);
        m_utf8 = XInternAtom(m_display, "UTF8_STRING", False);
        XSetSelectionOwner(m_display, m_clipboard, m_window, CurrentTime);
        XSync(m_display, False);
        m_thread = std::thread([this] { Serve(); });
    }
    ~ClipboardOwner() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_display != nullptr) XCloseDisplay(m_display);
    }
    bool owns() const { return m_display != nullptr; }

private:
    void Serve() {
        while (!m_stop) {
            while (XPending(m_display) > 0) {
                XEvent event{};
                XNextEvent(m_display, &event);
                if (event.type != SelectionRequest) continue;
                XSelectionRequestEvent& request = event.xselectionrequest;
                XSelectionEvent reply{};
                reply.type = SelectionNotify;
                reply.requestor = request.requestor;
                reply.selection = request.selection;
                reply.target = request.target;
                reply.time = request.time;
                reply.property = None;
                if (request.target == m_utf8) {
                    XChangeProperty(m_display, request.requestor, request.property, m_utf8, 8, PropModeReplace,
                                    reinterpret_cast<const unsigned char*>(m_text.data()),
                                    static_cast<int>(m_text.size()));
                    reply.property = request.property;
                }
                XSendEvent(m_display, request.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
                XFlush(m_display);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

    std::string m_text;
    Display* m_display = nullptr;
    ::Window m_window = 0;
    Atom m_clipboard = None, m_utf8 = None;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

class DesktopX11Test : public testsupport::MachineTest {
protected:
    void SetUp() override {
        if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    }
};

TEST_F(DesktopX11Test, ClipboardTextInTheAnsiCodePageCutToTheBuffer) {
    ClipboardOwner owner("caf\xC3\xA9\nline two");
    ASSERT_TRUE(owner.owns());
    char buffer[64] = "";
    ASSERT_EQ(GetClipboardText(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "caf\xE9\r\nline two");  // code page 1252, CR LF line ends
    char small[5] = "";
    ASSERT_EQ(GetClipboardText(small, sizeof small), 1);
    EXPECT_STREQ(small, "caf\xE9");
}

TEST_F(DesktopX11Test, ScreenSaverTimeoutIsSwitchedOffAndRestored) {
    int before = 0;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &before, 0));
    ASSERT_EQ(SetScreenSaverTimeout(1), 1);
    int now = -5;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &now, 0));
    EXPECT_EQ(now, 0);
    ASSERT_EQ(SetScreenSaverTimeout(0), 1);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &now, 0));
    EXPECT_EQ(now, before);
}

TEST_F(DesktopX11Test, RunningScreenSaverIsClosed) {
    EXPECT_EQ(CloseScreenSaver(), 0);  // nothing runs
    int before = 0;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETSCREENSAVETIMEOUT, 0, &before, 0));
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETSCREENSAVETIMEOUT, 1, nullptr, 0));
    BOOL running = FALSE;
    for (int i = 0; i < 60 && !running; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_TRUE(SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0));
    }
    if (!running) {
        SystemParametersInfoW(SPI_SETSCREENSAVETIMEOUT, static_cast<UINT>(before), nullptr, 0);
        GTEST_SKIP() << "this X server starts no screen saver";
    }
    ASSERT_TRUE(SystemParametersInfoW(SPI_SETSCREENSAVETIMEOUT, 0, nullptr, 0));
    EXPECT_EQ(CloseScreenSaver(), 1);
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0));
    EXPECT_FALSE(running);
    SystemParametersInfoW(SPI_SETSCREENSAVETIMEOUT, static_cast<UINT>(before), nullptr, 0);
}

}  // namespace
