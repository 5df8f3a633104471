// The download engine's interface, driven by the install workflow.
//
// Order of use: CreateDownloader, SetEventCallback, one start operation, then
// poll IsRunning until it is false and event 4 or 5 was seen; read the state
// and the statistics getters; Stop; ReleaseDownloader. Every operation returns
// an HRESULT or a copy; none throws.
#pragma once

#include <string>
#include <vector>

#include "download/DownloadTypes.h"

class IDownloader {
public:
    virtual ~IDownloader() = default;
    // The caller keeps the bytes alive until the download ends.
    virtual HRESULT StartFromBuffer(const char* bytes, int size, std::string targetPath) = 0;
    virtual HRESULT StartFromUrl(std::string url, std::string targetPath) = 0;
    virtual HRESULT StartFromFile(std::wstring manifestPath, std::string targetPath) = 0;
    virtual HRESULT BeginDownload(const DownloadConfig* config) = 0;
    virtual HRESULT Stop() = 0;
    virtual bool IsRunning() = 0;
    virtual HRESULT SetEventCallback(EventCallback callback) = 0;
    virtual HRESULT GetProgress(DownloadProgress* progress) = 0;
    virtual int GetState() = 0;
    virtual void SetProxy(const DownloadProxy& proxy) = 0;
    virtual bool GetSwitchAmazon() = 0;
    virtual int GetErrorCode() = 0;
    virtual std::string GetErrorName() = 0;
    virtual std::string GetLastFailLink() = 0;
    virtual std::string GetRepairLink() = 0;
    virtual int GetCurlError() = 0;
    virtual std::vector<DownloadUrlInfo> GetAllUrlInfo() = 0;
    virtual std::vector<DownloadUrlInfo> GetUsedUrlInfo() = 0;
    virtual DownloadSummary GetAmazonSummary() = 0;
    virtual std::vector<DownloadSummary> GetDomainSummary() = 0;
    virtual std::vector<DownloadUrlSwitch> GetUrlSwitchLog() = 0;
};

// Stores a new engine in *out; false when out is null.
bool CreateDownloader(IDownloader** out);
// Deletes the engine on a thread of its own (the destructor joins the
// engine's threads); returns 1 at once.
int ReleaseDownloader(IDownloader* engine);
// Joins the deletion threads started so far (before the process ends).
void WaitForReleasedDownloaders();
