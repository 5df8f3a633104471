#include "tests/stats/server/StatsServer.h"

#include <utility>  // before Asio: its C++20 coroutine header needs std::exchange

#include <boost/asio.hpp>
#include <boost/asio/ssl.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <boost/beast/ssl.hpp>

#include <atomic>
#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <list>
#include <mutex>
#include <random>
#include <thread>

#include <unzip.h>

namespace statstest {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
namespace ssl = asio::ssl;
using tcp = asio::ip::tcp;

namespace {

constexpr const char* kStatsAlphabetText = "Qw3*Er7TyU1iOp-AsDf9GhJk2LzXc5VbNm0qW4eRtY6uIoP8aSdFgHjKlZxCvBnM";
constexpr const char* kProfilePath = "/api/user/info";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The entries of a zip archive held in memory, read through a temporary file.
std::map<std::string, std::string> ZipEntries(const std::string& bytes) {
    std::map<std::string, std::string> entries;
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("stats-server-" + std::to_string(std::random_device{}()) + ".zip");
    {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    unzFile zip = unzOpen64(path.string().c_str());
    if (zip != nullptr) {
        for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
            char name[512] = {};
            unz_file_info64 info{};
            if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
            if (unzOpenCurrentFile(zip) != UNZ_OK) break;
            std::string data;
            char buffer[16 * 1024];
            int count = 0;
            while ((count = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) data.append(buffer, count);
            unzCloseCurrentFile(zip);
            entries[name] = data;
        }
        unzClose(zip);
    }
    std::error_code error;
    std::filesystem::remove(path, error);
    return entries;
}

std::string ReplyBody(ReplyKind kind) {
    switch (kind) {
        case ReplyKind::ResTrue: return R"({"result":{"res":true}})";
        case ReplyKind::ResFalse: return R"({"result":{"res":false}})";
        case ReplyKind::ResOne: return R"({"result":{"res":1}})";
        case ReplyKind::NotJson: return "thank you";
        case ReplyKind::ServerError: return "<html><body>500 Internal Server Error</body></html>";
        default: return std::string();
    }
}

}  // namespace

std::string StatsAlphabetEncode(const std::string& bytes) {
    const std::string alphabet = kStatsAlphabetText;
    std::string text;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned value = (static_cast<unsigned char>(bytes[i]) << 16) |
                               (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                               static_cast<unsigned char>(bytes[i + 2]);
        for (int shift = 18; shift >= 0; shift -= 6) text += alphabet[(value >> shift) & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        text += alphabet[(value >> 18) & 63];
        text += alphabet[(value >> 12) & 63];
        text += rest == 2 ? alphabet[(value >> 6) & 63] : '=';
        text += '=';
    }
    return text;
}

std::string StatsAlphabetDecode(const std::string& text) {
    const std::string alphabet = kStatsAlphabetText;
    std::string bytes;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') break;
        const std::size_t digit = alphabet.find(c);
        if (digit == std::string::npos) continue;
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return bytes;
}

std::string ReceivedRequest::PartNames() const {
    std::string names;
    for (const FormPartSeen& part : parts) names += (names.empty() ? "" : ",") + part.name;
    return names;
}

const FormPartSeen* ReceivedRequest::Part(const std::string& name) const {
    for (const FormPartSeen& part : parts)
        if (part.name == name) return &part;
    return nullptr;
}

ReplyPlan ProfileAnswer(const std::string& code, const std::string& data) {
    ReplyPlan plan;
    plan.kind = ReplyKind::Body;
    plan.body = "{\"cscode\":" + code + (data.empty() ? "" : ",\"data\":" + data) + "}";
    return plan;
}

struct StatsServer::Impl : std::enable_shared_from_this<StatsServer::Impl> {
    struct Plans {
        std::deque<ReplyPlan> queue;
        ReplyPlan then;
        ReplyPlan Next() {
            if (queue.empty()) return then;
            ReplyPlan plan = queue.front();
            queue.pop_front();
            return plan;
        }
    };

    class Session;

    StatsServerOptions options;
    asio::io_context context;
    ssl::context tls{ssl::context::tls_server};
    std::vector<std::unique_ptr<tcp::acceptor>> acceptors;
    unsigned short port = 0;
    std::thread thread;
    mutable std::mutex lock;  // plans and requests
    Plans uploads;
    Plans profiles;
    std::vector<ReceivedRequest> requests;
    std::list<std::weak_ptr<Session>> sessions;  // server thread only

    void Accept(tcp::acceptor& acceptor);
    ReplyPlan Record(ReceivedRequest request);
};

class StatsServer::Impl::Session : public std::enable_shared_from_this<Session> {
public:
    Session(std::shared_ptr<Impl> server, tcp::socket socket)
        : m_server(std::move(server)), m_stream(std::move(socket), m_server->tls), m_timer(m_server->context) {}

    void Run() {
        beast::get_lowest_layer(m_stream).expires_after(std::chrono::seconds(10));
        m_stream.async_handshake(ssl::stream_base::server, [self = shared_from_this()](beast::error_code error) {
            if (!error) self->Read();
        });
    }

    void Close() {
        beast::error_code error;
        m_timer.cancel();
        beast::get_lowest_layer(m_stream).socket().close(error);
    }

private:
    void Read() {
        m_parser.body_limit(64 * 1024 * 1024);
        beast::get_lowest_layer(m_stream).expires_after(std::chrono::seconds(10));
        http::async_read(m_stream, m_buffer, m_parser,
                         [self = shared_from_this()](beast::error_code error, std::size_t) {
                             if (!error) self->Handle();
                         });
    }

    void Handle() {
        const auto& message = m_parser.get();
        ReceivedRequest seen;
        beast::error_code error;
        seen.localAddress = beast::get_lowest_layer(m_stream).socket().local_endpoint(error).address().to_string();
        seen.method = std::string(message.method_string());
        seen.target = std::string(message.target());
        for (const auto& field : message)
            seen.headers[Lower(std::string(field.name_string()))] = std::string(field.value());
        seen.body = message.body();
        const std::string boundary = BoundaryOf(seen.headers["content-type"]);
        if (!boundary.empty()) ParseMultipart(seen.body, boundary, seen.parts);
        if (const FormPartSeen* hash = seen.Part("hash")) seen.encoded = hash->data == "2";
        if (const FormPartSeen* json = seen.Part("json_data"))
            seen.json = seen.encoded ? StatsAlphabetDecode(json->data) : json->data;
        if (const FormPartSeen* file = seen.Part("upload_file")) seen.zipEntries = ZipEntries(file->data);
        m_encoded = seen.encoded;
        m_plan = m_server->Record(std::move(seen));
        if (m_plan.delayMs > 0) {
            beast::get_lowest_layer(m_stream).expires_never();
            m_timer.expires_after(std::chrono::milliseconds(m_plan.delayMs));
            m_timer.async_wait([self = shared_from_this()](beast::error_code waitError) {
                if (!waitError) self->Answer();
            });
            return;
        }
        Answer();
    }

    void Answer() {
        if (m_plan.kind == ReplyKind::Drop) {
            Close();
            return;
        }
        m_response.version(11);
        m_response.keep_alive(false);
        if (m_plan.kind == ReplyKind::Body) {
            m_response.result(static_cast<unsigned>(m_plan.status));
            m_response.set(http::field::content_type, "application/json");
            m_response.body() = m_plan.body;
        } else if (m_plan.kind == ReplyKind::ServerError) {
            m_response.result(http::status::internal_server_error);
            m_response.set(http::field::content_type, "text/html");
            m_response.body() = ReplyBody(m_plan.kind);
        } else {
            m_response.result(http::status::ok);
            m_response.set(http::field::content_type, "text/plain");
            const std::string body = ReplyBody(m_plan.kind);
            m_response.body() = m_encoded ? StatsAlphabetEncode(body) : body;
        }
        m_response.prepare_payload();
        beast::get_lowest_layer(m_stream).expires_after(std::chrono::seconds(10));
        http::async_write(m_stream, m_response, [self = shared_from_this()](beast::error_code error, std::size_t) {
            if (error) return self->Close();
            beast::get_lowest_layer(self->m_stream).expires_after(std::chrono::seconds(2));
            self->m_stream.async_shutdown([self](beast::error_code) { self->Close(); });
        });
    }

    std::shared_ptr<Impl> m_server;
    beast::ssl_stream<beast::tcp_stream> m_stream;
    asio::steady_timer m_timer;
    beast::flat_buffer m_buffer;
    http::request_parser<http::string_body> m_parser;
    http::response<http::string_body> m_response;
    ReplyPlan m_plan;
    bool m_encoded = false;
};

void StatsServer::Impl::Accept(tcp::acceptor& acceptor) {
    acceptor.async_accept([self = shared_from_this(), &acceptor](beast::error_code error, tcp::socket socket) {
        if (error) return;
        auto session = std::make_shared<Session>(self, std::move(socket));
        self->sessions.remove_if([](const std::weak_ptr<Session>& item) { return item.expired(); });
        self->sessions.push_back(session);
        session->Run();
        self->Accept(acceptor);
    });
}

ReplyPlan StatsServer::Impl::Record(ReceivedRequest request) {
    std::lock_guard<std::mutex> guard(lock);
    const bool profile = request.target.rfind(kProfilePath, 0) == 0;
    requests.push_back(std::move(request));
    return profile ? profiles.Next() : uploads.Next();
}

StatsServer::StatsServer(StatsServerOptions options) : m_impl(std::make_shared<Impl>()) {
    m_impl->options = std::move(options);
}

StatsServer::~StatsServer() { Stop(); }

bool StatsServer::Start() {
    Impl& impl = *m_impl;
    beast::error_code error;
    impl.tls.use_certificate_chain(asio::buffer(impl.options.identity.certificate), error);
    if (!error) impl.tls.use_private_key(asio::buffer(impl.options.identity.key), ssl::context::pem, error);
    if (error) return false;
    impl.port = impl.options.port;
    for (const std::string& address : impl.options.addresses) {
        auto acceptor = std::make_unique<tcp::acceptor>(impl.context);
        const tcp::endpoint endpoint(asio::ip::make_address(address, error), impl.port);
        if (error) return false;
        acceptor->open(endpoint.protocol(), error);
        if (!error) acceptor->set_option(tcp::acceptor::reuse_address(true), error);
        if (!error) acceptor->bind(endpoint, error);
        if (!error) acceptor->listen(32, error);
        if (error) return false;
        impl.port = acceptor->local_endpoint().port();
        impl.acceptors.push_back(std::move(acceptor));
    }
    for (auto& acceptor : impl.acceptors) impl.Accept(*acceptor);
    impl.thread = std::thread([&impl] { impl.context.run(); });
    return true;
}

void StatsServer::Stop() {
    Impl& impl = *m_impl;
    if (!impl.thread.joinable()) return;
    // Everything is closed on the server's own thread; with no work left its
    // context returns.
    asio::post(impl.context, [&impl] {
        beast::error_code error;
        for (auto& acceptor : impl.acceptors) acceptor->close(error);
        for (auto& weak : impl.sessions)
            if (auto session = weak.lock()) session->Close();
        impl.sessions.clear();
    });
    impl.thread.join();
}

unsigned short StatsServer::Port() const { return m_impl->port; }

std::string StatsServer::Host(const std::string& address) const { return address + ":" + std::to_string(Port()); }

std::string StatsServer::Url(const std::string& path, const std::string& address) const {
    return "https://" + Host(address) + path;
}

void StatsServer::SetUploadReplies(std::vector<ReplyPlan> queue, ReplyPlan then) {
    std::lock_guard<std::mutex> guard(m_impl->lock);
    m_impl->uploads.queue.assign(queue.begin(), queue.end());
    m_impl->uploads.then = std::move(then);
}

void StatsServer::SetProfileReplies(std::vector<ReplyPlan> queue, ReplyPlan then) {
    std::lock_guard<std::mutex> guard(m_impl->lock);
    m_impl->profiles.queue.assign(queue.begin(), queue.end());
    m_impl->profiles.then = std::move(then);
}

std::vector<ReceivedRequest> StatsServer::Requests() const {
    std::lock_guard<std::mutex> guard(m_impl->lock);
    return m_impl->requests;
}

std::size_t StatsServer::RequestCount() const {
    std::lock_guard<std::mutex> guard(m_impl->lock);
    return m_impl->requests.size();
}

void StatsServer::ClearRequests() {
    std::lock_guard<std::mutex> guard(m_impl->lock);
    m_impl->requests.clear();
}

}  // namespace statstest
