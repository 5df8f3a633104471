// The bounded retries of the statistics threads.
#pragma once

#include <atomic>
#include <functional>
#include <string>

// Calls `post` up to `attempts` times, sleeping `pauseMs` after each failure.
// Ends early when `stop` (may be null) is set, and after the first failure
// when this run refuses the endpoint `url` outright (a loopback-only test run
// and a host elsewhere), which no retry would change. True when a post succeeded.
bool PostWithRetries(const std::function<bool()>& post, const std::string& url, const std::atomic<bool>* stop,
                     int attempts = 10, int pauseMs = 500);
