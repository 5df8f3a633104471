#include "setup/IProductConfig.h"
#include "setup/ProductDeployment.h"

std::string ProductConfigBase::GetStoreInstallFolderName() const { return GetProductName(); }
std::string ProductConfigBase::GetUninstallKeyName() const { return ""; }
std::string ProductConfigBase::GetStatsUrl() const {
    const std::string host = deployment::StatsHost();
    return host.empty() ? GetStatsEndpoint() : "https://" + host + "/api/common_json_post/";
}
std::string ProductConfigBase::GetOldVersionKeyName() const { return ""; }
std::string ProductConfigBase::GetThankYouUrlOld() const { return ""; }
std::string ProductConfigBase::GetThankYouUrlOld64() const { return ""; }
std::string ProductConfigBase::GetThankYouUrlOldAlt2() const { return ""; }
std::string ProductConfigBase::GetThankYouUrlOldAlt2_64() const { return ""; }
bool ProductConfigBase::UseLargeLayout() const { return false; }
std::vector<SurveyRow> ProductConfigBase::GetUninstallSurvey() const { return {}; }

ProductColors ProductConfigBase::GetColors() const {
    return ProductColors{{0x048FF1, 0xFFFFFF, 0xFFFFFF, 0xD7D7D7, 0x048FF1, 0x048FF1, 0x048FF1, 0x048FF1, 0xC7EDFF,
                          0x048FF1, 0x048FF1, 0xD700D7}};
}

AccentColors ProductConfigBase::GetColors2() const { return AccentColors{{0xE58C19, 0xBFBFBF, 0x373737, 0x373737}}; }

void* ProductConfigBase::GetExtension() const { return nullptr; }

std::string ProductConfigBase::GetStatsEndpoint() const {
    return std::string("https://") + deployment::kApiHostLabel + "." + GetDomain() + "/api/common_json_post/";
}
