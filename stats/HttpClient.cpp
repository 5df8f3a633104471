#include "stats/HttpClient.h"

#include <cstdio>

#include "net/HttpTransfer.h"
#include "platform/base/HostPaths.h"
#include "platform/files/FileSystem.h"
#include "stats/FormFile.h"
#include "stats/ServiceHosts.h"
#include "stats/StatsTransport.h"
#include "util/OsmPaths.h"
#include "util/StringConvert.h"
#include "util/SystemControls.h"
#include "util/TraceLogger.h"

const std::vector<std::string>& CertificateCandidates() {
    static const std::vector<std::string> names = {
        "qov-api.crt",     "qov-api.sce",     "qov-profile.crt", "qov-profile.sce",
        "qov-updater.crt", "qov-updater.sce", "qov-root.crt",    "qov-root.sce",
    };
    return names;
}

HttpClient::HttpClient() { Init(); }

HttpClient::HttpClient(const std::map<std::string, std::string>& servers, const std::string& region) {
    Init();
    m_servers = std::make_unique<ApiServerList>(servers, region, GetServiceHosts().apiDefaultLabel);
}

HttpClient::HttpClient(const std::string& path, const std::string& region, bool testServers)
    : HttpClient(MakeApiServerTable(path, testServers), region) {}

HttpClient::~HttpClient() = default;

void HttpClient::Init() {
    m_tlsCheck = false;
    m_timeoutSeconds = 0;
    m_userAgent = "QovApp/3.0";
    m_progress = nullptr;
    m_progressData = nullptr;
    m_url.clear();
    m_certificateFile.clear();
    m_outputFile.clear();
    m_lastError.clear();
    m_form.clear();
    m_response.clear();
}

void HttpClient::SetProgress(HttpProgressCallback callback, void* data) {
    m_progress = callback;
    m_progressData = data;
}

void HttpClient::SetProxyType(int type) {
    switch (type) {
        case 0: m_proxy.kind = net::ProxySettings::Kind::Http; break;
        case 1: m_proxy.kind = net::ProxySettings::Kind::Socks5; break;
        case 2: m_proxy.kind = net::ProxySettings::Kind::Socks4a; break;
        case 3: m_proxy.kind = net::ProxySettings::Kind::Socks4; break;
        default: break;
    }
}

void HttpClient::SetProxyHost(const std::string& host, const std::string& port) {
    // The address is "host:port" cut to 259 characters.
    std::string address = host + ":" + port;
    if (address.size() > 259) address.resize(259);
    const std::size_t colon = address.rfind(':');
    m_proxy.host = colon == std::string::npos ? address : address.substr(0, colon);
    m_proxy.port = colon == std::string::npos ? std::string() : address.substr(colon + 1);
    if (m_proxy.kind == net::ProxySettings::Kind::None) m_proxy.kind = net::ProxySettings::Kind::Http;
}

void HttpClient::SetProxyAuth(const std::string& user, const std::string& password) {
    m_proxy.user = user;
    m_proxy.password = password;
}

void HttpClient::AddFormField(const std::string& name, const std::string& value, bool isFile) {
    m_form.push_back({name, value, isFile});
}

void HttpClient::SetIndex(const std::string& index) {
    if (m_servers) m_servers->index = index;
}

bool HttpClient::FileExists(const std::string& path) { return PathFileExistsA(path.c_str()) != FALSE; }

bool HttpClient::ReadFormFile(const std::string& path, std::string& bytes, std::string& fileName) {
    if (!ReadFormFileAnsi(path, bytes)) return false;
    fileName = FormFileName(path);
    return true;
}

std::string HttpClient::CertificatePath() {
    char folder[MAX_PATH] = {};
    if (!libutilosm::GetModuleDirectory(folder, MAX_PATH)) return std::string();
    std::string base = folder;
    if (base.empty() || base.back() != '/') base += "/";
    std::string chosen;
    if (!m_certificateFile.empty() && FileExists(base + m_certificateFile)) chosen = base + m_certificateFile;
    for (const std::string& name : CertificateCandidates()) {
        if (!chosen.empty()) break;
        if (FileExists(base + name)) chosen = base + name;
    }
    if (chosen.empty()) {
        TraceLog("crt file missing!\n");
        return std::string();
    }
    const auto host = platform::ToHostPath(Utf8ToWide(chosen));
    return host ? *host : std::string();
}

net::HttpRequest HttpClient::BaseRequest() {
    net::HttpRequest request = MakeStatsRequest(m_url);
    request.userAgent = m_userAgent;
    request.totalTimeoutMs = m_timeoutSeconds > 0 ? m_timeoutSeconds * 1000L : request.totalTimeoutMs;
    request.proxy = m_proxy;
    // Verification is never switched off; the TLS check only adds the
    // certificate file shipped next to the program, when there is one.
    if (m_tlsCheck) {
        const std::string certificate = CertificatePath();
        if (!certificate.empty()) request.tls.caBundle = certificate;
    }
    return request;
}

HttpClient::Outcome HttpClient::Finish(const net::HttpResponse& response, const char* what) {
    m_response.push_back('\0');
    m_lastStatus = response.status;
    if (!response.Ok()) {
        const std::string text = response.errorText.empty() ? "transfer failed" : response.errorText;
        if (KeepsErrorText()) m_lastError = text;
        TraceLog("error curl %s: %s\n", what, text.c_str());
        return Outcome::TransportFailed;
    }
    if (response.status != 0 && response.status != 200) TraceLog("http status code: %ld\n", response.status);
    if (response.status >= 400) {
        if (KeepsErrorText()) m_lastError = "http status code: " + std::to_string(response.status);
        return Outcome::HttpError;
    }
    return Outcome::Succeeded;
}

bool HttpClient::Get() {
    net::HttpRequest request = BaseRequest();
    request.method = net::HttpMethod::Get;
    request.maxRedirects = 5;
    net::HttpResponse response;
    if (!m_outputFile.empty()) {
        response = net::FetchToFile(request, m_outputFile);
    } else {
        std::string body;
        response = net::FetchToString(request, &body);
        m_response.insert(m_response.end(), body.begin(), body.end());
    }
    return Finish(response, "get") == Outcome::Succeeded;
}

HttpClient::Outcome HttpClient::PostFormOnce() {
    net::HttpRequest request = BaseRequest();
    for (const FormField& field : m_form) {
        if (!field.isFile) {
            request.form.push_back({field.name, field.value, "", ""});
            continue;
        }
        net::FormPart part{field.name, "", "", ""};
        if (!ReadFormFile(field.value, part.data, part.fileName)) {
            if (KeepsErrorText()) m_lastError = "cannot read " + field.value;
            TraceLog("error curl post: cannot read %s\n", field.value.c_str());
            return Outcome::TransportFailed;
        }
        request.form.push_back(part);
    }
    net::TransferHooks hooks;
    hooks.onBody = [this](const char* bytes, std::size_t length) {
        m_response.insert(m_response.end(), bytes, bytes + length);
        return length;
    };
    if (m_progress) {
        hooks.onProgressCounts = [this](std::int64_t dlTotal, std::int64_t dlNow, std::int64_t ulTotal,
                                        std::int64_t ulNow) {
            return m_progress(m_progressData, static_cast<double>(dlTotal), static_cast<double>(dlNow),
                              static_cast<double>(ulTotal), static_cast<double>(ulNow)) == 0;
        };
    }
    return Finish(net::Perform(request, hooks), "post");
}

HttpClient::Outcome HttpClient::PostJsonOnce(const std::string& body) {
    net::HttpRequest request = BaseRequest();
    request.body = body;
    request.contentType = "application/json";
    request.headers.push_back("charsets: utf-8");
    std::string reply;
    const net::HttpResponse response = net::FetchToString(request, &reply);
    m_response.insert(m_response.end(), reply.begin(), reply.end());
    return Finish(response, "post");
}

bool HttpClient::PostForm() { return PostFormOnce() == Outcome::Succeeded; }

bool HttpClient::PostJson(const std::string& body) { return PostJsonOnce(body) == Outcome::Succeeded; }

template <typename Post>
bool HttpClient::WithFailover(Post post) {
    if (!m_servers) return false;
    for (;;) {
        const int entry = m_servers->Pick();
        if (entry < 0) {
            TraceLog("Error: there is no available url");
            return false;
        }
        std::string url = m_servers->At(entry).baseUrl;
        if (!m_servers->index.empty()) url += "?index=" + m_servers->index;
        SetUrl(url);
        // The response is the answering server's, not what a failed one left.
        m_response.clear();
        const Outcome outcome = post();
        if (outcome == Outcome::Succeeded) return true;
        // The server answered: another region would answer the same.
        if (outcome == Outcome::HttpError) return false;
        m_servers->MarkUnavailable(entry);
    }
}

bool HttpClient::PostFormWithFailover() {
    return WithFailover([this] { return PostFormOnce(); });
}

bool HttpClient::PostJsonWithFailover(const std::string& body) {
    return WithFailover([this, &body] { return PostJsonOnce(body); });
}

HttpUploadClient::HttpUploadClient() { m_userAgent = "Kravon"; }

bool HttpUploadClient::FileExists(const std::string& path) { return PathExistsUtf8(path.c_str()); }

bool HttpUploadClient::ReadFormFile(const std::string& path, std::string& bytes, std::string& fileName) {
    FILE* file = libutilosm::OpenFileUtf8(path.c_str(), "rb");
    if (file == nullptr) return false;
    const bool ok = ReadFormStream(file, bytes);
    std::fclose(file);
    fileName = FormFileName(path);
    std::fprintf(stderr, "*** We read %lld bytes from file\n", static_cast<long long>(bytes.size()));
    return ok;
}
