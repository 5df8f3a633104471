// HttpTransfer: performs one HttpRequest on its own libcurl handle.
//
// Perform blocks the calling thread until the transfer ends; its callbacks
// (head, body, progress) run on that thread. It never throws; every failure
// is a CURLcode in the response (CURLE_FAILED_INIT when no handle could be
// made). Thread: any; one request per call, nothing shared between calls
// except libcurl's global set-up.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "net/HttpRequest.h"

namespace net {

struct HttpResponse {
    int result = 0;                   // CURLcode; 0 (CURLE_OK) on success
    long status = 0;                  // status of the last response, 0 when none arrived
    std::int64_t contentLength = -1;  // Content-Length of the last response, -1 when none
    std::string contentRange;         // Content-Range value of the last response, "" when none
    std::uint64_t bodyBytes = 0;      // body bytes handed to the sink
    std::string effectiveUrl;         // url after redirects
    std::string errorText;            // libcurl's detailed error text, "" on success

    bool Ok() const { return result == 0; }
};

struct TransferHooks {
    // Called once, before the first body byte of the final response (after
    // redirects), with status and headers filled in; false aborts the
    // transfer with CURLE_WRITE_ERROR before any byte reaches the sink.
    std::function<bool(const HttpResponse& head)> onHead;
    // Body bytes; return how many were taken. Fewer than `length` ends the
    // transfer with CURLE_WRITE_ERROR.
    std::function<std::size_t(const char* bytes, std::size_t length)> onBody;
    // Called from libcurl's progress callback; false aborts with
    // CURLE_ABORTED_BY_CALLBACK.
    std::function<bool()> onProgress;
    // The same call with libcurl's byte counts (download total and done,
    // upload total and done); false aborts likewise.
    std::function<bool(std::int64_t, std::int64_t, std::int64_t, std::int64_t)> onProgressCounts;
};

// True when this run refuses `url` without trying (a loopback-only test run
// and a host elsewhere); retrying such a request changes nothing.
bool IsRefusedInThisRun(const std::string& url);

// Performs the request. `hooks` may leave any member empty: bodies are then dropped.
HttpResponse Perform(const HttpRequest& request, const TransferHooks& hooks);

// GET or POST into memory; a body past request.bodyLimit fails the transfer.
HttpResponse FetchToString(const HttpRequest& request, std::string* body);

// GET into a file at `path` (the system's ANSI path), created or truncated.
// A failed transfer leaves no file behind. E_FAIL-style failures of the file
// itself are reported as CURLE_WRITE_ERROR.
HttpResponse FetchToFile(const HttpRequest& request, const std::string& path);

}  // namespace net
