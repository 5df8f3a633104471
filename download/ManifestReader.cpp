// Reading the download manifest into a DownloadConfig.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "download/DownloaderCurl.h"
#include "formats/xml/XMLParse.h"
#include "platform/files/FileSystem.h"
#include "util/Md5.h"

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

HRESULT DownloaderCurl::ApplyConfig(boost::shared_ptr<IXMLParse> document, std::string targetPath) {
    auto fail = [this](int errorCode, int state, HRESULT result) {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_errorCode = errorCode;
        if (state != DownloadState_Idle) m_state = state;
        return result;
    };
    if (!document) return fail(ConfigLoadError, DownloadState_Idle, E_INVALIDARG);
    if (targetPath.size() >= MAX_PATH) return fail(ConfigLoadError, DownloadState_Idle, E_INVALIDARG);

    DownloadConfig config;
    std::memcpy(config.targetPath, targetPath.c_str(), targetPath.size() + 1);
    config.partsPerMirror = 2;

    int version = 0;
    if (!document->ReadXML("download.version", &version)) return fail(ConfigLoadVersionError, DownloadState_Rejected, E_ABORT);
    if (version >= 2) return fail(NeedUpdateDownload, DownloadState_Rejected, E_ABORT);

    // The size is a signed 32-bit number; zero or negative sizes name no package.
    int size = 0;
    if (!document->ReadXML("download.size", &size) || size <= 0) return fail(ConfigLoadFileSizeError, DownloadState_Idle, E_ABORT);
    config.size = size;

    int urlCount = 0;
    if (!document->ReadXML("download.url.size", &urlCount)) return fail(ConfigLoadUrlSizeError, DownloadState_Idle, E_ABORT);
    // Items past the fifteenth are not read.
    for (int i = 0; i < urlCount && i < kMaxManifestMirrors; ++i) {
        char key[128];
        std::snprintf(key, sizeof(key), "download.url.item_%d.value", i);
        std::string url;
        if (!document->ReadXML(key, &url) || url.size() >= kMirrorUrlCapacity)
            return fail(ConfigLoadUrlError, DownloadState_Idle, E_ABORT);
        std::memcpy(config.mirrors[i].url, url.c_str(), url.size() + 1);
        config.mirrors[i].sizeConsistent = true;
    }

    // One whole-file digest and one per 1 MiB block: the count follows from the size.
    const std::uint64_t blocks = (static_cast<std::uint64_t>(size) + kHashBlockSize - 1) / kHashBlockSize;
    int hashCount = 0;
    if (!document->ReadXML("download.hash.size", &hashCount) || hashCount < 1 ||
        static_cast<std::uint64_t>(hashCount) != blocks + 1)
        return fail(ConfigLoadHashSizeError, DownloadState_Idle, E_ABORT);
    for (int j = 0; j < hashCount; ++j) {
        char key[128];
        std::snprintf(key, sizeof(key), "download.hash.item_%d.value", j);
        std::string digest;
        if (!document->ReadXML(key, &digest) || !NormaliseDigest(digest))
            return fail(ConfigLoadHashError, DownloadState_Idle, E_ABORT);
        if (j == 0)
            config.fileMd5 = digest;
        else
            config.blockMd5.push_back(digest);
    }

    if (PathFileExistsA(config.targetPath)) {
        Md5 md5;
        unsigned char digest[16];
        if (md5.DigestFile(config.targetPath, digest)) {
            char text[33];
            for (int k = 0; k < 16; ++k) std::snprintf(text + 2 * k, 3, "%02X", digest[k]);
            if (config.fileMd5 == text) {
                std::lock_guard<std::recursive_mutex> guard(m_lock);
                m_state = DownloadState_Finished;
                FireEvent(DOWNLOAD_EVENT_FINISHED, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(1)));
                m_bRunning = false;
                m_errorCode = NoNeedDownload;
                return S_OK;
            }
        }
    }
    return BeginDownload(&config);
}
