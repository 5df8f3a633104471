// A loopback mirror rig: HTTP/1.1 mirrors for tests and benchmarks.
//
// Each mirror listens on its own loopback address (127.B.0.11, .12, ...; port
// 80 by default, which needs root) and serves
//   /download/<file>  HEAD and GET, with single byte ranges (206 + Content-Range)
//   /flag.php         a configurable load-check answer
//   any added path    a fixed body (e.g. a manifest)
// The package bytes are computed from (size, seed), so files of any size cost
// no memory. Per-connection and per-mirror rate limits and faults (drop,
// stall, corrupt block, error status after k requests, range ignored, wrong or
// missing HEAD size, redirect) shape what the engine sees; every request is
// logged for assertions. Built on Boost.Beast/Asio; Stop() closes every
// socket and joins the server threads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rig {

// The package: byte i is a fixed function of (seed, i), or, when `bytes` is
// set, the bytes of a real file (FromFile).
struct Content {
    std::uint64_t size = 0;
    std::uint64_t seed = 1;
    std::shared_ptr<const std::string> bytes = nullptr;
    void Fill(std::uint64_t offset, unsigned char* out, std::size_t length) const;
    // A host file's bytes as the package; an empty package when it cannot be read.
    static Content FromFile(const std::string& hostPath);
};

enum class FaultKind {
    Drop,         // close the connection at `offset` (file offset) or after `afterBytes` body bytes
    Stall,        // stop sending there and hold the socket open
    Corrupt,      // flip the bytes of block `offset` (1 MiB blocks), or of the block at `afterBytes`
    Status,       // answer GETs with `status` (404, 500, ...) and an error page
    IgnoreRange,  // answer ranged GETs with 200 and the whole body
    HeadSize,     // HEAD reports `offset` as the length
    NoHeadSize,   // HEAD reports no length
    Redirect,     // 302 to `location` for HEAD and GET
    WrongRange,   // answer ranged GETs with 206 and a Content-Range one byte off
    ShortBody,    // send no Content-Length and close after `afterBytes` body bytes
};

constexpr std::uint64_t kNoLimit = ~static_cast<std::uint64_t>(0);

struct Fault {
    FaultKind kind = FaultKind::Drop;
    std::uint64_t offset = kNoLimit;
    std::uint64_t afterBytes = kNoLimit;
    int fromRequest = 0;  // applies to package GETs numbered from this one (0-based)
    int times = -1;       // number of responses it strikes; -1 for every one
    int status = 404;
    int holdMs = 0;        // Stall: resume after this long (0: hold until the client gives up)
    std::string location;  // a url, or "mirror:N" for mirror N of the rig
};

struct MirrorConfig {
    std::string flagAnswer = "1\n";
    double connectionRate = 0;  // bytes per second per connection, 0 unlimited
    double mirrorRate = 0;      // bytes per second over all connections, 0 unlimited
    std::vector<Fault> faults;
};

struct RequestRecord {
    std::string method;
    std::string target;
    std::string range;  // the Range header as sent, "" when none
    int status = 0;
    std::uint64_t bodyBytes = 0;  // package bytes sent
};

struct RigOptions {
    std::string addressPrefix;  // e.g. "127.0.0."; empty: the first free 127.B.0. block
    int firstHost = 11;
    unsigned short port = 80;
    int threads = 4;
};

class MirrorRig {
public:
    explicit MirrorRig(Content content, std::string fileName = "package.exe");
    ~MirrorRig();
    MirrorRig(const MirrorRig&) = delete;
    MirrorRig& operator=(const MirrorRig&) = delete;

    // Binds every mirror and starts serving; false with a reason on failure.
    bool Start(const std::vector<MirrorConfig>& mirrors, const RigOptions& options = {}, std::string* error = nullptr);
    void Stop();

    // A fixed, non-empty body served by every mirror at `path`.
    void AddFile(const std::string& path, const std::string& body);

    // Re-arms every fault and restarts the request counts (for a second client).
    void ResetFaults();

    int MirrorCount() const;
    std::string Address(int mirror) const;  // "127.B.0.11"
    std::string Host(int mirror) const;     // address, with ":port" when not 80
    std::string Url(int mirror) const;      // "http://<host>/download/<file>"
    std::vector<RequestRecord> Requests(int mirror) const;
    std::uint64_t PackageBytesServed(int mirror) const;
    const Content& Package() const { return m_content; }
    const std::string& FileName() const { return m_fileName; }

    struct Impl;

private:
    Content m_content;
    std::string m_fileName;
    std::unique_ptr<Impl> m_impl;
};

// MD5 of the package (32 upper-case hex digits) and of each 1 MiB block.
struct PackageDigests {
    std::string whole;
    std::vector<std::string> blocks;
};
PackageDigests DigestPackage(const Content& content);

struct ManifestOptions {
    int version = 1;
    bool lowerCase = false;
    std::string name = "package.exe";
};
// The XML download manifest of a package served at `urls`.
std::string GenerateManifest(const Content& content, const std::vector<std::string>& urls,
                             const ManifestOptions& options = {});
std::string GenerateManifest(std::uint64_t size, const PackageDigests& digests, const std::vector<std::string>& urls,
                             const ManifestOptions& options = {});

}  // namespace rig

namespace rig {
// A fault written as "kind@mirror[:value[:value]]":
//   drop@M:offset  stall@M:offset  corrupt@M:block  (each strikes once;
//   drop@M:+K, stall@M:+K and corrupt@M:+K strike at byte K of the first response)
//   corrupt-always@M:block  (the block is bad in every response that holds it)
//   status@M:code[:fromRequest]  ignore-range@M  head-size@M:size  no-head-size@M
//   redirect@M:url  wrong-range@M  short-body@M:+K
// False for a text of another shape.
bool ParseFault(const std::string& text, int* mirror, Fault* fault);
}  // namespace rig

namespace rig {
// MD5 of a host file as 32 upper-case hex digits, "" when it cannot be read.
std::string DigestHostFile(const std::string& hostPath);
}  // namespace rig
