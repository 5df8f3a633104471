// The wait of a UI thread: while it waits for another thread, messages that
// other threads send to its windows are answered, so a worker that sends to
// the dialog cannot deadlock with a dialog that waits for the worker.
// Posted messages, input and paints stay queued for the message loop.
#pragma once

#include "platform/Win32.h"

// Waits up to `milliseconds` (INFINITE: for ever) for `handle` to be
// signalled. Returns WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED.
DWORD WaitServingSentMessages(HANDLE handle, DWORD milliseconds);
