// Runs a test body in a network of its own, so that a test can change what
// only the network's settings decide (the ping sockets' groups) without
// touching the host's.
#pragma once

#include <functional>

namespace testsupport {

// Runs `body` on a thread of its own network namespace, which has only a
// loopback device, brought up. `allowPing` opens the namespace's ping sockets
// to this process's group; without it they stay closed to every group.
// Needs the right to make a namespace (root): false, and `body` not run, when
// it cannot be made.
bool RunInPrivateNetwork(bool allowPing, const std::function<void()>& body);

}  // namespace testsupport
