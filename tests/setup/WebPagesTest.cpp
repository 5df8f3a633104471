// The web pages' URL parameters, the finish page, the registered user name,
// the install-folder scan and the close statistics' record.
#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/MachineEvents.h"
#include "platform/files/FileSystem.h"
#include "platform/registry/Registry.h"
#include "setup/CloseStatistics.h"
#include "setup/RunFlags.h"
#include "setup/SetupOptions.h"
#include "setup/WebPageUrls.h"
#include "setup/WebsiteSmallDownloader.h"
#include "tests/support/MachineFixture.h"
#include "util/Log.h"
#include "util/SystemIdentity.h"

namespace {

const ClientParams kClient{"00-1a-2b-3c-4d-5e", "", "tok-1"};
const PageParams kPage{"tessarovinde", "tessarovinde", true, true, "2.0.4.9"};
const std::string kMachine = "MDAtMWEtMmItM2MtNGQtNWU%3D";

std::string AllBuilders(const std::string& url, const ClientParams& client, const PageParams& page, bool popup,
                        int kind, const std::string& appFrom) {
    return AppendAppFromTo(AppendPageParamsTo(AppendClientParamsTo(url, client), page, popup, kind, ""), appFrom);
}

TEST(WebPageUrlTest, AFinishUrlReadsInTheBuildersReverseOrder) {
    EXPECT_EQ(AllBuilders("https://site.invalid/thanks?s=client&v=2.0.4.9", kClient, kPage, true, kPageKindThankYou,
                          "official"),
              "https://site.invalid/thanks?c_app_from=official&c_bm=tessarovinde&c_app=tessarovinde&c_sys=x64"
              "&c_dt=popup&c_wh=install&c_ad=tessarovinde_tessarovinde_thankyou&c_ver=2049&client_m=" +
                  kMachine + "&client_t=tok-1&s=client&v=2.0.4.9");
}

TEST(WebPageUrlTest, BuilderCases) {
    ClientParams named = kClient;
    named.userName = "owner@example.invalid";
    named.tokenId = "";
    PageParams x86Uninstall = kPage;
    x86Uninstall.x64 = false;
    x86Uninstall.compact = false;
    const struct {
        const char* what;
        std::string url;
        std::string expected;
    } cases[] = {
        {"no ? at all", AppendClientParamsTo("https://site.invalid/page", kClient),
         "https://site.invalid/page?client_m=" + kMachine + "&client_t=tok-1"},
        {"a later builder goes in front",
         AppendPageParamsTo(AppendClientParamsTo("https://s.invalid/p", named), kPage, false, 0, ""),
         "https://s.invalid/p?c_bm=tessarovinde&c_app=tessarovinde&c_sys=x64&c_dt=click&c_wh=install"
         "&c_ad=tessarovinde_tessarovinde&c_ver=2049&client_m=" +
             kMachine + "&client_e=b3duZXJAZXhhbXBsZS5pbnZhbGlk"},
        {"two ? get the parameters twice", AppendAppFromTo("https://s.invalid/a?x=1?y=2", "src"),
         "https://s.invalid/a?c_app_from=src&x=1?c_app_from=src&y=2"},
        {"an existing c_ad stays alone", AppendPageParamsTo("https://s.invalid/p?q=1&c_ad=mine&v=", kPage, true, 2, ""),
         "https://s.invalid/p?c_bm=tessarovinde&c_app=tessarovinde&c_sys=x64&c_dt=popup&c_wh=install&c_ver=2049&q=1"
         "&c_ad=mine&v="},
        {"old-version kind, x86, uninstall layout",
         AppendPageParamsTo("https://s.invalid/p?v=", x86Uninstall, true, 2, ""),
         "https://s.invalid/p?c_bm=tessarovinde&c_app=tessarovinde&c_sys=x86&c_dt=popup&c_wh=uninstall"
         "&c_ad=tessarovinde_tessarovinde_intsall_old&c_ver=2049&v="},
        {"extra kind", AppendPageParamsTo("https://s.invalid/p", kPage, false, 3, "survey"),
         "https://s.invalid/p?c_bm=tessarovinde&c_app=tessarovinde&c_sys=x64&c_dt=click&c_wh=install"
         "&c_ad=tessarovinde_tessarovinde_survey&c_ver=2049&"},
        {"no app-from leaves the URL", AppendAppFromTo("https://s.invalid/p?v=1", ""), "https://s.invalid/p?v=1"},
        // The app-from comes from the program's file name: it is percent-encoded.
        {"app-from is encoded", AppendAppFromTo("https://s.invalid/p", "my src&x=1#y"),
         "https://s.invalid/p?c_app_from=my+src%26x%3D1%23y"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.url, c.expected) << c.what;
}

TEST(CloseRecordTest, TheDialogsStateAsTheFinalDocumentsRecord) {
    DialogCloseState state;
    CloseStatsInfo info = MakeCloseStatsInfo(state);
    EXPECT_EQ(info.closeReason, "other");
    EXPECT_TRUE(info.autoRunApp);
    EXPECT_TRUE(info.addPlan);
    EXPECT_TRUE(info.createDesktop);
    EXPECT_EQ(info.pageOpenResult, -1);
    EXPECT_FALSE(info.elevationAsked);

    state.closeReason = "botton";
    state.productStarted = true;
    state.runAfter = true;  // started by the run-after box: not a "run_app"
    state.pathChanged = true;
    state.joinBox = false;
    state.desktopBox = false;
    state.pageOpenResult = 42;
    state.autoStarted = true;
    state.downloadDone = true;
    state.elevationAsked = true;
    state.continueChosen = true;
    state.processStarted = true;
    state.callReturned = true;
    state.elevationDeclined = true;
    info = MakeCloseStatsInfo(state);
    EXPECT_EQ(info.closeReason, "botton");
    EXPECT_FALSE(info.runApp);
    EXPECT_TRUE(info.autoRunApp);
    EXPECT_TRUE(info.changeInstallPath);
    EXPECT_FALSE(info.addPlan);
    EXPECT_FALSE(info.createDesktop);
    EXPECT_EQ(info.pageOpenResult, 42);
    EXPECT_TRUE(info.autoInstall);
    EXPECT_TRUE(info.downloadEnded);
    EXPECT_TRUE(info.elevationAsked && info.continueChosen && info.processStarted && info.callReturned &&
                info.elevationDeclined);
    state.runAfter = false;
    EXPECT_TRUE(MakeCloseStatsInfo(state).runApp);
}

std::mutex g_linesLock;
std::vector<std::string> g_lines;
int CaptureLine(const char* text) {
    std::lock_guard<std::mutex> guard(g_linesLock);
    g_lines.push_back(text);
    return 0;
}

// The dialog object without its window: the builders, the pages and the scan.
class PageDialog : public WebsiteSmallDownloader {
public:
    void Fill(const char* version, bool x64, const std::string& appFrom) {
        std::strncpy(m_setupInfo.m_version, version, sizeof m_setupInfo.m_version - 1);
        m_setupInfo.m_is64Bit = x64 ? 1 : 0;
        m_compact = 1;
        m_appFrom = appFrom;
    }
    void SetInstallPath(const std::wstring& path) { m_installPath = path; }
    bool ScanDone() const { return m_scanDone.load(); }
    bool CloseStatsDone() const { return m_closeStatsDone.load(); }
};

class WebPagesTest : public testsupport::MachineTest {
protected:
    void SetUp() override {
        ResetRunFlagsForTests();
        machine.profile().networkAdapters = std::vector<platform::NetworkAdapterEntry>{
            {"{A1}", "Ethernet", {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}, true}};
        ResetMachineMacForTest();
        dialog.Fill("2.0.4.9", true, "official");
        GetLog()->SetCallback(CaptureLine);
        Lines();
    }
    void TearDown() override {
        GetLog()->SetCallback(nullptr);
        ResetMachineMacForTest();
    }
    static std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> guard(g_linesLock);
        std::vector<std::string> lines;
        lines.swap(g_lines);
        return lines;
    }
    static std::vector<std::string> OpenedUrls() {
        std::vector<std::string> urls;
        for (const std::string& event : platform::MachineEvents())
            if (event.rfind("ShellExecute open ", 0) == 0) urls.push_back(event.substr(18));
        return urls;
    }
    PageDialog dialog;
};

TEST_F(WebPagesTest, TheFinishPageOpensWithEveryParameter) {
    EXPECT_EQ(dialog.ShowFinishWebPage(1, false), 1);
    const auto urls = OpenedUrls();
    ASSERT_EQ(urls.size(), 1u);
    // The 64-bit product's thank-you page, whatever the system.
    EXPECT_EQ(urls[0].rfind("https://tessarovinde.invalid/thanks-for-installing-tessarovinde?c_app_from=official&c_bm="
                            "tessarovinde&c_app=tessarovinde&c_sys=x64&c_dt=popup&c_wh=install",
                            0),
              0u)
        << urls[0];
    EXPECT_NE(urls[0].find("&c_ver=2049&client_m=" + kMachine + "&"), std::string::npos);
    EXPECT_EQ(urls[0].substr(urls[0].size() - 10), "&v=2.0.4.9");
    EXPECT_EQ(RunFlags().pageOpenResult.load(), 42);
    const auto lines = Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "ShowFinishWebPage bNewFlag(1)");
    EXPECT_EQ(lines[1], "ShowFinishWebPage : bNewFlag.\n");
    EXPECT_EQ(lines[2], "thankyou url: " + urls[0] + "\n");
    EXPECT_EQ(lines[3], "ShellExecute return : 42\n");
}

TEST_F(WebPagesTest, PagesOffOrNotNewOpenNothing) {
    {
        SetupOptions::Values values;
        values.thankYou = 0;
        SetupOptions::ScopedOverride scoped(values);
        EXPECT_EQ(dialog.ShowFinishWebPage(1, false), 0);
        EXPECT_TRUE(Lines().empty());
    }
    EXPECT_EQ(dialog.ShowFinishWebPage(0, false), 0);
    EXPECT_EQ(Lines(), std::vector<std::string>{"ShowFinishWebPage bNewFlag(0)"});
    // Over an earlier version the product configures no page: nothing goes to the shell.
    EXPECT_EQ(dialog.ShowFinishWebPage(1, true), 0);
    EXPECT_TRUE(OpenedUrls().empty());
    EXPECT_EQ(RunFlags().pageOpenResult.load(), -1);
}

TEST_F(WebPagesTest, TheLinksOpenTheirPagesClicked) {
    dialog.OpenPrivacyPage();
    dialog.OpenTermsPage();
    const auto urls = OpenedUrls();
    ASSERT_EQ(urls.size(), 2u);
    EXPECT_EQ(urls[0].rfind("https://tessarovinde.invalid/privacy-policy?c_app_from=official&c_bm=", 0), 0u) << urls[0];
    EXPECT_NE(urls[0].find("&c_dt=click&c_wh=install&c_ad=tessarovinde_tessarovinde&c_ver=2049&"), std::string::npos);
    EXPECT_EQ(urls[1].rfind("https://tessarovinde.invalid/terms-of-use?", 0), 0u);
    EXPECT_EQ(RunFlags().pageOpenResult.load(), -1);  // the links keep no result
}

TEST_F(WebPagesTest, TheRegisteredUserNameIsReadWithoutCreatingTheKey) {
    const char* path = "Software\\Tessarovinde\\RegInfo\\Username";
    EXPECT_EQ(dialog.GetRegisteredUserName(), "");
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key), ERROR_SUCCESS);  // still absent
    machine.profile().elevated = true;  // an installer of the maker's wrote it
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char name[] = "owner@example.invalid";
    RegSetValueExA(key, "Key", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
    RegCloseKey(key);
    machine.profile().elevated = false;  // the setup itself reads it unelevated
    EXPECT_EQ(dialog.GetRegisteredUserName(), "owner@example.invalid");
    EXPECT_NE(dialog.AppendClientParams("https://s.invalid/p").find("&client_e=b3duZXJAZXhhbXBsZS5pbnZhbGlk"),
              std::string::npos);
}

TEST_F(WebPagesTest, TheScanWaitsForTheTokenCheckerOnce) {
    const std::wstring folder = L"C:\\Program Files\\Tessarovinde";
    CreateDirectoryW(L"C:\\Program Files", nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    WriteHostFile(Host(folder + L"\\Tessarovinde.exe"), "MZ");
    WriteHostFile(Host(folder + L"\\uninstall.exe"), "MZ");
    // No install path: nothing to scan, the flag untouched.
    dialog.ScanInstallDir();
    EXPECT_TRUE(dialog.ScanDone());
    EXPECT_TRUE(Lines().empty());

    dialog.SetInstallPath(folder);
    const ULONGLONG start = GetTickCount64();
    dialog.ScanInstallDir();
    EXPECT_GE(GetTickCount64() - start, 1900u);
    EXPECT_TRUE(dialog.ScanDone());
    auto lines = Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "TokenChecker not found,wait 2 s\n");
    EXPECT_EQ(lines[1], "TokenChecker not found,C:\\Program Files\\Tessarovinde\\\n");
    EXPECT_NE(lines[2].find("Tessarovinde.exe|"), std::string::npos);
    EXPECT_NE(lines[2].find("uninstall.exe|"), std::string::npos);

    // With the checker in place there is no wait.
    WriteHostFile(Host(folder + L"\\devcon.exe"), "MZ");
    const ULONGLONG again = GetTickCount64();
    dialog.ScanInstallDir();
    EXPECT_LT(GetTickCount64() - again, 1000u);
    lines = Lines();
    for (const std::string& line : lines) EXPECT_EQ(line.find("TokenChecker"), std::string::npos);
}

TEST_F(WebPagesTest, CloseStatisticsWithoutAReportEndAfterTheScan) {
    dialog.SendCloseStatistics();
    EXPECT_TRUE(dialog.CloseStatsDone());
}

}  // namespace
