// A one-thread HTTP/1.1 server on 127.0.0.1 for the HTTP layer's tests.
//
// Each connection carries one request; the handler returns the raw response
// bytes (status line, headers, body) so that a test can send anything, wrong
// or short responses included, and may then hold the socket open for a while
// before closing it. Every request is recorded. Stop() (or the destructor)
// closes the listener and joins the thread; a held socket is let go at once.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace nettest {

struct SeenRequest {
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

struct Reply {
    std::string raw;  // bytes sent as they are
    int holdMs = 0;   // keep the connection open this long after sending
};

// "HTTP/1.1 <status> X" with Content-Length and the body.
Reply MakeReply(int status, const std::string& body, const std::vector<std::string>& headers = {});

class LoopbackServer {
public:
    using Handler = std::function<Reply(const SeenRequest&)>;
    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool Start();
    void Stop();
    std::string Url(const std::string& path) const;  // "http://127.0.0.1:<port><path>"
    std::vector<SeenRequest> Requests() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace nettest
