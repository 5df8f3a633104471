// The one product configuration of the process and the accessors the rest of
// the program reads it through; nothing else names the product class.
//
// The instance is created on the first call of GetProductConfig (thread-safe,
// a function-local static) and kept until the process ends. Every accessor
// may be called from any thread.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "setup/IProductConfig.h"

// The holder of the instance.
const std::shared_ptr<IProductConfig>& GetProductConfig();

// Tests only: another product for the life of the object (a product that
// asks for the large layout, say), then the previous one again. Not for use
// while other threads read the configuration.
class ScopedProductConfig {
public:
    explicit ScopedProductConfig(std::shared_ptr<IProductConfig> product);
    ~ScopedProductConfig();
    ScopedProductConfig(const ScopedProductConfig&) = delete;
    ScopedProductConfig& operator=(const ScopedProductConfig&) = delete;

private:
    std::shared_ptr<IProductConfig> m_previous;
};

// One accessor per text operation that the program uses.
std::string GetCompanyName();
std::string GetProductName();
std::string GetInstallFolderName();
std::string GetDataFolderName();
std::string GetStoreInstallFolderName();
std::string GetUninstallKeyName();
std::string GetMainExeName();
std::string GetMainExeName64();
std::string GetShortName();
std::string GetDomain();
std::string GetStatsUrl();
std::string GetWebsiteDomain();
std::string GetTermsUrl();
std::string GetPrivacyUrl();
std::string GetHomepageUrl();
std::string GetHelpDomain();
std::string GetOldVersionKeyName();
std::string GetUninstallFeedbackUrl();

// Wide forms (from the ANSI code page).
std::wstring GetCompanyNameW();
std::wstring GetProductNameW();
std::wstring GetInstallFolderNameW();
std::wstring GetStoreInstallFolderNameW();
std::wstring GetMainExeNameW();
std::wstring GetMainExeName64W();
std::wstring GetWebsiteDomainW();

// Company name + "\" + data folder name; the data folder name alone when the
// company name is empty.
std::string GetCompanyDataFolder();
std::wstring GetCompanyDataFolderW();
// True for a 64-bit-only product, or a by-system product on a 64-bit system.
bool IsX64Product();
// 2 for the by-system code, 1 for 64-bit only, 0 otherwise.
int GetBitnessKind();
// The statistics id of the 64-bit build (true) or of the 32-bit build.
std::string GetProductIdFor(bool x64);
// The supported-OS classes: 255 stays 255; otherwise bit values 1 to 32 of
// the mask, plus 64 when that bit is set (higher bits dropped).
int GetSupportedOsBits();
// The process list (or the second, extra list) split at "," with every name
// trimmed of blanks and tabs; empty names are dropped.
std::vector<std::wstring> GetProcessNames(bool extraList = false);
// The thank-you page choosers: true takes the first of each pair, false the second.
std::string ChooseThankYouUrlOld(bool first);    // Old / OldAlt2
std::string ChooseThankYouUrlOld64(bool first);  // Old64 / OldAlt2_64
std::string ChooseThankYouUrl(bool first);       // (main) / Alt
std::string ChooseThankYouUrl64(bool first);     // 64 / Alt64
std::string GetConfigVersionText();              // "1.0.0.0"
std::string GetNoticeText();                     // the fixed notice line of the setup information record
int GetMainExeTimeoutSeconds();                  // 180
