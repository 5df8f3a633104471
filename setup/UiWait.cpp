#include "setup/UiWait.h"

#include "platform/base/Clock.h"

namespace {

// Handles what other threads sent to this thread; posted messages stay queued.
void ServeSentMessages() {
    MSG message{};
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

}  // namespace

bool WaitServingMessages(const std::function<bool()>& done, DWORD milliseconds) {
    ULONGLONG start = GetTickCount64();
    for (;;) {
        ServeSentMessages();
        if (done()) return true;
        ULONGLONG spent = GetTickCount64() - start;
        if (spent >= milliseconds) return false;
        // Wakes for a sent message at once, otherwise looks again soon.
        DWORD slice = static_cast<DWORD>(milliseconds - spent < 20 ? milliseconds - spent : 20);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_SENDMESSAGE);
    }
}

bool WaitForThreadServing(HANDLE thread, DWORD milliseconds) {
    if (thread == nullptr) return true;
    ULONGLONG start = GetTickCount64();
    for (;;) {
        ServeSentMessages();
        ULONGLONG spent = GetTickCount64() - start;
        DWORD left = spent >= milliseconds ? 0 : static_cast<DWORD>(milliseconds - spent);
        DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, left, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
    }
}
