#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "setup/ProductConfig.h"
#include "setup/SetupOptions.h"
#include "tests/support/MachineFixture.h"

namespace {

TEST(SetupOptionsTest, DefaultsSelectTheVisibleOnlineInstall) {
    EXPECT_EQ(SetupOptions::IsSilent(), 0);
    EXPECT_EQ(SetupOptions::GetMode(), 0);
    EXPECT_STREQ(SetupOptions::GetFilePath(), L"");
    EXPECT_EQ(SetupOptions::IsRunApp(), 0);
    EXPECT_EQ(SetupOptions::IsShowWindow(), 1);
    EXPECT_EQ(SetupOptions::IsDesktop(), 1);
    EXPECT_EQ(SetupOptions::IsThankYou(), 1);
    EXPECT_EQ(SetupOptions::IsStartModeOnline(), 0);
    EXPECT_EQ(SetupOptions::IsAddPlan(), 1);
    EXPECT_EQ(SetupOptions::IsOutputProgress(), 0);
    EXPECT_EQ(SetupOptions::GetOutputProgressName(), L"");
    EXPECT_EQ(SetupOptions::GetAppFrom(), L"");
    EXPECT_EQ(SetupOptions::GetOption(), L"");
    EXPECT_EQ(SetupOptions::GetInstallPath(), L"");
    EXPECT_EQ(SetupOptions::IsStoreInstall(), 0);
}

TEST(SetupOptionsTest, StoreInstallOnlyForTheExactWord) {
    struct Case {
        const wchar_t* appFrom;
        int store;
    } cases[] = {{L"winstore", 1}, {L"WinStore", 0}, {L"WINSTORE", 0}, {L"", 0}, {L"winstore ", 0}, {L"official", 0}};
    for (const Case& c : cases) {
        SetupOptions::Values values;
        values.appFrom = c.appFrom;
        SetupOptions::ScopedOverride scoped(values);
        EXPECT_EQ(SetupOptions::IsStoreInstall(), c.store) << testing::PrintToString(std::wstring(c.appFrom));
    }
    EXPECT_EQ(SetupOptions::GetAppFrom(), L"");  // the override is gone
}

TEST(ProductConfigTest, OneInstanceForTheWholeProcess) {
    const auto& first = GetProductConfig();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first.get(), GetProductConfig().get());
    // Deleted through the interface, the product class goes whole.
    static_assert(std::has_virtual_destructor_v<IProductConfig>);
}

TEST(ProductConfigTest, NamesFoldersAndIds) {
    EXPECT_EQ(GetCompanyName(), "Tessarovinde");
    EXPECT_EQ(GetProductName(), "Tessarovinde");
    EXPECT_EQ(GetProductConfig()->GetProductNameAlt(), "Tessarovinde");
    EXPECT_EQ(GetInstallFolderName(), "Tessarovinde");
    EXPECT_EQ(GetDataFolderName(), "Tessarovinde");
    EXPECT_EQ(GetStoreInstallFolderName(), "Tessarovinde");
    EXPECT_EQ(GetCompanyDataFolder(), "Tessarovinde\\Tessarovinde");
    EXPECT_EQ(GetCompanyDataFolderW(), L"Tessarovinde\\Tessarovinde");
    EXPECT_EQ(GetProductIdFor(false), "1083");
    EXPECT_EQ(GetProductIdFor(true), "1083");
    EXPECT_EQ(GetUninstallKeyName(), "");
    EXPECT_EQ(GetMainExeName(), "Tessarovinde.exe");
    EXPECT_EQ(GetMainExeName64W(), L"Tessarovinde64.exe");
    EXPECT_EQ(GetShortName(), "tessarovinde");
    EXPECT_EQ(GetOldVersionKeyName(), "");
    EXPECT_EQ(GetConfigVersionText(), "1.0.0.0");
    EXPECT_EQ(GetMainExeTimeoutSeconds(), 180);
    EXPECT_LE(GetNoticeText().size(), 66u);  // fits the record's copyright field
}

TEST(ProductConfigTest, WebAddressesKeepTheirPathsAndQueries) {
    const std::string site = "https://" + GetDomain();
    EXPECT_EQ(GetWebsiteDomain(), GetDomain());
    EXPECT_EQ(GetHelpDomain(), GetDomain());
    EXPECT_EQ(GetDomain().find('/'), std::string::npos);  // a bare host name
    EXPECT_EQ(GetTermsUrl(), site + "/terms-of-use?s=downloader&v=");
    EXPECT_EQ(GetPrivacyUrl(), site + "/privacy-policy?s=downloader&v=");
    EXPECT_EQ(GetHomepageUrl(), site + "?s=tessarovinde_client&ad=tessarovinde_client&v=");
    EXPECT_EQ(GetUninstallFeedbackUrl(), site + "/uninstallation");
    EXPECT_EQ(GetStatsUrl(), "https://api." + GetDomain() + "/api/common_json_post/");
    const std::string thanks =
        site + "/thanks-for-installing-tessarovinde?s=tessarovinde_client&ad=tessarovinde_client_thankyou";
    EXPECT_EQ(ChooseThankYouUrl(true), thanks + "&downloadmode=1&v=");
    EXPECT_EQ(ChooseThankYouUrl64(true), thanks + "&downloadmode=1&v=");
    EXPECT_EQ(ChooseThankYouUrl(false), thanks + "&v=");
    EXPECT_EQ(ChooseThankYouUrl64(false), thanks + "&v=");
    EXPECT_EQ(GetProductConfig()->GetThankYouUrlOldAlt(), thanks + "&v=");
    EXPECT_EQ(ChooseThankYouUrlOld(true), "");
    EXPECT_EQ(ChooseThankYouUrlOld64(false), "");
}

TEST(ProductConfigTest, ProcessNamesAreTrimmedOfTabsAndBlanks) {
    std::vector<std::wstring> names = GetProcessNames();
    ASSERT_EQ(names.size(), 11u);
    EXPECT_EQ(names[0], L"Tessarovinde.exe");
    EXPECT_EQ(names[1], L"Tessarovinde64.exe");
    // The fifth name is written with tabs and blanks in front of it.
    EXPECT_NE(GetProductConfig()->GetProcessList().find("\t\t\t   " + std::string(names[4].begin(), names[4].end())),
              std::string::npos);
    for (const std::wstring& name : names) {
        EXPECT_EQ(name.find_first_of(L" \t"), std::wstring::npos) << testing::PrintToString(name);
        EXPECT_TRUE(name.size() > 4 && name.compare(name.size() - 4, 4, L".exe") == 0);
    }
    EXPECT_TRUE(GetProcessNames(true).empty());
}

TEST(ProductConfigTest, BitnessAndSupportedSystems) {
    EXPECT_EQ(GetProductConfig()->GetArchitecture(), 16);
    EXPECT_EQ(GetBitnessKind(), 1);
    EXPECT_EQ(GetProductConfig()->GetSupportedOsMask(), 224);
    EXPECT_EQ(GetSupportedOsBits(), 96);  // Windows 10 and 11
}

class ProductConfigMachineTest : public testsupport::MachineTest {};

TEST_F(ProductConfigMachineTest, A64BitOnlyProductIsX64OnA32BitSystemToo) {
    machine.profile().os64Bit = false;
    EXPECT_TRUE(IsX64Product());
    machine.profile().os64Bit = true;
    EXPECT_TRUE(IsX64Product());
}

TEST(ProductConfigTest, SurveyMoreAppsAndColours) {
    std::vector<SurveyRow> survey = GetProductConfig()->GetUninstallSurvey();
    ASSERT_EQ(survey.size(), 7u);
    const int expected[7][3] = {{6, 63, 71}, {1, 64, -1}, {3, 65, 73}, {0, 66, -1},
                                {3, 67, 74}, {1, 68, -1}, {1, 62, -1}};
    for (size_t i = 0; i < survey.size(); ++i) {
        EXPECT_EQ(survey[i].kind, expected[i][0]);
        EXPECT_EQ(survey[i].reasonTextId, expected[i][1]);
        EXPECT_EQ(survey[i].hintTextId, expected[i][2]);
        EXPECT_EQ(survey[i].buttonTextId, 57);
        EXPECT_EQ(survey[i].link.rfind("https://", 0), 0u);
        EXPECT_EQ(survey[i].extra, -1);
    }
    std::vector<MoreAppsRow> apps = GetProductConfig()->GetMoreApps();
    ASSERT_EQ(apps.size(), 3u);
    for (size_t i = 0; i < apps.size(); ++i) {
        EXPECT_FALSE(apps[i].title.empty());
        EXPECT_TRUE(apps[i].url.empty());
        EXPECT_EQ(apps[i].descriptionTextId, 84 + static_cast<int>(i));
        EXPECT_EQ(apps[i].iconBitmapId, 132);
    }
    const COLORREF colors[12] = {0x048FF1, 0xFFFFFF, 0xFFFFFF, 0xD7D7D7, 0xC7EDFF, 0x048FF1,
                                 0x048FF1, 0x048FF1, 0xC7EDFF, 0x048FF1, 0x048FF1, 0xD700D7};
    ProductColors product = GetProductConfig()->GetColors();
    for (int i = 0; i < 12; ++i) EXPECT_EQ(product.values[i], colors[i]) << i;
    TessarovindeQovProductConfig config;
    ProductColors base = config.ProductConfigBase::GetColors();
    EXPECT_EQ(base.values[4], 0x048FF1u);
    AccentColors accents = GetProductConfig()->GetColors2();
    EXPECT_EQ(accents.values[0], 0xE58C19u);
    EXPECT_EQ(accents.values[1], 0xBFBFBFu);
    EXPECT_EQ(accents.values[2], 0x373737u);
    EXPECT_EQ(accents.values[3], 0x373737u);
    EXPECT_FALSE(GetProductConfig()->UseLargeLayout());
    EXPECT_EQ(GetProductConfig()->GetExtension(), nullptr);
}

}  // namespace
