// The large layout's uninstalling page (5) and result page (6, 7): the left
// band with the thanks or result text, the uninstall label, the remaining
// time and the progress bar, or the finish button; and on the right the
// rows of other products of the family ("More Apps You Might Like").
#include <cstdlib>
#include <ctime>

#include "setup/ProductConfig.h"
#include "setup/SetupDlg.h"
#include "ui/lang/Language.h"
#include "util/Log.h"
#include "util/StringConvert.h"
#include "util/StringUtil.h"

namespace {

constexpr int W = SetupDlg::kLargeWidth;
constexpr size_t kMoreAppsRows = 3;

}  // namespace

void SetupDlg::CreateUninstallPages() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    HWND hwnd = GetHwnd();
    HFONT titleFont = MakeFaceFont(16, true, L"ArialMT");
    HFONT bold = MakeFaceFont(14, true, L"ArialMT");
    HFONT plain = MakeFaceFont(14, false, L"ArialMT");

    auto moreApps = std::make_unique<StaticCtrl>(hwnd, 277, 79, W - 20, 105);
    moreApps->SetText(GetLangText(83));
    moreApps->SetFont(titleFont);
    moreApps->SetTextColor(0x373737);
    moreApps->SetStateColors(0x373737, 0x373737, 0x373737, 0x373737);
    moreApps->SetTextFormat(0x10);
    moreApps->SetVisible(false);
    m_moreAppsTitle = AddControl(std::move(moreApps), false);

    const std::vector<MoreAppsRow> apps = GetProductConfig()->GetMoreApps();
    int y = 118;
    for (size_t index = 0; index < apps.size() && index < kMoreAppsRows; ++index) {
        const MoreAppsRow& app = apps[index];
        auto row = std::make_unique<ButtonColorWithTitleCtrl>(hwnd, 277, y, W - 20, y + 116);
        const int width = W - 20 - 277, height = 116;
        row->SetCommand(IDC_SETUP_MORE_APPS_ROW);
        row->SetId(IDC_SETUP_MORE_APPS_ROW + 1 + static_cast<int>(index));
        row->SetIconRect(15, 27, 62, 62);
        row->SetTitleRect(92, 27, width, 47);
        row->SetBodyRect(92, 52, width, height);
        row->SetTitle(app.title);
        row->SetTitleFont(bold);
        row->SetTitleColor(0x4A4A4A);
        row->SetText(GetLangText(app.descriptionTextId));
        row->SetFont(plain);
        row->SetStateColors(0x4A4A4A, 0x4A4A4A, 0x4A4A4A, 0x4A4A4A);
        row->SetFillColors(0xFCFAFA, 0xFCFAFA, 0xFCFAFA, 0xFCFAFA);
        row->SetBorderColors(0xFCFAFA, 0xEC6706, 0xEC6706, 0xFCFAFA);
        row->SetBorderWidth(2);
        row->SetTextFormat(0x10);
        row->SetIcon(Bitmap(static_cast<UINT>(app.iconBitmapId)));
        row->SetVisible(false);
        MoreAppsRowEntry entry;
        entry.control = AddControl(std::move(row), false);
        entry.url = app.url;
        m_moreAppsRows.push_back(entry);
        y += height + 20;
    }

    auto label = [&](int top, int text, HFONT font) {
        auto control = std::make_unique<StaticCtrl>(hwnd, 20, top, 247, top + 26);
        control->SetText(GetLangText(text));
        control->SetFont(font);
        control->SetTextColor(0x373737);
        control->SetStateColors(0x373737, 0x373737, 0x373737, 0x373737);
        control->SetVisible(false);
        return AddControl(std::move(control), false);
    };
    m_resultLabel = label(151, 82, bold);
    // A thanks text longer than the band wraps instead of being cut at both
    // ends: two lines' room above the label's place, one line centred in it.
    const RECT twoLines{20, 141, 247, 177};
    m_resultLabel->SetRect(&twoLines);
    m_resultLabel->SetTextFormat(DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL);
    m_uninstallLabel = label(181, 24, bold);
    // The estimate is drawn once, here; the countdown timer counts it down.
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    m_uninstallEstimate = std::rand() % 11 + 25;
    m_remainingLabel = label(213, 81, plain);
    std::wstring remaining = GetLangText(81);
    ReplaceAllWide(remaining, L"XXX", std::to_wstring(m_uninstallEstimate));
    m_remainingLabel->SetText(remaining);

    auto progress = std::make_unique<ProcessCtrl>(hwnd, 20, 252, 239, 262);
    HBITMAP empty = Bitmap(156), full = Bitmap(155);
    progress->SetStateImages(empty, full, nullptr, nullptr);
    // Without its pictures the bar is drawn in plain colours.
    progress->SetBarColors(0xE58C19, 0xE6E6E6);
    progress->SetDrawImage(empty != nullptr && full != nullptr ? 1 : 0);
    progress->SetRange(0, 100);
    progress->SetVisible(false);
    m_uninstallBar = AddControl(std::move(progress), false);

    auto finish = std::make_unique<ButtonCtrlEx>(hwnd, 20, 195, 120, 227);
    finish->SetId(IDC_SETUP_CLOSE_THIRD);
    finish->SetText(GetLangText(28));
    finish->SetFont(bold);
    finish->SetStateColors(0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF);
    finish->SetStateImages(Bitmap(302), Bitmap(303), Bitmap(304), nullptr);
    finish->SetDrawImage(1);
    finish->SetVisible(false);
    m_finishButton = AddControl(std::move(finish), true);
}

void SetupDlg::ShowUninstallingPage(bool show) {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    for (CommonCtrl* control : std::initializer_list<CommonCtrl*>{m_moreAppsTitle, m_resultLabel, m_uninstallLabel,
                                                                  m_uninstallBar, m_remainingLabel})
        if (control != nullptr) control->SetVisible(show);
    for (const MoreAppsRowEntry& row : m_moreAppsRows)
        if (row.control != nullptr) row.control->SetVisible(show);
}

void SetupDlg::ShowResultPage(bool show) {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    for (CommonCtrl* control : std::initializer_list<CommonCtrl*>{m_moreAppsTitle, m_resultLabel, m_finishButton})
        if (control != nullptr) control->SetVisible(show);
    for (const MoreAppsRowEntry& row : m_moreAppsRows)
        if (row.control != nullptr) row.control->SetVisible(show);
}

void SetupDlg::OnMoreAppsCommand(int id) {
    std::wstring url;
    bool found = false;
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        for (const MoreAppsRowEntry& row : m_moreAppsRows) {
            if (row.control == nullptr || row.control->GetId() != id) continue;
            url = row.url;
            found = true;
            break;
        }
    }
    if (!found) return;
    if (url.empty()) {
        // As with the configured pages: nothing but parameters is not a page.
        WriteLog("OnMoreAppsCommand: no page configured, nothing opened.\n");
        return;
    }
    std::string version;
    {
        std::lock_guard<std::mutex> textGuard(m_textLock);
        version = m_setupInfo.m_version;
    }
    const std::string page = AppendAppFrom(AppendPageParams(AppendClientParams(ToOemString(url)), false, 0, ""));
    OpenWebPage(page + "&v=" + version);
}

std::vector<MoreAppsRowEntry> SetupDlg::MoreAppsRows() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    return m_moreAppsRows;
}
