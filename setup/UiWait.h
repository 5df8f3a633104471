// Waits on a window's thread that keep serving the messages other threads
// send to its windows, so a worker that sends to the dialog while the dialog
// waits for it is answered instead of dead-locked. Off a window's thread
// they are plain waits.
#pragma once

#include <functional>

#include "platform/Win32.h"

// Waits until `done` returns true or `milliseconds` pass; true when done.
bool WaitServingMessages(const std::function<bool()>& done, DWORD milliseconds);
// Waits for a thread handle to be signalled; true when it was.
bool WaitForThreadServing(HANDLE thread, DWORD milliseconds);
