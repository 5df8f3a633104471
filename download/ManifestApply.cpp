// Applying the download manifest: parse, skip a complete target, begin.
#include <cstdio>
#include <cstring>

#include "download/DownloaderCurl.h"
#include "download/ManifestParser.h"
#include "formats/xml/XMLParse.h"
#include "platform/files/FileSystem.h"
#include "util/Md5.h"

HRESULT DownloaderCurl::ApplyConfig(boost::shared_ptr<IXMLParse> document, std::string targetPath) {
    auto fail = [this](int errorCode, int state, HRESULT result) {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        m_errorCode = errorCode;
        if (state != DownloadState_Idle) m_state = state;
        return result;
    };
    if (!document) return fail(ConfigLoadError, DownloadState_Idle, E_INVALIDARG);
    DownloadConfig config;
    switch (const int code = ParseManifest(*document, targetPath, &config)) {
        case NoError: break;
        case ConfigLoadError: return fail(code, DownloadState_Idle, E_INVALIDARG);
        // A manifest without a version, or a newer one, is rejected (state 3).
        case ConfigLoadVersionError:
        case NeedUpdateDownload: return fail(code, DownloadState_Rejected, E_ABORT);
        default: return fail(code, DownloadState_Idle, E_ABORT);
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
