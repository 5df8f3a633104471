#include "tests/download/rig/MirrorRig.h"

#include <utility>  // before Asio: its C++20 coroutine header needs std::exchange

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/base/Environment.h"

namespace rig {

namespace net = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint64_t kBlock = 1048576;
constexpr std::size_t kChunk = 16384;

std::uint64_t SplitMix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

}  // namespace

Content Content::FromFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    auto bytes = std::make_shared<std::string>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Content content;
    content.size = bytes->size();
    content.bytes = std::move(bytes);
    return content;
}

void Content::Fill(std::uint64_t offset, unsigned char* out, std::size_t length) const {
    if (bytes) {
        // Past the file's end (never asked for by the server) gives zeros.
        for (std::size_t i = 0; i < length; ++i)
            out[i] = offset + i < bytes->size() ? static_cast<unsigned char>((*bytes)[offset + i]) : 0;
        return;
    }
    std::uint64_t word = offset / 8;
    std::uint64_t value = SplitMix(seed * 0x100000001B3ull + word);
    for (std::size_t i = 0; i < length; ++i) {
        const std::uint64_t at = offset + i;
        if (at / 8 != word) {
            word = at / 8;
            value = SplitMix(seed * 0x100000001B3ull + word);
        }
        out[i] = static_cast<unsigned char>(value >> (8 * (at % 8)));
    }
}

struct MirrorState {
    MirrorConfig config;
    std::string address;
    unsigned short port = 80;
    std::unique_ptr<tcp::acceptor> acceptor;
    mutable std::mutex lock;
    std::vector<RequestRecord> requests;
    int packageGets = 0;
    std::vector<int> strikes;
    std::uint64_t served = 0;
    Clock::time_point mirrorNext{};
};

class Session;

struct MirrorRig::Impl {
    net::io_context io;
    std::unique_ptr<net::executor_work_guard<net::io_context::executor_type>> work;
    std::vector<std::unique_ptr<MirrorState>> mirrors;
    std::vector<std::thread> threads;
    std::mutex filesLock;
    std::map<std::string, std::string> files;
    const Content* content = nullptr;
    std::string fileName;
    std::atomic<bool> stopping{false};
    std::mutex sessionsLock;
    std::vector<std::weak_ptr<Session>> sessions;

    void Accept(MirrorState& mirror);
};

class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, MirrorRig::Impl& rig, MirrorState& mirror)
        : m_socket(std::move(socket)), m_timer(m_socket.get_executor()), m_rig(rig), m_mirror(mirror) {}

    void Read() {
        if (m_rig.stopping) return Close();
        m_request = {};
        auto self = shared_from_this();
        http::async_read(m_socket, m_buffer, m_request, [self](beast::error_code error, std::size_t) {
            if (error) return self->Close();
            self->Handle();
        });
    }

    tcp::socket::executor_type Executor() { return m_socket.get_executor(); }

    void Close() {
        beast::error_code ignored;
        m_timer.cancel();
        m_socket.shutdown(tcp::socket::shutdown_both, ignored);
        m_socket.close(ignored);
    }

private:
    void Respond(http::status status, const std::string& body, std::map<http::field, std::string> fields = {}) {
        http::response<http::empty_body> response{status, 11};
        for (auto& [field, value] : fields) response.set(field, value);
        response.set(http::field::content_length, std::to_string(body.size()));
        response.keep_alive(m_request.keep_alive());
        m_keepAlive = m_request.keep_alive();
        std::ostringstream head;
        head << response.base();
        m_head = head.str();
        if (m_request.method() != http::verb::head) m_head += body;
        m_hasBody = false;
        Record(static_cast<int>(status));
        WriteHead();
    }

    void Record(int status) {
        std::lock_guard<std::mutex> guard(m_mirror.lock);
        RequestRecord record;
        record.method = std::string(m_request.method_string());
        record.target = std::string(m_request.target());
        auto range = m_request.find(http::field::range);
        if (range != m_request.end()) record.range = std::string(range->value());
        record.status = status;
        m_mirror.requests.push_back(record);
        m_recordIndex = m_mirror.requests.size() - 1;
    }

    static bool ParseRange(const std::string& text, std::uint64_t size, std::uint64_t* first, std::uint64_t* last) {
        if (text.compare(0, 6, "bytes=") != 0 || text.find(',') != std::string::npos) return false;
        const std::string spec = text.substr(6);
        const size_t dash = spec.find('-');
        if (dash == std::string::npos || dash == 0) return false;
        try {
            *first = std::stoull(spec.substr(0, dash));
            *last = dash + 1 < spec.size() ? std::stoull(spec.substr(dash + 1)) : size - 1;
        } catch (...) {
            return false;
        }
        if (*last >= size) *last = size - 1;
        return *first <= *last && *first < size;
    }

    void Handle() {
        const std::string target(m_request.target());
        const bool head = m_request.method() == http::verb::head;
        if (m_request.method() != http::verb::get && !head) return Respond(http::status::method_not_allowed, "");
        if (target == "/flag.php") return Respond(http::status::ok, m_mirror.config.flagAnswer);
        std::string fixed;
        {
            std::lock_guard<std::mutex> guard(m_rig.filesLock);
            auto file = m_rig.files.find(target);
            if (file != m_rig.files.end()) fixed = file->second;
        }
        if (!fixed.empty()) return Respond(http::status::ok, fixed);
        if (target != "/download/" + m_rig.fileName) return Respond(http::status::not_found, "<html>not found</html>");

        const std::uint64_t size = m_rig.content->size;
        std::uint64_t first = 0, last = size - 1;
        bool ranged = false;
        auto rangeField = m_request.find(http::field::range);
        if (!head && rangeField != m_request.end()) {
            if (!ParseRange(std::string(rangeField->value()), size, &first, &last))
                return Respond(http::status::range_not_satisfiable, "",
                               {{http::field::content_range, "bytes */" + std::to_string(size)}});
            ranged = true;
        }

        // Decide which faults strike this response.
        std::uint64_t reportedLength = size;
        bool lengthHidden = false;
        m_cutAt = kNoLimit;
        m_stall = false;
        m_corrupt.clear();
        bool wrongRange = false;
        bool noLength = false;
        {
            std::lock_guard<std::mutex> guard(m_mirror.lock);
            const int index = head ? -1 : m_mirror.packageGets++;
            for (size_t i = 0; i < m_mirror.config.faults.size(); ++i) {
                const Fault& fault = m_mirror.config.faults[i];
                int& strikes = m_mirror.strikes[i];
                if (fault.times >= 0 && strikes >= fault.times) continue;
                const bool headFault = fault.kind == FaultKind::HeadSize || fault.kind == FaultKind::NoHeadSize;
                if (head != headFault && fault.kind != FaultKind::Redirect) continue;
                if (!head && index < fault.fromRequest) continue;
                switch (fault.kind) {
                    case FaultKind::HeadSize:
                        reportedLength = fault.offset;
                        ++strikes;
                        break;
                    case FaultKind::NoHeadSize:
                        lengthHidden = true;
                        ++strikes;
                        break;
                    case FaultKind::Redirect:
                        ++strikes;
                        m_pending = {http::status::found, fault.location};
                        break;
                    case FaultKind::Status:
                        ++strikes;
                        m_pending = {static_cast<http::status>(fault.status), ""};
                        break;
                    case FaultKind::IgnoreRange:
                        ++strikes;
                        first = 0, last = size - 1, ranged = false;
                        break;
                    case FaultKind::WrongRange:
                        if (!ranged) break;
                        ++strikes;
                        wrongRange = true;
                        break;
                    case FaultKind::ShortBody:
                        if (fault.afterBytes == kNoLimit || first + fault.afterBytes > last) break;
                        ++strikes;
                        noLength = true;
                        m_cutAt = std::min(m_cutAt, first + fault.afterBytes);
                        break;
                    case FaultKind::Drop:
                    case FaultKind::Stall: {
                        std::uint64_t cut = kNoLimit;
                        if (fault.afterBytes != kNoLimit) cut = first + fault.afterBytes;
                        else if (fault.offset >= first && fault.offset <= last) cut = fault.offset;
                        if (cut <= last && cut < m_cutAt) {
                            ++strikes;
                            m_cutAt = cut;
                            m_stall = fault.kind == FaultKind::Stall;
                            m_holdMs = fault.holdMs;
                        }
                        break;
                    }
                    case FaultKind::Corrupt: {
                        // With afterBytes: the block holding that byte of this response.
                        const std::uint64_t block =
                            fault.afterBytes != kNoLimit ? (first + fault.afterBytes) / kBlock : fault.offset;
                        const std::uint64_t blockStart = block * kBlock;
                        if (blockStart <= last && blockStart + kBlock > first) {
                            ++strikes;
                            m_corrupt.push_back(block);
                        }
                        break;
                    }
                }
            }
        }
        if (m_pending.first != http::status::unknown) {
            auto [status, location] = m_pending;
            m_pending = {http::status::unknown, ""};
            if (status == http::status::found) {
                // "mirror:N" names another mirror of the rig.
                if (location.compare(0, 7, "mirror:") == 0) {
                    const size_t index = static_cast<size_t>(std::atoi(location.c_str() + 7));
                    if (index < m_rig.mirrors.size()) {
                        const MirrorState& other = *m_rig.mirrors[index];
                        location = "http://" + other.address +
                                   (other.port == 80 ? "" : ":" + std::to_string(other.port)) + target;
                    }
                }
                return Respond(status, "", {{http::field::location, location}});
            }
            return Respond(status, "<html><body>server error</body></html>");
        }
        if (head) {
            http::response<http::empty_body> response{http::status::ok, 11};
            response.set(http::field::accept_ranges, "bytes");
            if (!lengthHidden) response.set(http::field::content_length, std::to_string(reportedLength));
            response.keep_alive(m_request.keep_alive());
            m_keepAlive = m_request.keep_alive() && !lengthHidden;
            std::ostringstream text;
            text << response.base();
            m_head = text.str();
            m_hasBody = false;
            Record(200);
            return WriteHead();
        }
        http::response<http::empty_body> response{ranged ? http::status::partial_content : http::status::ok, 11};
        response.set(http::field::accept_ranges, "bytes");
        // Without a length the body ends where the connection closes.
        if (!noLength) response.set(http::field::content_length, std::to_string(last - first + 1));
        if (ranged) {
            // A wrong range names the bytes one off from those sent.
            std::uint64_t named = first, namedLast = last;
            if (wrongRange) {
                if (last + 1 < size) ++named, ++namedLast;
                else --named, --namedLast;
            }
            response.set(http::field::content_range, "bytes " + std::to_string(named) + "-" +
                                                         std::to_string(namedLast) + "/" + std::to_string(size));
        }
        response.keep_alive(m_request.keep_alive() && !noLength);
        m_keepAlive = m_request.keep_alive() && !noLength;
        std::ostringstream text;
        text << response.base();
        m_head = text.str();
        m_hasBody = true;
        m_next = first;
        m_last = last;
        m_sent = 0;
        m_start = Clock::now();
        Record(ranged ? 206 : 200);
        WriteHead();
    }

    void WriteHead() {
        auto self = shared_from_this();
        net::async_write(m_socket, net::buffer(m_head), [self](beast::error_code error, std::size_t) {
            if (error) return self->Close();
            if (self->m_hasBody) return self->SendBody();
            self->Finish();
        });
    }

    void SendBody() {
        if (m_rig.stopping) return Close();
        if (m_next > m_last) return Finish();
        if (m_next == m_cutAt) {
            if (!m_stall) return Close();
            if (m_holdMs <= 0) return Hold();
            // A stall that ends: send the rest after the pause.
            m_cutAt = kNoLimit;
            auto self = shared_from_this();
            m_timer.expires_after(std::chrono::milliseconds(m_holdMs));
            m_timer.async_wait([self](beast::error_code error) {
                if (error || self->m_rig.stopping) return self->Close();
                self->m_start = Clock::now();
                self->m_sent = 0;
                self->SendBody();
            });
            return;
        }
        std::uint64_t length = std::min<std::uint64_t>(kChunk, m_last - m_next + 1);
        if (m_cutAt != kNoLimit && m_cutAt > m_next) length = std::min(length, m_cutAt - m_next);
        m_chunk.resize(static_cast<size_t>(length));
        m_rig.content->Fill(m_next, m_chunk.data(), m_chunk.size());
        for (std::uint64_t block : m_corrupt) {
            const std::uint64_t from = std::max(m_next, block * kBlock);
            const std::uint64_t to = std::min(m_next + length, (block + 1) * kBlock);
            for (std::uint64_t at = from; at < to; ++at) m_chunk[static_cast<size_t>(at - m_next)] ^= 0x5A;
        }
        Clock::time_point due = Clock::now();
        const MirrorConfig& config = m_mirror.config;
        if (config.connectionRate > 0)
            due = std::max(due, m_start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                              static_cast<double>(m_sent) / config.connectionRate)));
        if (config.mirrorRate > 0) {
            std::lock_guard<std::mutex> guard(m_mirror.lock);
            Clock::time_point slot = std::max(Clock::now(), m_mirror.mirrorNext);
            m_mirror.mirrorNext = slot + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                             static_cast<double>(length) / config.mirrorRate));
            due = std::max(due, slot);
        }
        auto self = shared_from_this();
        m_timer.expires_at(due);
        m_timer.async_wait([self](beast::error_code error) {
            if (error || self->m_rig.stopping) return self->Close();
            net::async_write(self->m_socket, net::buffer(self->m_chunk),
                             [self](beast::error_code error, std::size_t written) {
                                 if (error) return self->Close();
                                 self->m_next += written;
                                 self->m_sent += written;
                                 {
                                     std::lock_guard<std::mutex> guard(self->m_mirror.lock);
                                     self->m_mirror.served += written;
                                     self->m_mirror.requests[self->m_recordIndex].bodyBytes += written;
                                 }
                                 self->SendBody();
                             });
        });
    }

    // A stalled response: nothing more is sent; the socket stays open until
    // the client gives up or the rig stops.
    void Hold() {
        auto self = shared_from_this();
        m_socket.async_read_some(net::buffer(m_sink), [self](beast::error_code error, std::size_t) {
            if (error || self->m_rig.stopping) return self->Close();
            self->Hold();
        });
    }

    void Finish() {
        if (m_keepAlive && !m_rig.stopping) return Read();
        beast::error_code ignored;
        m_socket.shutdown(tcp::socket::shutdown_send, ignored);
        Close();
    }

    tcp::socket m_socket;
    net::steady_timer m_timer;
    MirrorRig::Impl& m_rig;
    MirrorState& m_mirror;
    beast::flat_buffer m_buffer;
    http::request<http::empty_body> m_request;
    std::string m_head;
    bool m_hasBody = false;
    bool m_keepAlive = false;
    std::uint64_t m_next = 0, m_last = 0, m_sent = 0;
    std::uint64_t m_cutAt = kNoLimit;
    bool m_stall = false;
    int m_holdMs = 0;
    std::vector<std::uint64_t> m_corrupt;
    std::vector<unsigned char> m_chunk;
    char m_sink[512];
    Clock::time_point m_start;
    size_t m_recordIndex = 0;
    std::pair<http::status, std::string> m_pending{http::status::unknown, ""};
};

void MirrorRig::Impl::Accept(MirrorState& mirror) {
    mirror.acceptor->async_accept(net::make_strand(io), [this, &mirror](beast::error_code error, tcp::socket socket) {
        if (error || stopping) return;
        auto session = std::make_shared<Session>(std::move(socket), *this, mirror);
        {
            std::lock_guard<std::mutex> guard(sessionsLock);
            sessions.erase(std::remove_if(sessions.begin(), sessions.end(), [](auto& weak) { return weak.expired(); }),
                           sessions.end());
            sessions.push_back(session);
        }
        session->Read();
        Accept(mirror);
    });
}

MirrorRig::MirrorRig(Content content, std::string fileName)
    : m_content(content), m_fileName(std::move(fileName)), m_impl(std::make_unique<Impl>()) {
    m_impl->content = &m_content;
    m_impl->fileName = m_fileName;
}

MirrorRig::~MirrorRig() { Stop(); }

void MirrorRig::AddFile(const std::string& path, const std::string& body) {
    std::lock_guard<std::mutex> guard(m_impl->filesLock);
    m_impl->files[path] = body;
}

bool MirrorRig::Start(const std::vector<MirrorConfig>& mirrors, const RigOptions& options, std::string* error) {
    Impl& impl = *m_impl;
    auto bindAll = [&](const std::string& prefix) -> bool {
        impl.mirrors.clear();
        for (size_t i = 0; i < mirrors.size(); ++i) {
            auto state = std::make_unique<MirrorState>();
            state->config = mirrors[i];
            state->strikes.assign(mirrors[i].faults.size(), 0);
            state->address = prefix + std::to_string(options.firstHost + static_cast<int>(i));
            state->port = options.port;
            beast::error_code code;
            auto acceptor = std::make_unique<tcp::acceptor>(net::make_strand(impl.io));
            tcp::endpoint endpoint(net::ip::make_address(state->address, code), options.port);
            if (code) return false;
            acceptor->open(endpoint.protocol(), code);
            if (!code) acceptor->set_option(net::socket_base::reuse_address(true), code);
            if (!code) acceptor->bind(endpoint, code);
            if (!code) acceptor->listen(net::socket_base::max_listen_connections, code);
            if (code) {
                if (error) *error = state->address + ": " + code.message();
                return false;
            }
            state->acceptor = std::move(acceptor);
            impl.mirrors.push_back(std::move(state));
        }
        return true;
    };
    bool bound = false;
    if (!options.addressPrefix.empty()) {
        bound = bindAll(options.addressPrefix);
    } else {
        // Tests run in parallel processes: each takes the first free 127.B.0.x block.
        const int offset = static_cast<int>(GetCurrentProcessId() % 200);
        for (int attempt = 0; attempt < 250 && !bound; ++attempt)
            bound = bindAll("127." + std::to_string(10 + (offset + attempt) % 240) + ".0.");
    }
    if (!bound) {
        impl.mirrors.clear();
        return false;
    }
    impl.stopping = false;
    impl.work = std::make_unique<net::executor_work_guard<net::io_context::executor_type>>(impl.io.get_executor());
    for (auto& mirror : impl.mirrors) impl.Accept(*mirror);
    for (int i = 0; i < std::max(1, options.threads); ++i) impl.threads.emplace_back([&impl] { impl.io.run(); });
    return true;
}

void MirrorRig::Stop() {
    Impl& impl = *m_impl;
    if (impl.threads.empty()) return;
    impl.stopping = true;
    // Every socket is closed on its own strand, so no handler runs beside it.
    for (auto& mirror : impl.mirrors) {
        tcp::acceptor* acceptor = mirror->acceptor.get();
        net::post(acceptor->get_executor(), [acceptor] {
            beast::error_code ignored;
            acceptor->close(ignored);
        });
    }
    {
        std::lock_guard<std::mutex> guard(impl.sessionsLock);
        for (auto& weak : impl.sessions)
            if (auto session = weak.lock()) net::post(session->Executor(), [session] { session->Close(); });
    }
    impl.work.reset();
    for (std::thread& thread : impl.threads) thread.join();
    impl.threads.clear();
}

void MirrorRig::ResetFaults() {
    for (auto& mirror : m_impl->mirrors) {
        std::lock_guard<std::mutex> guard(mirror->lock);
        mirror->strikes.assign(mirror->strikes.size(), 0);
        mirror->packageGets = 0;
    }
}

int MirrorRig::MirrorCount() const { return static_cast<int>(m_impl->mirrors.size()); }

std::string MirrorRig::Address(int mirror) const { return m_impl->mirrors.at(static_cast<size_t>(mirror))->address; }

std::string MirrorRig::Host(int mirror) const {
    const MirrorState& state = *m_impl->mirrors.at(static_cast<size_t>(mirror));
    return state.port == 80 ? state.address : state.address + ":" + std::to_string(state.port);
}

std::string MirrorRig::Url(int mirror) const { return "http://" + Host(mirror) + "/download/" + m_fileName; }

std::vector<RequestRecord> MirrorRig::Requests(int mirror) const {
    const MirrorState& state = *m_impl->mirrors.at(static_cast<size_t>(mirror));
    std::lock_guard<std::mutex> guard(state.lock);
    return state.requests;
}

std::uint64_t MirrorRig::PackageBytesServed(int mirror) const {
    const MirrorState& state = *m_impl->mirrors.at(static_cast<size_t>(mirror));
    std::lock_guard<std::mutex> guard(state.lock);
    return state.served;
}

}  // namespace rig
