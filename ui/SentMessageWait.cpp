#include "ui/SentMessageWait.h"

#include <chrono>

DWORD WaitServingSentMessages(HANDLE handle, DWORD milliseconds) {
    // Real time, not the machine clock that tests move forward.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    for (;;) {
        DWORD left = INFINITE;
        if (milliseconds != INFINITE) {
            auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
            left = spent >= milliseconds ? 0 : static_cast<DWORD>(milliseconds - spent);
        }
        DWORD state = MsgWaitForMultipleObjects(1, &handle, FALSE, left, QS_SENDMESSAGE);
        if (state != WAIT_OBJECT_0 + 1) return state;
        // Answers the sends; takes nothing else out of the queue.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
