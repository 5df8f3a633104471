#include "net/CurlHandle.h"

#include <atomic>
#include <utility>

namespace net {

namespace {
std::atomic<int> g_failingCreations{0};

// True when a test asked this creation to fail (counts it down).
bool CreationFails() {
    int left = g_failingCreations.load();
    while (left > 0 && !g_failingCreations.compare_exchange_weak(left, left - 1)) {
    }
    return left > 0;
}
}  // namespace

int FailNextHandleCreations(int count) { return g_failingCreations.exchange(count > 0 ? count : 0); }

bool EnsureCurlGlobalInit() {
    // A function-local static is initialised exactly once, even when several
    // threads arrive together.
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_ALL);
    return initialised == CURLE_OK;
}

CurlHandle::CurlHandle() {
    if (EnsureCurlGlobalInit() && !CreationFails()) m_curl = curl_easy_init();
}

CurlHandle::~CurlHandle() {
    if (m_curl) curl_easy_cleanup(m_curl);
}

CurlHandle::CurlHandle(CurlHandle&& other) noexcept : m_curl(std::exchange(other.m_curl, nullptr)) {}

CurlHandle& CurlHandle::operator=(CurlHandle&& other) noexcept {
    if (this != &other) {
        if (m_curl) curl_easy_cleanup(m_curl);
        m_curl = std::exchange(other.m_curl, nullptr);
    }
    return *this;
}

}  // namespace net
