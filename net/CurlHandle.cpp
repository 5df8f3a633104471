#include "net/CurlHandle.h"

#include <utility>

namespace net {

bool EnsureCurlGlobalInit() {
    // A function-local static is initialised exactly once, even when several
    // threads arrive together.
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_ALL);
    return initialised == CURLE_OK;
}

CurlHandle::CurlHandle() {
    if (EnsureCurlGlobalInit()) m_curl = curl_easy_init();
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
