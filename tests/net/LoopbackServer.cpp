#include "tests/net/LoopbackServer.h"

#include <utility>  // before Asio: its C++20 coroutine header needs std::exchange

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <chrono>
#include <condition_variable>

namespace nettest {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

Reply MakeReply(int status, const std::string& body, const std::vector<std::string>& headers) {
    std::string raw = "HTTP/1.1 " + std::to_string(status) + " X\r\n";
    for (const std::string& line : headers) raw += line + "\r\n";
    raw += "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    return Reply{raw, 0};
}

struct LoopbackServer::Impl {
    Handler handler;
    asio::io_context context;
    tcp::acceptor acceptor{context};
    unsigned short port = 0;
    std::thread thread;
    std::atomic<bool> stopping{false};
    mutable std::mutex lock;
    std::condition_variable stopped;
    std::vector<SeenRequest> requests;

    void Accept() {
        acceptor.async_accept([this](boost::system::error_code error, tcp::socket socket) {
            if (error || stopping) return;
            Handle(socket);
            Accept();
        });
    }

    void Handle(tcp::socket& socket) {
        beast::flat_buffer buffer;
        http::request_parser<http::string_body> parser;
        parser.body_limit(16 * 1024 * 1024);
        boost::system::error_code error;
        http::read(socket, buffer, parser, error);
        if (error) return;
        const auto& message = parser.get();
        SeenRequest seen;
        seen.method = std::string(message.method_string());
        seen.target = std::string(message.target());
        for (const auto& field : message) {
            std::string name(field.name_string());
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            seen.headers[name] = std::string(field.value());
        }
        seen.body = message.body();
        {
            std::lock_guard<std::mutex> guard(lock);
            requests.push_back(seen);
        }
        const Reply reply = handler(seen);
        asio::write(socket, asio::buffer(reply.raw), error);
        if (reply.holdMs > 0) {
            std::unique_lock<std::mutex> guard(lock);
            stopped.wait_for(guard, std::chrono::milliseconds(reply.holdMs), [this] { return stopping.load(); });
        }
        socket.shutdown(tcp::socket::shutdown_both, error);
        socket.close(error);
    }
};

LoopbackServer::LoopbackServer(Handler handler) : m_impl(std::make_unique<Impl>()) {
    m_impl->handler = std::move(handler);
}

LoopbackServer::~LoopbackServer() { Stop(); }

bool LoopbackServer::Start() {
    boost::system::error_code error;
    const tcp::endpoint endpoint(asio::ip::make_address("127.0.0.1"), 0);
    m_impl->acceptor.open(endpoint.protocol(), error);
    if (!error) m_impl->acceptor.bind(endpoint, error);
    if (!error) m_impl->acceptor.listen(16, error);
    if (error) return false;
    m_impl->port = m_impl->acceptor.local_endpoint().port();
    m_impl->Accept();
    m_impl->thread = std::thread([this] { m_impl->context.run(); });
    return true;
}

void LoopbackServer::Stop() {
    if (!m_impl->thread.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(m_impl->lock);
        m_impl->stopping = true;
    }
    m_impl->stopped.notify_all();
    // The listener is closed on the server's own thread, which ends the
    // pending accept and with it the context's work.
    asio::post(m_impl->context, [this] {
        boost::system::error_code error;
        m_impl->acceptor.close(error);
    });
    m_impl->thread.join();
}

std::string LoopbackServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_impl->port) + path;
}

std::vector<SeenRequest> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> guard(m_impl->lock);
    return m_impl->requests;
}

}  // namespace nettest
