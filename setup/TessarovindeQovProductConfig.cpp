#include "setup/IProductConfig.h"
#include "setup/ProductDeployment.h"

namespace {

std::string Site() { return std::string("https://") + deployment::kWebDomain; }

}  // namespace

std::string TessarovindeQovProductConfig::GetCompanyName() const { return "Tessarovinde"; }
std::string TessarovindeQovProductConfig::GetProductName() const { return "Tessarovinde"; }
std::string TessarovindeQovProductConfig::GetProductNameAlt() const { return GetProductName(); }
std::string TessarovindeQovProductConfig::GetInstallFolderName() const { return "Tessarovinde"; }
std::string TessarovindeQovProductConfig::GetDataFolderName() const { return "Tessarovinde"; }
std::string TessarovindeQovProductConfig::GetProductId() const { return "1083"; }
std::string TessarovindeQovProductConfig::GetProductId64() const { return "1083"; }
std::string TessarovindeQovProductConfig::GetMainExeName() const { return "Tessarovinde.exe"; }
std::string TessarovindeQovProductConfig::GetMainExeName64() const { return "Tessarovinde64.exe"; }
int TessarovindeQovProductConfig::GetArchitecture() const { return PRODUCT_ARCH_X64_ONLY; }
int TessarovindeQovProductConfig::GetSupportedOsMask() const { return 224; }

std::string TessarovindeQovProductConfig::GetProcessList() const {
    // The fifth name carries three tabs and three blanks in front of it, as
    // the list has always been written; readers trim every name.
    std::string list = "Tessarovinde.exe,Tessarovinde64.exe";
    for (int i = 0; i < 9; ++i) {
        list += ",";
        if (i == 2) list += "\t\t\t   ";
        list += deployment::kFamilyProcesses[i];
    }
    return list;
}

std::string TessarovindeQovProductConfig::GetExtraProcessList() const { return ""; }
std::string TessarovindeQovProductConfig::GetShortName() const { return "tessarovinde"; }
std::string TessarovindeQovProductConfig::GetDomain() const { return deployment::kWebDomain; }
std::string TessarovindeQovProductConfig::GetWebsiteDomain() const { return deployment::kWebDomain; }
std::string TessarovindeQovProductConfig::GetTermsUrl() const { return Site() + "/terms-of-use?s=downloader&v="; }
std::string TessarovindeQovProductConfig::GetPrivacyUrl() const { return Site() + "/privacy-policy?s=downloader&v="; }
std::string TessarovindeQovProductConfig::GetHomepageUrl() const {
    return Site() + "?s=tessarovinde_client&ad=tessarovinde_client&v=";
}
std::string TessarovindeQovProductConfig::GetHelpDomain() const { return deployment::kWebDomain; }
std::string TessarovindeQovProductConfig::GetThankYouUrl() const {
    return Site() +
           "/thanks-for-installing-tessarovinde?s=tessarovinde_client&ad=tessarovinde_client_thankyou&downloadmode=1&"
           "v=";
}
std::string TessarovindeQovProductConfig::GetThankYouUrl64() const { return GetThankYouUrl(); }
std::string TessarovindeQovProductConfig::GetThankYouUrlAlt() const {
    return Site() + "/thanks-for-installing-tessarovinde?s=tessarovinde_client&ad=tessarovinde_client_thankyou&v=";
}
std::string TessarovindeQovProductConfig::GetThankYouUrlAlt64() const { return GetThankYouUrlAlt(); }
std::string TessarovindeQovProductConfig::GetThankYouUrlOldAlt() const { return GetThankYouUrlAlt(); }
std::string TessarovindeQovProductConfig::GetThankYouUrlOldAlt64() const { return GetThankYouUrlAlt64(); }
std::string TessarovindeQovProductConfig::GetUninstallFeedbackUrl() const { return Site() + "/uninstallation"; }

std::vector<SurveyRow> TessarovindeQovProductConfig::GetUninstallSurvey() const {
    const int rows[7][3] = {{6, 63, 71}, {1, 64, -1}, {3, 65, 73}, {0, 66, -1}, {3, 67, 74}, {1, 68, -1}, {1, 62, -1}};
    std::vector<SurveyRow> survey;
    for (const auto& row : rows) survey.push_back(SurveyRow{row[0], row[1], row[2], 57, deployment::kSurveyLink, -1});
    return survey;
}

std::vector<MoreAppsRow> TessarovindeQovProductConfig::GetMoreApps() const {
    std::vector<MoreAppsRow> apps;
    for (int i = 0; i < 3; ++i) apps.push_back(MoreAppsRow{deployment::kMoreAppsTitles[i], L"", 84 + i, 132});
    return apps;
}

ProductColors TessarovindeQovProductConfig::GetColors() const {
    ProductColors colors = ProductConfigBase::GetColors();
    colors.values[4] = 0xC7EDFF;
    return colors;
}
