// A loopback statistics and user-profile server over TLS, for the tests,
// the demo and the benchmarks.
//
// It listens on one port of one or more loopback addresses (127.0.0.x) with
// a certificate a TestCa signed, answers one request per connection and
// records every request: its multipart parts in order, the "json_data" part
// decoded with the statistics alphabet when "hash" is "2", and the entries
// of an attached zip. Replies are planned per kind of request (uploads and
// the profile path "/api/user/info"): a queue of planned replies is used up
// in order, then the default one. Everything runs on one server thread;
// Stop() (or the destructor) closes every socket and joins it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/stats/server/Multipart.h"
#include "tests/stats/server/TestCa.h"

namespace statstest {

enum class ReplyKind {
    ResTrue,      // {"result":{"res":true}} (encoded for an encoded upload)
    ResFalse,     // {"result":{"res":false}}
    ResOne,       // {"result":{"res":1}}
    NotJson,      // a text that is no JSON
    ServerError,  // 500 with an HTML page
    Drop,         // the connection is closed without an answer
    Body,         // `status` with `body` as it is (profile answers)
};

struct ReplyPlan {
    ReplyPlan() = default;
    ReplyPlan(ReplyKind kind, int delayMs = 0, int status = 200, std::string body = std::string())
        : kind(kind), delayMs(delayMs), status(status), body(std::move(body)) {}

    ReplyKind kind = ReplyKind::ResTrue;
    int delayMs = 0;  // wait this long before answering (a slow answer)
    int status = 200;
    std::string body;
};

struct ReceivedRequest {
    std::string localAddress;  // the loopback address the request came in on
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
    std::vector<FormPartSeen> parts;
    bool encoded = false;                           // the "hash" part was "2"
    std::string json;                               // "json_data", decoded when encoded
    std::map<std::string, std::string> zipEntries;  // the "upload_file" zip's entries by name

    // The names of the parts in order, as "index,json_data,...".
    std::string PartNames() const;
    const FormPartSeen* Part(const std::string& name) const;
};

struct StatsServerOptions {
    std::vector<std::string> addresses{"127.0.0.1"};
    unsigned short port = 0;  // 0: a free port chosen by the system
    PemPair identity;         // certificate and key the server presents
};

// The statistics alphabet codec, written out here independently of the client's.
std::string StatsAlphabetEncode(const std::string& bytes);
std::string StatsAlphabetDecode(const std::string& text);

class StatsServer {
public:
    explicit StatsServer(StatsServerOptions options);
    ~StatsServer();
    StatsServer(const StatsServer&) = delete;
    StatsServer& operator=(const StatsServer&) = delete;

    bool Start();
    void Stop();

    unsigned short Port() const;
    // "127.0.0.1:<port>" (or the given address).
    std::string Host(const std::string& address = "127.0.0.1") const;
    std::string Url(const std::string& path, const std::string& address = "127.0.0.1") const;

    void SetUploadReplies(std::vector<ReplyPlan> queue, ReplyPlan then = {});
    void SetProfileReplies(std::vector<ReplyPlan> queue, ReplyPlan then = {});

    std::vector<ReceivedRequest> Requests() const;
    std::size_t RequestCount() const;
    void ClearRequests();

    struct Impl;

private:
    std::shared_ptr<Impl> m_impl;
};

// The profile answer {"cscode":<code>,"data":<data>} as a reply plan.
ReplyPlan ProfileAnswer(const std::string& code, const std::string& data);

}  // namespace statstest
