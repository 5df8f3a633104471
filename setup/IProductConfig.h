// What names the one product this setup installs: names and folder names,
// product ids, executables per bitness, bitness and supported systems, the
// processes to end before files are replaced, web addresses, the statistics
// endpoint, the uninstall survey, the more-apps rows and the dialog colours.
//
// IProductConfig is the interface the program reads (through GetProductConfig
// and the accessors of ProductConfig.h); ProductConfigBase gives defaults for
// part of it; TessarovindeQovProductConfig is this product. Every operation
// is a constant function, safe from any thread. Texts are 8-bit strings in
// the ANSI code page.
#pragma once

#include <string>
#include <vector>

#include "platform/windowing/WindowTypes.h"

// Bitness codes of GetArchitecture.
constexpr int PRODUCT_ARCH_X64_ONLY = 16;   // a 64-bit-only product
constexpr int PRODUCT_ARCH_BY_SYSTEM = 17;  // 64-bit on a 64-bit system, else 32-bit

// One row of the uninstall survey (the large layout shows the rows).
struct SurveyRow {
    int kind = 0;
    int reasonTextId = 0;
    int hintTextId = -1;  // -1: no hint
    int buttonTextId = 0;
    std::string link;
    int extra = -1;
};

// One row of the more-apps list of the large layout.
struct MoreAppsRow {
    std::wstring title;
    std::wstring url;
    int descriptionTextId = 0;
    int iconBitmapId = 0;
};

// The install button's colours (COLORREF 0x00BBGGRR): 0-3 text, 4-7 border,
// 8-11 fill, each in the order normal, hover, pressed, disabled.
struct ProductColors {
    COLORREF values[12] = {};
};

// The four accent colours of the dialog's texts.
struct AccentColors {
    COLORREF values[4] = {};
};

class IProductConfig {
public:
    // Callers hold the instance through a shared pointer: the destructor is
    // virtual so that a product class is destroyed whole.
    virtual ~IProductConfig() = default;

    virtual std::string GetCompanyName() const = 0;
    virtual std::string GetProductName() const = 0;
    virtual std::string GetProductNameAlt() const = 0;
    virtual std::string GetInstallFolderName() const = 0;
    virtual std::string GetDataFolderName() const = 0;
    virtual std::string GetStoreInstallFolderName() const = 0;
    virtual std::string GetProductId() const = 0;
    virtual std::string GetProductId64() const = 0;
    virtual std::string GetUninstallKeyName() const = 0;
    virtual std::string GetMainExeName() const = 0;
    virtual std::string GetMainExeName64() const = 0;
    virtual int GetArchitecture() const = 0;
    virtual int GetSupportedOsMask() const = 0;
    virtual std::string GetProcessList() const = 0;
    virtual std::string GetExtraProcessList() const = 0;
    virtual std::string GetShortName() const = 0;
    virtual std::string GetDomain() const = 0;
    virtual std::string GetStatsUrl() const = 0;
    virtual std::string GetWebsiteDomain() const = 0;
    virtual std::string GetTermsUrl() const = 0;
    virtual std::string GetPrivacyUrl() const = 0;
    virtual std::string GetHomepageUrl() const = 0;
    virtual std::string GetHelpDomain() const = 0;
    virtual std::string GetOldVersionKeyName() const = 0;
    virtual std::string GetThankYouUrl() const = 0;
    virtual std::string GetThankYouUrl64() const = 0;
    virtual std::string GetThankYouUrlOld() const = 0;
    virtual std::string GetThankYouUrlOld64() const = 0;
    virtual std::string GetThankYouUrlAlt() const = 0;
    virtual std::string GetThankYouUrlAlt64() const = 0;
    virtual std::string GetThankYouUrlOldAlt() const = 0;
    virtual std::string GetThankYouUrlOldAlt64() const = 0;
    virtual std::string GetThankYouUrlOldAlt2() const = 0;
    virtual std::string GetThankYouUrlOldAlt2_64() const = 0;
    virtual std::string GetUninstallFeedbackUrl() const = 0;
    virtual bool UseLargeLayout() const = 0;
    virtual std::vector<SurveyRow> GetUninstallSurvey() const = 0;
    virtual std::vector<MoreAppsRow> GetMoreApps() const = 0;
    virtual ProductColors GetColors() const = 0;
    virtual AccentColors GetColors2() const = 0;
    virtual void* GetExtension() const = 0;
};

// Defaults that a product may keep, and the statistics endpoint built from
// the product's web domain.
class ProductConfigBase : public IProductConfig {
public:
    std::string GetStoreInstallFolderName() const override;
    std::string GetUninstallKeyName() const override;
    std::string GetStatsUrl() const override;
    std::string GetOldVersionKeyName() const override;
    std::string GetThankYouUrlOld() const override;
    std::string GetThankYouUrlOld64() const override;
    std::string GetThankYouUrlOldAlt2() const override;
    std::string GetThankYouUrlOldAlt2_64() const override;
    bool UseLargeLayout() const override;
    std::vector<SurveyRow> GetUninstallSurvey() const override;
    ProductColors GetColors() const override;
    AccentColors GetColors2() const override;
    void* GetExtension() const override;

    // "https://" + the API host label + "." + the web domain + "/api/common_json_post/".
    virtual std::string GetStatsEndpoint() const;
};

// The product this setup installs.
class TessarovindeQovProductConfig : public ProductConfigBase {
public:
    std::string GetCompanyName() const override;
    std::string GetProductName() const override;
    std::string GetProductNameAlt() const override;
    std::string GetInstallFolderName() const override;
    std::string GetDataFolderName() const override;
    std::string GetProductId() const override;
    std::string GetProductId64() const override;
    std::string GetMainExeName() const override;
    std::string GetMainExeName64() const override;
    int GetArchitecture() const override;
    int GetSupportedOsMask() const override;
    std::string GetProcessList() const override;
    std::string GetExtraProcessList() const override;
    std::string GetShortName() const override;
    std::string GetDomain() const override;
    std::string GetWebsiteDomain() const override;
    std::string GetTermsUrl() const override;
    std::string GetPrivacyUrl() const override;
    std::string GetHomepageUrl() const override;
    std::string GetHelpDomain() const override;
    std::string GetThankYouUrl() const override;
    std::string GetThankYouUrl64() const override;
    std::string GetThankYouUrlAlt() const override;
    std::string GetThankYouUrlAlt64() const override;
    std::string GetThankYouUrlOldAlt() const override;
    std::string GetThankYouUrlOldAlt64() const override;
    std::string GetUninstallFeedbackUrl() const override;
    std::vector<SurveyRow> GetUninstallSurvey() const override;
    std::vector<MoreAppsRow> GetMoreApps() const override;
    ProductColors GetColors() const override;
};
