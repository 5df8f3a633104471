#include <openssl/evp.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <memory>
#include <vector>

#include "tests/download/rig/MirrorRig.h"

namespace rig {

namespace {

std::string Hex(const unsigned char* digest, bool lower) {
    char text[33];
    for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, lower ? "%02x" : "%02X", digest[i]);
    return std::string(text, 32);
}

struct DigestContext {
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> context{EVP_MD_CTX_new(), EVP_MD_CTX_free};
    DigestContext() { EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr); }
    void Update(const unsigned char* bytes, size_t length) { EVP_DigestUpdate(context.get(), bytes, length); }
    std::string Finish() {
        unsigned char digest[16];
        unsigned int length = 16;
        EVP_DigestFinal_ex(context.get(), digest, &length);
        EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr);
        return Hex(digest, false);
    }
};

std::string ToLower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') out += "&amp;";
        else if (c == '"') out += "&quot;";
        else if (c == '<') out += "&lt;";
        else out += c;
    }
    return out;
}

}  // namespace

PackageDigests DigestPackage(const Content& content) {
    constexpr std::uint64_t kBlock = 1048576;
    PackageDigests digests;
    DigestContext whole, block;
    std::vector<unsigned char> buffer(65536);
    std::uint64_t inBlock = 0;
    for (std::uint64_t offset = 0; offset < content.size;) {
        size_t length = static_cast<size_t>(std::min<std::uint64_t>(buffer.size(), content.size - offset));
        length = static_cast<size_t>(std::min<std::uint64_t>(length, kBlock - inBlock));
        content.Fill(offset, buffer.data(), length);
        whole.Update(buffer.data(), length);
        block.Update(buffer.data(), length);
        offset += length;
        inBlock += length;
        if (inBlock == kBlock || offset == content.size) {
            digests.blocks.push_back(block.Finish());
            inBlock = 0;
        }
    }
    digests.whole = whole.Finish();
    return digests;
}

std::string GenerateManifest(std::uint64_t size, const PackageDigests& digests, const std::vector<std::string>& urls,
                             const ManifestOptions& options) {
    auto digest = [&](const std::string& text) { return options.lowerCase ? ToLower(text) : text; };
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    xml += "<download version=\"" + std::to_string(options.version) + "\" size=\"" + std::to_string(size) +
           "\" name=\"" + Escape(options.name) + "\">\n";
    xml += "\t<url size=\"" + std::to_string(urls.size()) + "\">\n";
    for (size_t i = 0; i < urls.size(); ++i)
        xml += "\t\t<item_" + std::to_string(i) + " value=\"" + Escape(urls[i]) + "\"/>\n";
    xml += "\t</url>\n";
    xml += "\t<hash size=\"" + std::to_string(digests.blocks.size() + 1) + "\">\n";
    xml += "\t\t<item_0 value=\"" + digest(digests.whole) + "\"/>\n";
    for (size_t i = 0; i < digests.blocks.size(); ++i)
        xml += "\t\t<item_" + std::to_string(i + 1) + " value=\"" + digest(digests.blocks[i]) + "\"/>\n";
    xml += "\t</hash>\n</download>\n";
    return xml;
}

std::string DigestHostFile(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return "";
    DigestContext digest;
    std::vector<char> buffer(65536);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        if (in.gcount() > 0)
            digest.Update(reinterpret_cast<const unsigned char*>(buffer.data()), static_cast<size_t>(in.gcount()));
    }
    return digest.Finish();
}

std::string GenerateManifest(const Content& content, const std::vector<std::string>& urls,
                             const ManifestOptions& options) {
    return GenerateManifest(content.size, DigestPackage(content), urls, options);
}

}  // namespace rig
