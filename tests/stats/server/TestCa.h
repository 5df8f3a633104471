// A certificate authority made at test time, and server certificates it
// signs, so that the statistics client's TLS verification is really
// exercised against the loopback server.
//
// Keys are P-256; certificates are valid from an hour ago for two days.
// Server certificates name 127.0.0.1 to 127.0.0.4 and "localhost".
#pragma once

#include <memory>
#include <string>

namespace statstest {

struct PemPair {
    std::string certificate;  // PEM
    std::string key;          // PEM, unencrypted
};

class TestCa {
public:
    // `name` is the authority's common name. Check Ok() before use.
    explicit TestCa(const std::string& name);
    ~TestCa();
    TestCa(const TestCa&) = delete;
    TestCa& operator=(const TestCa&) = delete;

    bool Ok() const;
    const std::string& CertificatePem() const;
    // A server certificate and key signed by this authority.
    PemPair IssueServerCertificate() const;
    // Writes the authority's certificate to a file under the system's
    // temporary folder (removed by the destructor) and returns its path.
    std::string WriteBundle() const;

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

}  // namespace statstest
