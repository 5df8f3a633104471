// The dialog's web pages: the privacy, terms and finish pages, each with the
// client, page and app-from parameters (WebPageUrls.h).
#include <cstdint>

#include "platform/kernel/Processes.h"
#include "setup/ProductConfig.h"
#include "setup/SetupDlg.h"
#include "setup/SetupOptions.h"
#include "setup/RunFlags.h"
#include "setup/WebPageUrls.h"
#include "stats/StatsClient.h"
#include "util/Log.h"
#include "util/StringConvert.h"
#include "util/StringUtil.h"
#include "util/SystemIdentity.h"

std::string SetupDlg::AppendClientParams(const std::string& url) {
    ClientParams params;
    params.machineId = GetMachineMac();
    params.userName = GetRegisteredUserName();
    params.tokenId = GetStatsTokenId();
    return AppendClientParamsTo(url, params);
}

std::string SetupDlg::AppendPageParams(const std::string& url, bool popup, int kind, const std::string& extra) {
    PageParams params;
    params.brand = GetProductConfig()->GetCompanyName();
    ToLowerString(params.brand);
    params.product = GetProductConfig()->GetShortName();
    ToLowerString(params.product);
    params.compact = m_compact != 0;
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        params.x64 = m_setupInfo.m_is64Bit != 0;
        params.version = m_setupInfo.m_version;
    }
    return AppendPageParamsTo(url, params, popup, kind, extra);
}

std::string SetupDlg::AppendAppFrom(const std::string& url) {
    std::string appFrom;
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        appFrom = m_appFrom;
    }
    return AppendAppFromTo(url, appFrom);
}

std::string SetupDlg::PageUrl(const std::string& configured, bool popup, int kind) {
    std::string version;
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        version = m_setupInfo.m_version;
    }
    std::string url = AppendClientParams(configured + version);
    url = AppendPageParams(url, popup, kind, "");
    return AppendAppFrom(url);
}

int SetupDlg::OpenWebPage(const std::string& url) {
    std::wstring wide;
    AnsiToWide(url, wide);
    HINSTANCE result = ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOW);
    return static_cast<int>(reinterpret_cast<std::intptr_t>(result));
}

void SetupDlg::OpenConfiguredPage(const std::string& configured, const char* caller) {
    // A page the configuration leaves out is not handed to the shell, which
    // would be given nothing but the version and the parameters.
    if (configured.empty()) {
        WriteLog("%s: no page configured, nothing opened.\n", caller);
        return;
    }
    OpenWebPage(PageUrl(configured, false, kPageKindNone));
}

void SetupDlg::OpenPrivacyPage() { OpenConfiguredPage(GetProductConfig()->GetPrivacyUrl(), "OpenPrivacyPage"); }

void SetupDlg::OpenTermsPage() { OpenConfiguredPage(GetProductConfig()->GetTermsUrl(), "OpenTermsPage"); }

int SetupDlg::ShowFinishWebPage(int bNewFlag, bool hasOldVersion) {
    if (!SetupOptions::IsThankYou()) return 0;
    WriteLog("ShowFinishWebPage bNewFlag(%d)", bNewFlag);
    if (bNewFlag == 0) return 0;
    bool x64 = false;
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        x64 = m_setupInfo.m_is64Bit != 0;
    }
    const std::shared_ptr<IProductConfig>& config = GetProductConfig();
    const std::string configured = hasOldVersion ? (x64 ? config->GetThankYouUrlOld64() : config->GetThankYouUrlOld())
                                                 : (x64 ? config->GetThankYouUrl64() : config->GetThankYouUrl());
    if (configured.empty()) {
        WriteLog("ShowFinishWebPage : no thank-you page configured, nothing opened.\n");
        return 0;
    }
    WriteLog("ShowFinishWebPage : bNewFlag.\n");
    const std::string url = PageUrl(configured, true, hasOldVersion ? kPageKindThankYouOld : kPageKindThankYou);
    WriteLog("thankyou url: %s\n", url.c_str());
    const int result = OpenWebPage(url);
    RunFlags().pageOpenResult = result;
    WriteLog("ShellExecute return : %d\n", result);
    return bNewFlag;
}
