#include "platform/network/LoopbackGuard.h"

#include <cstdlib>
#include <cstring>

namespace platform {

bool IsLoopbackOnly() {
    static const bool only = [] {
        const char* value = std::getenv("WEBINSTALLER_LOOPBACK_ONLY");
        return value != nullptr && std::strcmp(value, "1") == 0;
    }();
    return only;
}

bool IsLoopbackHost(const std::string& host) {
    if (host == "localhost" || host == "::1" || host == "[::1]") return true;
    // Four decimal parts, each 0-255, the first 127.
    int parts = 0;
    int value = -1;
    int first = -1;
    for (std::size_t i = 0; i <= host.size(); ++i) {
        const char c = i < host.size() ? host[i] : '.';
        if (c >= '0' && c <= '9') {
            value = (value < 0 ? 0 : value) * 10 + (c - '0');
            if (value > 255) return false;
        } else if (c == '.') {
            if (value < 0) return false;
            if (parts == 0) first = value;
            ++parts;
            value = -1;
        } else {
            return false;
        }
    }
    return parts == 4 && first == 127;
}

}  // namespace platform
