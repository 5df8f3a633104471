#include "net/HttpTransfer.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "net/CurlHandle.h"
#include "platform/files/FileSystem.h"
#include "platform/network/LoopbackGuard.h"

namespace net {
namespace {

using Clock = std::chrono::steady_clock;

// State shared by the callbacks of one transfer.
struct TransferState {
    const HttpRequest* request = nullptr;
    const TransferHooks* hooks = nullptr;
    CURL* curl = nullptr;
    HttpResponse* response = nullptr;
    bool headSent = false;       // onHead has been called for the final response
    bool headRefused = false;    // onHead said no
    bool overLimit = false;      // the body passed request.bodyLimit
    bool stalled = false;        // no body bytes for request.stallTimeoutMs
    Clock::time_point lastData;  // start of the transfer, then the last body bytes
};

bool StartsWithNoCase(const char* text, std::size_t length, const char* prefix) {
    const std::size_t prefixLength = std::strlen(prefix);
    if (length < prefixLength) return false;
    for (std::size_t i = 0; i < prefixLength; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

std::string HeaderValue(const char* line, std::size_t length, std::size_t nameLength) {
    std::size_t first = nameLength;
    while (first < length && (line[first] == ' ' || line[first] == '\t')) ++first;
    std::size_t last = length;
    while (last > first && (line[last - 1] == '\r' || line[last - 1] == '\n' || line[last - 1] == ' ')) --last;
    return std::string(line + first, last - first);
}

size_t OnHeader(char* bytes, size_t size, size_t count, void* data) {
    auto* state = static_cast<TransferState*>(data);
    const size_t length = size * count;
    HttpResponse& response = *state->response;
    // Each status line starts a new response (redirects, 100 Continue):
    // only the last one's headers count.
    if (StartsWithNoCase(bytes, length, "http/")) {
        response.contentLength = -1;
        response.contentRange.clear();
    } else if (StartsWithNoCase(bytes, length, "content-length:")) {
        const std::string value = HeaderValue(bytes, length, 15);
        char* end = nullptr;
        const long long parsed = std::strtoll(value.c_str(), &end, 10);
        response.contentLength = (end && *end == '\0' && !value.empty() && parsed >= 0) ? parsed : -1;
    } else if (StartsWithNoCase(bytes, length, "content-range:")) {
        response.contentRange = HeaderValue(bytes, length, 14);
    }
    return length;
}

bool SendHead(TransferState* state) {
    if (state->headSent) return !state->headRefused;
    state->headSent = true;
    curl_easy_getinfo(state->curl, CURLINFO_RESPONSE_CODE, &state->response->status);
    if (state->hooks->onHead && !state->hooks->onHead(*state->response)) state->headRefused = true;
    return !state->headRefused;
}

size_t OnBody(char* bytes, size_t size, size_t count, void* data) {
    auto* state = static_cast<TransferState*>(data);
    const size_t length = size * count;
    if (!SendHead(state)) return 0;
    state->lastData = Clock::now();
    HttpResponse& response = *state->response;
    if (state->request->bodyLimit != kNoBodyLimit &&
        (response.bodyBytes > state->request->bodyLimit || length > state->request->bodyLimit - response.bodyBytes)) {
        state->overLimit = true;
        return 0;
    }
    size_t taken = length;
    if (state->hooks->onBody) taken = state->hooks->onBody(bytes, length);
    if (taken > length) taken = length;
    response.bodyBytes += taken;
    return taken;
}

int OnProgress(void* data, curl_off_t downloadTotal, curl_off_t downloadNow, curl_off_t uploadTotal,
               curl_off_t uploadNow) {
    auto* state = static_cast<TransferState*>(data);
    if (state->request->cancel && state->request->cancel->load()) return 1;
    if (state->request->stallTimeoutMs > 0 &&
        Clock::now() - state->lastData >= std::chrono::milliseconds(state->request->stallTimeoutMs)) {
        state->stalled = true;
        return 1;
    }
    if (state->hooks->onProgress && !state->hooks->onProgress()) return 1;
    if (state->hooks->onProgressCounts &&
        !state->hooks->onProgressCounts(downloadTotal, downloadNow, uploadTotal, uploadNow))
        return 1;
    return 0;
}

void ApplyProxy(CURL* curl, const ProxySettings& proxy) {
    if (proxy.kind == ProxySettings::Kind::None) return;
    long type = CURLPROXY_HTTP;
    switch (proxy.kind) {
        case ProxySettings::Kind::Socks5: type = CURLPROXY_SOCKS5; break;
        case ProxySettings::Kind::Socks4a: type = CURLPROXY_SOCKS4A; break;
        case ProxySettings::Kind::Socks4: type = CURLPROXY_SOCKS4; break;
        default: break;
    }
    curl_easy_setopt(curl, CURLOPT_PROXYTYPE, type);
    const std::string address = proxy.host + ":" + proxy.port;
    curl_easy_setopt(curl, CURLOPT_PROXY, address.c_str());
    if (!proxy.user.empty() || !proxy.password.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxy.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxy.password.c_str());
    }
}

struct MimeDeleter {
    void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// The host of a URL as libcurl reads it, "" when it has none.
std::string HostOf(const std::string& url) {
    CURLU* parsed = curl_url();
    if (parsed == nullptr) return std::string();
    std::string host;
    char* part = nullptr;
    if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_NON_SUPPORT_SCHEME) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK && part != nullptr) {
        host = part;
        curl_free(part);
    }
    curl_url_cleanup(parsed);
    return host;
}

// In a loopback-only run, the host (or proxy) that is not on this machine; "" when all are.
std::string RefusedHost(const HttpRequest& request) {
    if (!platform::IsLoopbackOnly()) return std::string();
    const std::string host = HostOf(request.url);
    if (!platform::IsLoopbackHost(host)) return host.empty() ? request.url : host;
    if (request.proxy.kind != ProxySettings::Kind::None && !platform::IsLoopbackHost(request.proxy.host))
        return request.proxy.host;
    return std::string();
}

}  // namespace

bool IsRefusedInThisRun(const std::string& url) {
    HttpRequest request;
    request.url = url;
    return !RefusedHost(request).empty();
}

HttpResponse Perform(const HttpRequest& request, const TransferHooks& hooks) {
    HttpResponse response;
    const std::string refused = RefusedHost(request);
    if (!refused.empty()) {
        response.result = CURLE_COULDNT_RESOLVE_HOST;
        response.errorText = "not a loopback host in a loopback-only run: " + refused;
        return response;
    }
    CurlHandle handle;
    if (!handle) {
        response.result = CURLE_FAILED_INIT;
        response.errorText = "no transfer handle";
        return response;
    }
    CURL* curl = handle.Get();
    char errorBuffer[CURL_ERROR_SIZE] = {};
    TransferState state;
    state.request = &request;
    state.hooks = &hooks;
    state.curl = curl;
    state.response = &response;
    state.lastData = Clock::now();

    curl_easy_setopt(curl, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, request.userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.maxRedirects > 0 ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, static_cast<long>(request.maxRedirects > 0 ? request.maxRedirects : 0));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, request.tls.verifyPeer ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, request.tls.verifyPeer ? 2L : 0L);
    if (!request.tls.caBundle.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, request.tls.caBundle.c_str());
    ApplyProxy(curl, request.proxy);
    if (request.connectTimeoutMs > 0) curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, request.connectTimeoutMs);
    if (request.totalTimeoutMs > 0) curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, request.totalTimeoutMs);
    if (request.bodyLimit != kNoBodyLimit)
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.bodyLimit));
    if (request.failOnHttpError) curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);

    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &state);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);

    std::unique_ptr<curl_slist, SlistDeleter> headers;
    for (const std::string& line : request.headers) {
        curl_slist* grown = curl_slist_append(headers.get(), line.c_str());
        if (!grown) {
            response.result = CURLE_OUT_OF_MEMORY;
            return response;
        }
        headers.release();
        headers.reset(grown);
    }
    std::unique_ptr<curl_mime, MimeDeleter> mime;
    switch (request.method) {
        case HttpMethod::Get:
            if (!request.range.empty()) curl_easy_setopt(curl, CURLOPT_RANGE, request.range.c_str());
            break;
        case HttpMethod::Head: curl_easy_setopt(curl, CURLOPT_NOBODY, 1L); break;
        case HttpMethod::Post:
            if (!request.form.empty()) {
                mime.reset(curl_mime_init(curl));
                if (!mime) {
                    response.result = CURLE_OUT_OF_MEMORY;
                    return response;
                }
                for (const FormPart& part : request.form) {
                    curl_mimepart* field = curl_mime_addpart(mime.get());
                    if (!field) {
                        response.result = CURLE_OUT_OF_MEMORY;
                        return response;
                    }
                    curl_mime_name(field, part.name.c_str());
                    curl_mime_data(field, part.data.data(), part.data.size());
                    if (!part.fileName.empty()) curl_mime_filename(field, part.fileName.c_str());
                    if (!part.contentType.empty()) curl_mime_type(field, part.contentType.c_str());
                }
                curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime.get());
            } else {
                curl_easy_setopt(curl, CURLOPT_POST, 1L);
                curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.data());
                curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
                const std::string typeLine = "Content-Type: " + request.contentType;
                curl_slist* grown = curl_slist_append(headers.get(), typeLine.c_str());
                if (!grown) {
                    response.result = CURLE_OUT_OF_MEMORY;
                    return response;
                }
                headers.release();
                headers.reset(grown);
            }
            break;
    }
    if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.get());

    CURLcode result = curl_easy_perform(curl);
    if (state.overLimit) result = CURLE_FILESIZE_EXCEEDED;
    else if (state.stalled) result = CURLE_OPERATION_TIMEDOUT;
    if (!state.headSent) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    char* effective = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective) == CURLE_OK && effective)
        response.effectiveUrl = effective;
    response.result = result;
    if (result != CURLE_OK) response.errorText = errorBuffer[0] ? errorBuffer : curl_easy_strerror(result);
    return response;
}

HttpResponse FetchToString(const HttpRequest& request, std::string* body) {
    TransferHooks hooks;
    if (body) {
        body->clear();
        hooks.onBody = [body](const char* bytes, std::size_t length) {
            body->append(bytes, length);
            return length;
        };
    }
    return Perform(request, hooks);
}

HttpResponse FetchToFile(const HttpRequest& request, const std::string& path) {
    FILE* file = nullptr;
    if (fopen_s(&file, path.c_str(), "wb") != 0 || !file) {
        HttpResponse response;
        response.result = CURLE_WRITE_ERROR;
        response.errorText = "cannot create " + path;
        return response;
    }
    TransferHooks hooks;
    hooks.onBody = [file](const char* bytes, std::size_t length) { return std::fwrite(bytes, 1, length, file); };
    HttpResponse response = Perform(request, hooks);
    const bool closed = std::fclose(file) == 0;
    if (response.Ok() && !closed) {
        response.result = CURLE_WRITE_ERROR;
        response.errorText = "cannot finish " + path;
    }
    if (!response.Ok()) DeleteFileA(path.c_str());
    return response;
}

}  // namespace net
