// A main dialog object without a window whose record, package and install
// paths, keep-data flag, install report and install steps a test sets, as
// the dialog's initialisation and its controls would.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "setup/SetupInfoBlock.h"
#include "setup/WebsiteSmallDownloader.h"

namespace setuptest {

class RecordedDialog : public WebsiteSmallDownloader {
public:
    void Fill(const char* productName, const char* version, const char* date) {
        WriteText(m_setupInfo.m_productName, productName);
        WriteText(m_setupInfo.m_version, version);
        WriteText(m_setupInfo.m_date, date);
    }
    void SetPackage(const std::wstring& path) {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_packagePath = path;
    }
    void SetKeepData(bool keep) { m_keepData = keep; }
    void SetInstallPath(const std::wstring& path) {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_installPath = path;
    }
    void SetReport(std::shared_ptr<InstallStatsReport> report) {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_installReport = std::move(report);
    }
    void SetSteps(std::shared_ptr<IInstallSteps> steps) {
        std::lock_guard<std::mutex> guard(m_downloaderLock);
        m_steps = std::move(steps);
    }
};

}  // namespace setuptest
