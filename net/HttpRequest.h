// HttpRequest: everything one HTTP transfer is set up from, in one record.
//
// Every libcurl option the system uses is derived from this record in one
// place (HttpTransfer.cpp): user agent, TLS verification and CA bundle, proxy,
// connect and total timeouts, the no-data stall limit, cancel, the redirect
// limit (http and https only), the body limit, byte ranges, POST bodies and
// multipart forms.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace net {

constexpr std::uint64_t kNoBodyLimit = ~static_cast<std::uint64_t>(0);

enum class HttpMethod {
    Get,   // body to the sink
    Head,  // headers only
    Post,  // `body` with `contentType`, or the multipart `form`
};

struct ProxySettings {
    enum class Kind { None, Http, Socks5, Socks4a, Socks4 };
    Kind kind = Kind::None;
    std::string host;
    std::string port;
    std::string user;  // with `password`: proxy credentials; both empty: none
    std::string password;
};

struct TlsSettings {
    bool verifyPeer = true;  // peer certificate and host name; only tests turn it off
    std::string caBundle;    // PEM file of trusted roots (host path); empty: the system's
};

// One part of a multipart/form-data body.
struct FormPart {
    std::string name;
    std::string data;         // the part's bytes
    std::string fileName;     // non-empty: sent as a file upload with this name
    std::string contentType;  // empty: libcurl's default for the part
};

struct HttpRequest {
    HttpMethod method = HttpMethod::Get;
    std::string url;
    std::string userAgent = "Downloader/1.0";
    std::vector<std::string> headers;  // extra "Name: value" lines

    // GET only: "first-last" (inclusive byte offsets), "" for the whole body.
    std::string range;

    // POST: `form` non-empty sends multipart/form-data, otherwise `body`.
    std::string body;
    std::string contentType = "application/x-www-form-urlencoded";
    std::vector<FormPart> form;

    TlsSettings tls;
    ProxySettings proxy;

    long connectTimeoutMs = 30000;           // 0: libcurl's default
    long totalTimeoutMs = 0;                 // whole transfer; 0: none
    long stallTimeoutMs = 0;                 // no body bytes for this long ends with CURLE_OPERATION_TIMEDOUT; 0: none
    int maxRedirects = 5;                    // 0: redirects are not followed
    std::uint64_t bodyLimit = kNoBodyLimit;  // more body bytes end with CURLE_FILESIZE_EXCEEDED
    bool failOnHttpError = false;            // status >= 400 ends with CURLE_HTTP_RETURNED_ERROR

    // Cancel: when set, the transfer ends with CURLE_ABORTED_BY_CALLBACK at
    // its next progress callback (at least every second, usually far sooner).
    const std::atomic<bool>* cancel = nullptr;
};

}  // namespace net
