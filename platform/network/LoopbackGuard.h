// The loopback-only guard of test runs.
//
// Every test program runs with WEBINSTALLER_LOOPBACK_ONLY=1 in its host
// environment (CTest sets it). The HTTP layer then refuses any host that is
// not a loopback address before a name is looked up, so no test can send a
// packet, not even a DNS query, off this machine. A normal run is unaffected.
#pragma once

#include <string>

namespace platform {

// True when the host environment asks for a loopback-only run (read once).
bool IsLoopbackOnly();

// True for a dotted 127.0.0.0/8 address, "localhost" and "::1" (with or
// without brackets); names are not looked up.
bool IsLoopbackHost(const std::string& host);

}  // namespace platform
