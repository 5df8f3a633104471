// CurlHandle: one owned libcurl easy handle.
//
// Creating a handle runs libcurl's global set-up first (once per process, on
// whichever thread gets there first). The handle is move-only and cleaned up
// by its destructor; a handle whose creation failed is empty (Get() is null),
// which callers must check before use.
#pragma once

#include <curl/curl.h>

namespace net {

// libcurl's global set-up, once per process; true when it succeeded.
bool EnsureCurlGlobalInit();

// Tests: the next `count` handle creations in this process fail as a failed
// curl_easy_init does (the handle is empty); 0 ends it. Returns how many of
// an earlier count were left unused.
int FailNextHandleCreations(int count);

class CurlHandle {
public:
    CurlHandle();
    ~CurlHandle();
    CurlHandle(CurlHandle&& other) noexcept;
    CurlHandle& operator=(CurlHandle&& other) noexcept;
    CurlHandle(const CurlHandle&) = delete;
    CurlHandle& operator=(const CurlHandle&) = delete;

    CURL* Get() const { return m_curl; }
    explicit operator bool() const { return m_curl != nullptr; }

private:
    CURL* m_curl = nullptr;
};

}  // namespace net
