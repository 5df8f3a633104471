#include "tests/download/fuzz/ManifestFuzzTarget.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "download/ManifestParser.h"
#include "formats/xml/XMLParse.h"

namespace fuzztargets {

namespace {
void Require(bool condition) {
    if (!condition) std::abort();
}

bool UpperHexDigest(const std::string& digest) {
    if (digest.size() != 32) return false;
    for (char c : digest)
        if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'A' || c > 'F')) return false;
    return true;
}
}  // namespace

bool ManifestParse(const std::uint8_t* data, std::size_t size) {
    if (size > XML_MAX_DOCUMENT_BYTES) return false;
    // Exactly `size` bytes with nothing after them.
    std::unique_ptr<char[]> text(new char[size == 0 ? 1 : size]);
    std::copy(data, data + size, text.get());
    XMLParse document;
    if (document.LoadFromString(text.get(), static_cast<std::int32_t>(size)) == 0) return false;
    DownloadConfig config;
    const int code = ParseManifest(document, "C:\\Users\\User\\Downloads\\package.exe", &config);
    Require(code >= NoError && code <= CheckHashError);
    if (code != NoError) return false;
    Require(config.size > 0);
    Require(std::strcmp(config.targetPath, "C:\\Users\\User\\Downloads\\package.exe") == 0);
    const std::uint64_t blocks = (static_cast<std::uint64_t>(config.size) + kHashBlockSize - 1) / kHashBlockSize;
    Require(config.blockMd5.size() == blocks);
    Require(UpperHexDigest(config.fileMd5));
    for (const std::string& digest : config.blockMd5) Require(UpperHexDigest(digest));
    for (const DownloadUrlInfo& mirror : config.mirrors)
        Require(std::memchr(mirror.url, '\0', sizeof(mirror.url)) != nullptr);
    return true;
}

}  // namespace fuzztargets
