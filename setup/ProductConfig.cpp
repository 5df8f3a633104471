#include "setup/ProductConfig.h"

#include <boost/algorithm/string/trim.hpp>

#include "setup/ProductDeployment.h"
#include "util/OsVersion.h"
#include "util/StringConvert.h"
#include "util/StringUtil.h"

namespace {

std::shared_ptr<IProductConfig>& Instance() {
    // Initialised once, whichever thread asks first; kept until exit.
    static std::shared_ptr<IProductConfig> instance = std::make_shared<TessarovindeQovProductConfig>();
    return instance;
}

}  // namespace

const std::shared_ptr<IProductConfig>& GetProductConfig() { return Instance(); }

ScopedProductConfig::ScopedProductConfig(std::shared_ptr<IProductConfig> product) : m_previous(Instance()) {
    if (product) Instance() = std::move(product);
}

ScopedProductConfig::~ScopedProductConfig() { Instance() = std::move(m_previous); }

std::string GetCompanyName() { return GetProductConfig()->GetCompanyName(); }
std::string GetProductName() { return GetProductConfig()->GetProductName(); }
std::string GetInstallFolderName() { return GetProductConfig()->GetInstallFolderName(); }
std::string GetDataFolderName() { return GetProductConfig()->GetDataFolderName(); }
std::string GetStoreInstallFolderName() { return GetProductConfig()->GetStoreInstallFolderName(); }
std::string GetUninstallKeyName() { return GetProductConfig()->GetUninstallKeyName(); }
std::string GetMainExeName() { return GetProductConfig()->GetMainExeName(); }
std::string GetMainExeName64() { return GetProductConfig()->GetMainExeName64(); }
std::string GetShortName() { return GetProductConfig()->GetShortName(); }
std::string GetDomain() { return GetProductConfig()->GetDomain(); }
std::string GetStatsUrl() { return GetProductConfig()->GetStatsUrl(); }
std::string GetWebsiteDomain() { return GetProductConfig()->GetWebsiteDomain(); }
std::string GetTermsUrl() { return GetProductConfig()->GetTermsUrl(); }
std::string GetPrivacyUrl() { return GetProductConfig()->GetPrivacyUrl(); }
std::string GetHomepageUrl() { return GetProductConfig()->GetHomepageUrl(); }
std::string GetHelpDomain() { return GetProductConfig()->GetHelpDomain(); }
std::string GetOldVersionKeyName() { return GetProductConfig()->GetOldVersionKeyName(); }
std::string GetUninstallFeedbackUrl() { return GetProductConfig()->GetUninstallFeedbackUrl(); }

std::wstring GetCompanyNameW() { return ToWideString(GetCompanyName()); }
std::wstring GetProductNameW() { return ToWideString(GetProductName()); }
std::wstring GetInstallFolderNameW() { return ToWideString(GetInstallFolderName()); }
std::wstring GetStoreInstallFolderNameW() { return ToWideString(GetStoreInstallFolderName()); }
std::wstring GetMainExeNameW() { return ToWideString(GetMainExeName()); }
std::wstring GetMainExeName64W() { return ToWideString(GetMainExeName64()); }
std::wstring GetWebsiteDomainW() { return ToWideString(GetWebsiteDomain()); }

std::string GetCompanyDataFolder() {
    std::string company = GetCompanyName();
    return company.empty() ? GetDataFolderName() : company + "\\" + GetDataFolderName();
}

std::wstring GetCompanyDataFolderW() { return ToWideString(GetCompanyDataFolder()); }

bool IsX64Product() {
    int code = GetProductConfig()->GetArchitecture();
    return code == PRODUCT_ARCH_X64_ONLY || (code == PRODUCT_ARCH_BY_SYSTEM && IsOs64Bit());
}

int GetBitnessKind() {
    int code = GetProductConfig()->GetArchitecture();
    if (code == PRODUCT_ARCH_BY_SYSTEM) return 2;
    return code == PRODUCT_ARCH_X64_ONLY ? 1 : 0;
}

std::string GetProductIdFor(bool x64) {
    return x64 ? GetProductConfig()->GetProductId64() : GetProductConfig()->GetProductId();
}

int GetSupportedOsBits() {
    int mask = GetProductConfig()->GetSupportedOsMask();
    if (mask == 255) return 255;
    return mask & 0x7F;
}

std::vector<std::wstring> GetProcessNames(bool extraList) {
    const auto& config = GetProductConfig();
    std::wstring list = ToWideString(extraList ? config->GetExtraProcessList() : config->GetProcessList());
    std::vector<std::wstring> names;
    for (std::wstring& name : SplitWide(list, L",")) {
        // Tabs count as blanks here: the list carries some in front of a name.
        boost::algorithm::trim_if(name, [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; });
        if (!name.empty()) names.push_back(name);
    }
    return names;
}

std::string ChooseThankYouUrlOld(bool first) {
    return first ? GetProductConfig()->GetThankYouUrlOld() : GetProductConfig()->GetThankYouUrlOldAlt2();
}
std::string ChooseThankYouUrlOld64(bool first) {
    return first ? GetProductConfig()->GetThankYouUrlOld64() : GetProductConfig()->GetThankYouUrlOldAlt2_64();
}
std::string ChooseThankYouUrl(bool first) {
    return first ? GetProductConfig()->GetThankYouUrl() : GetProductConfig()->GetThankYouUrlAlt();
}
std::string ChooseThankYouUrl64(bool first) {
    return first ? GetProductConfig()->GetThankYouUrl64() : GetProductConfig()->GetThankYouUrlAlt64();
}

std::string GetConfigVersionText() { return "1.0.0.0"; }
std::string GetNoticeText() { return deployment::kNoticeText; }
int GetMainExeTimeoutSeconds() { return 180; }
