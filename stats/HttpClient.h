// HttpClient: a small client for the API services: GET into a file or into
// memory, multipart form POST and JSON POST, an optional proxy, and a list of
// regional API servers with failover. HttpUploadClient is its twin that
// streams local files (UTF-8 paths) as form parts.
//
// Every request goes through the HTTP layer with TLS verification on: the
// certificate file next to the program when the TLS check is asked for and
// one is found, otherwise the statistics transport's CA bundle. A transport
// failure and an HTTP error status (400 and above) both fail a request; only
// a transport failure moves the failover to the next server.
//
// One thread at a time uses an object; nothing is locked.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "net/HttpRequest.h"
#include "net/HttpTransfer.h"
#include "stats/ApiServerList.h"

// libcurl's progress function shape: non-zero aborts the transfer.
using HttpProgressCallback = int (*)(void* data, double downloadTotal, double downloadNow, double uploadTotal,
                                     double uploadNow);

class HttpClient {
public:
    HttpClient();
    HttpClient(const std::map<std::string, std::string>& servers, const std::string& region);
    HttpClient(const std::string& path, const std::string& region, bool testServers);
    virtual ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    void Init();
    void SetUrl(const std::string& url) { m_url = url; }
    void SetProgress(HttpProgressCallback callback, void* data);
    // 0 HTTP, 1 SOCKS5, 2 SOCKS4A, 3 SOCKS4; other values change nothing.
    void SetProxyType(int type);
    void SetProxyHost(const std::string& host, const std::string& port);
    void SetProxyAuth(const std::string& user, const std::string& password);
    void AddFormField(const std::string& name, const std::string& value, bool isFile);
    void ClearResponse() { m_response.clear(); }
    // The response bytes, the closing NUL included.
    std::string GetResponseText() const { return std::string(m_response.begin(), m_response.end()); }
    std::string GetLastErrorText() const { return m_lastError; }
    void SetLastErrorText(const std::string& text) { m_lastError = text; }
    void SetIndex(const std::string& index);
    void SetTimeout(int seconds) { m_timeoutSeconds = seconds; }
    void SetTlsCheck(bool check) { m_tlsCheck = check; }
    void SetCertificateFile(const std::string& name) { m_certificateFile = name; }
    void SetOutputFile(const std::string& path) { m_outputFile = path; }
    // The HTTP status of the last request, 0 when none arrived.
    long GetLastStatus() const { return m_lastStatus; }

    bool Get();
    bool PostForm();
    bool PostJson(const std::string& body);
    bool PostFormWithFailover();
    bool PostJsonWithFailover(const std::string& body);

protected:
    struct FormField {
        std::string name;
        std::string value;
        bool isFile = false;
    };
    // The file part of an is-file field; false when the file cannot be read.
    virtual bool ReadFormFile(const std::string& path, std::string& bytes, std::string& fileName);
    virtual bool FileExists(const std::string& path);
    virtual bool KeepsErrorText() const { return true; }

    std::string m_userAgent = "QovApp/3.0";
    std::vector<FormField> m_form;

private:
    // The outcome of one transfer: the transport failed, the server answered
    // with an error status, or it succeeded.
    enum class Outcome { TransportFailed, HttpError, Succeeded };

    net::HttpRequest BaseRequest();
    Outcome Finish(const net::HttpResponse& response, const char* what);
    Outcome PostFormOnce();
    Outcome PostJsonOnce(const std::string& body);
    template <typename Post>
    bool WithFailover(Post post);
    std::string CertificatePath();

    bool m_tlsCheck = false;
    int m_timeoutSeconds = 0;
    std::string m_url;
    std::string m_certificateFile;
    std::string m_outputFile;
    std::vector<char> m_response;
    HttpProgressCallback m_progress = nullptr;
    void* m_progressData = nullptr;
    std::string m_lastError;
    long m_lastStatus = 0;
    net::ProxySettings m_proxy;
    std::unique_ptr<ApiServerList> m_servers;
};

class HttpUploadClient : public HttpClient {
public:
    HttpUploadClient();

protected:
    bool ReadFormFile(const std::string& path, std::string& bytes, std::string& fileName) override;
    bool FileExists(const std::string& path) override;
    bool KeepsErrorText() const override { return false; }
};

// The certificate files looked for next to the program, in order.
const std::vector<std::string>& CertificateCandidates();
