#include "tests/stats/server/TestCa.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <vector>

namespace statstest {

namespace {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateDeleter {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
using KeyPointer = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using CertificatePointer = std::unique_ptr<X509, CertificateDeleter>;

KeyPointer NewKey() { return KeyPointer(EVP_EC_gen("P-256")); }

std::string PemOf(X509* certificate) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, certificate);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<std::size_t>(length));
    BIO_free(bio);
    return text;
}

std::string PemOf(EVP_PKEY* key) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string text(data, static_cast<std::size_t>(length));
    BIO_free(bio);
    return text;
}

bool AddExtension(X509* certificate, X509* issuer, int id, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, id, value);
    if (extension == nullptr) return false;
    const bool added = X509_add_ext(certificate, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

CertificatePointer NewCertificate(EVP_PKEY* subjectKey, const std::string& commonName, long serial) {
    CertificatePointer certificate(X509_new());
    if (!certificate) return certificate;
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 2 * 24 * 3600);
    X509_set_pubkey(certificate.get(), subjectKey);
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName.c_str()), -1,
                               -1, 0);
    return certificate;
}

std::atomic<long> g_serial{1};

}  // namespace

struct TestCa::Impl {
    KeyPointer key;
    CertificatePointer certificate;
    std::string pem;
    mutable std::mutex lock;
    mutable std::vector<std::string> files;
};

TestCa::TestCa(const std::string& name) : m_impl(std::make_unique<Impl>()) {
    m_impl->key = NewKey();
    if (!m_impl->key) return;
    CertificatePointer certificate = NewCertificate(m_impl->key.get(), name, g_serial++);
    if (!certificate) return;
    X509_set_issuer_name(certificate.get(), X509_get_subject_name(certificate.get()));
    AddExtension(certificate.get(), certificate.get(), NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(certificate.get(), certificate.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(certificate.get(), certificate.get(), NID_subject_key_identifier, "hash");
    if (X509_sign(certificate.get(), m_impl->key.get(), EVP_sha256()) == 0) return;
    m_impl->pem = PemOf(certificate.get());
    m_impl->certificate = std::move(certificate);
}

TestCa::~TestCa() {
    std::error_code error;
    for (const std::string& file : m_impl->files) std::filesystem::remove(file, error);
}

bool TestCa::Ok() const { return m_impl->certificate != nullptr; }

const std::string& TestCa::CertificatePem() const { return m_impl->pem; }

PemPair TestCa::IssueServerCertificate() const {
    PemPair pair;
    if (!Ok()) return pair;
    KeyPointer key = NewKey();
    if (!key) return pair;
    CertificatePointer certificate = NewCertificate(key.get(), "statistics loopback server", g_serial++);
    if (!certificate) return pair;
    X509_set_issuer_name(certificate.get(), X509_get_subject_name(m_impl->certificate.get()));
    AddExtension(certificate.get(), m_impl->certificate.get(), NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(certificate.get(), m_impl->certificate.get(), NID_key_usage, "critical,digitalSignature");
    AddExtension(certificate.get(), m_impl->certificate.get(), NID_ext_key_usage, "serverAuth");
    AddExtension(certificate.get(), m_impl->certificate.get(), NID_subject_alt_name,
                 "IP:127.0.0.1,IP:127.0.0.2,IP:127.0.0.3,IP:127.0.0.4,DNS:localhost");
    AddExtension(certificate.get(), m_impl->certificate.get(), NID_authority_key_identifier, "keyid:always");
    if (X509_sign(certificate.get(), m_impl->key.get(), EVP_sha256()) == 0) return pair;
    pair.certificate = PemOf(certificate.get());
    pair.key = PemOf(key.get());
    return pair;
}

std::string TestCa::WriteBundle() const {
    static std::atomic<int> counter{0};
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("stats-test-ca-" + std::to_string(std::random_device{}()) + "-" + std::to_string(counter++) + ".pem");
    std::ofstream out(path, std::ios::binary);
    out << m_impl->pem;
    out.close();
    std::lock_guard<std::mutex> guard(m_impl->lock);
    m_impl->files.push_back(path.string());
    return path.string();
}

}  // namespace statstest
