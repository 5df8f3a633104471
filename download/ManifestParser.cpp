#include "download/ManifestParser.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "formats/xml/XMLParse.h"

namespace {

// A digest is 32 hex digits in either case; it is kept in upper case.
bool NormaliseDigest(std::string& digest) {
    if (digest.size() != 32) return false;
    for (char& c : digest) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return true;
}

}  // namespace

int ParseManifest(IXMLParse& document, const std::string& targetPath, DownloadConfig* config) {
    *config = DownloadConfig();
    if (targetPath.size() >= MAX_PATH) return ConfigLoadError;
    std::memcpy(config->targetPath, targetPath.c_str(), targetPath.size() + 1);
    config->partsPerMirror = 2;

    int version = 0;
    if (!document.ReadXML("download.version", &version)) return ConfigLoadVersionError;
    if (version >= 2) return NeedUpdateDownload;

    // The size is a signed 32-bit number; zero or negative sizes name no package.
    int size = 0;
    if (!document.ReadXML("download.size", &size) || size <= 0) return ConfigLoadFileSizeError;
    config->size = size;

    int urlCount = 0;
    if (!document.ReadXML("download.url.size", &urlCount)) return ConfigLoadUrlSizeError;
    // Items past the fifteenth are not read.
    for (int i = 0; i < urlCount && i < kMaxManifestMirrors; ++i) {
        char key[128];
        std::snprintf(key, sizeof(key), "download.url.item_%d.value", i);
        std::string url;
        if (!document.ReadXML(key, &url) || url.size() >= kMirrorUrlCapacity) return ConfigLoadUrlError;
        std::memcpy(config->mirrors[i].url, url.c_str(), url.size() + 1);
        config->mirrors[i].sizeConsistent = true;
    }

    // One whole-file digest and one per 1 MiB block: the count follows from the size.
    const std::uint64_t blocks = (static_cast<std::uint64_t>(size) + kHashBlockSize - 1) / kHashBlockSize;
    int hashCount = 0;
    if (!document.ReadXML("download.hash.size", &hashCount) || hashCount < 1 ||
        static_cast<std::uint64_t>(hashCount) != blocks + 1)
        return ConfigLoadHashSizeError;
    config->blockMd5.reserve(static_cast<size_t>(blocks));
    for (int j = 0; j < hashCount; ++j) {
        char key[128];
        std::snprintf(key, sizeof(key), "download.hash.item_%d.value", j);
        std::string digest;
        if (!document.ReadXML(key, &digest) || !NormaliseDigest(digest)) return ConfigLoadHashError;
        if (j == 0) config->fileMd5 = digest;
        else config->blockMd5.push_back(digest);
    }
    return NoError;
}
