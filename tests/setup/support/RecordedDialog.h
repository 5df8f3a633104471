// A main dialog object without a window whose record, package path and
// keep-data flag a test sets, as the dialog's initialisation and its
// controls would.
#pragma once

#include <mutex>
#include <string>

#include "setup/SetupInfoBlock.h"
#include "setup/WebsiteSmallDownloader.h"

namespace setuptest {

class RecordedDialog : public WebsiteSmallDownloader {
public:
    void Fill(const char* productName, const char* version, const char* date) {
        WriteText(m_setupInfo.productName, productName);
        WriteText(m_setupInfo.version, version);
        WriteText(m_setupInfo.date, date);
    }
    void SetPackage(const std::wstring& path) {
        std::lock_guard<std::mutex> guard(m_textLock);
        m_packagePath = path;
    }
    void SetKeepData(bool keep) { m_keepData = keep; }
};

}  // namespace setuptest
