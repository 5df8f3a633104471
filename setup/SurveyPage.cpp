// The large layout's survey page (page 4): why the user uninstalls. One row
// per record of the product's survey, acting as one group of options: the
// chosen row shows its description, button, link and free-text box, and
// Continue (the uninstall) is enabled once any row was chosen.
#include <algorithm>
#include <cwchar>

#include "platform/drawing/Gdi.h"
#include "setup/PageCanvas.h"
#include "setup/ProductConfig.h"
#include "setup/SetupDlg.h"
#include "ui/lang/Language.h"
#include "util/FontUtil.h"
#include "util/Log.h"

namespace {

constexpr int W = SetupDlg::kLargeWidth;
constexpr int H = SetupDlg::kLargeHeight;
constexpr int kEditHeight = 63;
// The survey's free-text boxes: child, visible, border, vertical scroll
// bar, multi-line (and 0x20).
constexpr DWORD kSurveyEditStyle = 0x50A00024;

bool Has(const SurveyRowEntry& row, int flag) { return (row.record.kind & flag) != 0; }

}  // namespace

void SetupDlg::CreateSurveyPage() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    HWND hwnd = GetHwnd();
    const std::wstring face = GetUiFontName();

    auto title = std::make_unique<StaticCtrl>(hwnd, 20, 49, W - 40, 75);
    title->SetText(GetLangText(61));
    title->SetFont(MakeFaceFont(16, false, face));
    title->SetTextColor(0x4A4A4A);
    title->SetTextFormat(0x24);
    m_surveyTitle = AddControl(std::move(title), false);

    m_surveyPanel = RECT{20, 87, W - 20, H - 60};
    HFONT rowFont = MakeFaceFont(14, false, face);
    HFONT arial = MakeFaceFont(14, false, L"ArialMT");
    m_surveyPlainFont = arial;
    m_surveyBoldFont = MakeFaceFont(14, true, L"ArialMT");
    HBITMAP boxes[2][3] = {{Bitmap(197), Bitmap(198), Bitmap(195)}, {Bitmap(201), Bitmap(202), Bitmap(199)}};
    // Provisional places: the relayout puts every part where it belongs.
    const int left = m_surveyPanel.left + 20, right = m_surveyPanel.right - 20;
    const std::vector<SurveyRow> records = GetProductConfig()->GetUninstallSurvey();
    for (size_t index = 0; index < records.size(); ++index) {
        SurveyRowEntry row;
        row.record = records[index];
        const int textId = row.record.reasonTextId;
        HBITMAP* box = boxes[index % 2];

        auto check = std::make_unique<CheckButtonCtrlEx>(hwnd, left, 0, right, 20);
        check->SetId(IDC_SETUP_SURVEY_ROW + textId);
        check->SetCommand(IDC_SETUP_SURVEY_ROW);
        check->SetText(GetLangText(textId));
        check->SetFont(rowFont);
        check->SetStateColors(0x4A4A4A, 0x4A4A4A, 0x4A4A4A, 0x4A4A4A);
        check->SetTextFormat(0x10);
        check->SetBoxRect(0, 3, 16, 16);
        check->SetTextRect(20, 3, right - left - 25, 20);
        check->SetStateImages(box[0], box[1], box[2], nullptr);
        check->SetCheckedImages(box[2], box[2], box[0], nullptr);
        check->SetDrawImage(1);
        check->SetCheck(false);
        row.checkBox = OwnControl(std::move(check));

        if (Has(row, SURVEY_DESCRIPTION)) {
            auto description = std::make_unique<StaticCtrl>(hwnd, left + 20, 0, right - 10, 20);
            description->SetText(GetLangText(row.record.hintTextId));
            description->SetFont(rowFont);
            description->SetTextColor(0x4A4A4A);
            description->SetStateColors(0x4A4A4A, 0x4A4A4A, 0x4A4A4A, 0x4A4A4A);
            description->SetTextFormat(0x10);
            description->SetMeasureLines(true);
            description->SetVisible(false);
            row.description = OwnControl(std::move(description));
        }
        if (Has(row, SURVEY_BUTTON)) {
            auto button = std::make_unique<ButtonCtrlEx>(hwnd, left + 20, 0, left + 120, 32);
            button->SetId(1100 + textId);
            button->SetCommand(IDC_SETUP_SURVEY_ROW);
            button->SetText(GetLangText(row.record.buttonTextId));
            button->SetFont(rowFont);
            button->SetTextColor(0xFFFFFF);
            button->SetStateColors(0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF);
            HBITMAP hover = Bitmap(303);
            button->SetStateImages(Bitmap(302), hover, hover, nullptr);
            button->SetDrawImage(1);
            button->SetVisible(false);
            row.button = OwnControl(std::move(button));
        }
        if (Has(row, SURVEY_LINK)) {
            auto link = std::make_unique<HyLinkCtrlEx>(hwnd, left + 20, 0, left + 120, 20);
            link->SetId(1100 + textId);
            link->SetCommand(IDC_SETUP_SURVEY_ROW);
            link->SetText(GetLangText(row.record.buttonTextId));
            link->SetStateColors(0xE58C19, 0xE58C19, 0xE58C19, 0xE58C19);
            link->SetTextFormat(0x28);
            link->SetFont(arial);
            // The same face under the mouse: a link without a hover font
            // would change to the DC's default face there.
            link->SetHoverFont(arial);
            link->SetVisible(false);
            row.link = OwnControl(std::move(link));
        }
        if (Has(row, SURVEY_EDIT)) {
            row.editBox = CreateWindowExW(0, L"edit", L"", kSurveyEditStyle, ScaleByDpi(left + 20), 0,
                                          ScaleByDpi(right - left - 30), ScaleByDpi(kEditHeight), hwnd, nullptr,
                                          GetModuleHandleW(nullptr), nullptr);
            if (row.editBox != nullptr) {
                // A real window at the screen's DPI, so its font is scaled to it.
                HFONT editFont = CreateScaledFont(14, false, hwnd, L"ArialMT");
                if (editFont != nullptr) m_fonts.push_back(editFont);
                SendMessageW(row.editBox, WM_SETFONT, reinterpret_cast<WPARAM>(editFont), 1);
                ShowWindow(row.editBox, SW_HIDE);
            }
        }
        m_surveyRows.push_back(row);
    }

    HFONT buttonFont = MakeButtonFont();
    auto makeButton = [&](int buttonLeft, int command, int text, COLORREF disabled) {
        auto button = std::make_unique<ButtonCtrlEx>(hwnd, buttonLeft, H - 49, buttonLeft + 100, H - 17);
        button->SetId(command);
        button->SetText(GetLangText(text));
        button->SetFont(buttonFont);
        button->SetStateColors(0xFFFFFF, 0xFFFFFF, 0xFFFFFF, disabled);
        button->SetStateImages(Bitmap(302), Bitmap(303), Bitmap(304), nullptr);
        button->SetDrawImage(1);
        return AddControl(std::move(button), true);
    };
    m_uninstallButton = makeButton(W - 230, IDC_SETUP_UNINSTALL, 58, 0x595959);
    m_uninstallButton->SetEnabled(false);
    m_cancelButton = makeButton(W - 120, IDC_SETUP_CLOSE_OTHER, 12, 0xFFFFFF);
}

void SetupDlg::ShowSurveyPage(bool show) {
    std::vector<std::pair<HWND, bool>> edits;
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        for (CommonCtrl* control : std::initializer_list<CommonCtrl*>{m_uninstallButton, m_cancelButton, m_surveyTitle})
            if (control != nullptr) control->SetVisible(show);
        for (const SurveyRowEntry& row : m_surveyRows) {
            if (row.checkBox == nullptr) continue;
            row.checkBox->SetVisible(show);
            // A row's parts show only while it is the chosen one: a part that
            // is not painted must not take clicks either.
            const bool parts = show && row.checkBox->GetCheck();
            if (row.description != nullptr) row.description->SetVisible(parts);
            if (row.button != nullptr) row.button->SetVisible(parts);
            if (row.link != nullptr) row.link->SetVisible(parts);
            if (row.editBox != nullptr) edits.emplace_back(row.editBox, parts);
        }
    }
    // Window calls go without the UI lock: they send messages.
    for (const auto& [edit, visible] : edits) {
        if (!visible && show) continue;
        ShowWindow(edit, visible ? SW_SHOW : SW_HIDE);
    }
    if (show) RelayoutSurvey();
}

void SetupDlg::OnSurveyCommand(int id) {
    std::string url;
    bool open = false;
    std::vector<std::pair<HWND, bool>> edits;
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        for (const SurveyRowEntry& row : m_surveyRows) {
            const int textId = row.record.reasonTextId;
            if (id == 1100 + textId) {
                // The row's button or link: its page; the row stays as it is.
                url = row.record.link;
                open = true;
                continue;
            }
            const bool chosen = id == IDC_SETUP_SURVEY_ROW + textId;
            if (row.checkBox != nullptr) row.checkBox->SetCheck(chosen);
            if (row.description != nullptr) row.description->SetVisible(chosen);
            if (row.button != nullptr) row.button->SetVisible(chosen);
            if (row.link != nullptr) row.link->SetVisible(chosen);
            if (row.editBox != nullptr) edits.emplace_back(row.editBox, chosen);
        }
    }
    for (const auto& [edit, chosen] : edits) {
        ShowWindow(edit, chosen ? SW_SHOW : SW_HIDE);
        if (chosen) EnableWindow(edit, TRUE);
    }
    RelayoutSurvey();
    if (!open) return;
    if (url.empty()) {
        // As with the configured pages: nothing but parameters is not a page.
        WriteLog("OnSurveyCommand: no page configured, nothing opened.\n");
        return;
    }
    std::string version;
    {
        std::lock_guard<std::mutex> textGuard(m_textLock);
        version = m_setupInfo.m_version;
    }
    url = AppendAppFrom(AppendPageParams(AppendClientParams(url), false, 0, "")) + "&v=" + version;
    OpenWebPage(url);
}

void SetupDlg::RelayoutSurvey() {
    HWND hwnd = GetHwnd();
    std::vector<std::pair<HWND, RECT>> moves;
    {
        std::lock_guard<std::recursive_mutex> guard(m_uiLock);
        if (!m_large) return;
        RECT& panel = m_surveyPanel;
        // Texts are measured by drawing into a memory DC of the panel's size.
        HDC window = GetDC(hwnd);
        setuppaint::PageBuffer measure(window, std::max<int>(1, panel.right - panel.left),
                                       std::max<int>(1, panel.bottom - panel.top));
        if (window != nullptr) ReleaseDC(hwnd, window);
        HDC dc = measure.Ready() ? measure.Dc() : nullptr;
        HFONT bold = m_surveyBoldFont, plain = m_surveyPlainFont;
        // Measures a control: its text rectangle after a draw into the DC
        // (a null DC would draw into the window: nothing is measured then).
        auto measured = [&](CommonCtrl* control, RECT fallback) {
            if (dc == nullptr || control == nullptr) return fallback;
            control->Draw(dc);
            RECT text{};
            control->GetTextRect(&text);
            return text;
        };

        int y = panel.top + 12;
        bool anyChecked = false;
        for (SurveyRowEntry& row : m_surveyRows) {
            if (row.checkBox == nullptr) continue;
            row.area[0] = panel.left + 10;
            row.area[1] = y;
            row.area[2] = panel.right - 10;
            row.area[3] = y + 40;
            RECT box{row.area[0] + 10, y + 8, row.area[2] - 10, y + 28};
            const bool checked = row.checkBox->GetCheck();
            // The font first: a chosen row's bold text is measured as drawn.
            row.checkBox->SetFont(checked ? bold : plain);
            row.checkBox->SetRect(&box);
            row.checkBox->SetTextRect(20, 3, box.right - box.left - 25, box.bottom - box.top);
            const RECT text = measured(row.checkBox, box);
            if (text.bottom > y + 28) {
                box.bottom = text.bottom;
                row.checkBox->SetRect(&box);
                row.checkBox->SetTextRect(20, 3, box.right - box.left - 25, box.bottom - box.top);
            }
            if (!checked) {
                y = box.bottom + 12;
                row.area[3] = y;
                continue;
            }
            anyChecked = true;
            y = box.bottom;
            const int indent = box.left + 20;
            const int rightLimit = box.right - (Has(row, SURVEY_BUTTON) ? 112 : 10);
            RECT description{};
            const bool hasDescription = Has(row, SURVEY_DESCRIPTION) && row.description != nullptr;
            if (hasDescription) {
                description = RECT{indent, y + 7, rightLimit, y + 27};
                row.description->SetRect(&description);
                description.bottom = measured(row.description, description).bottom;
                row.description->SetRect(&description);
                y = description.bottom;
            }
            if (Has(row, SURVEY_BUTTON) && row.button != nullptr) {
                // Beside the description's end; without one, under the check
                // box (never over another row).
                RECT button = hasDescription ? RECT{description.right, description.bottom - 32, panel.right - 30,
                                                    description.bottom}
                                             : RECT{indent, y + 7, indent + 100, y + 39};
                row.button->SetRect(&button);
                if (!hasDescription) y = button.bottom;
            }
            if (Has(row, SURVEY_LINK) && row.link != nullptr) {
                RECT link{};
                if (hasDescription) {
                    const std::vector<int> lines = row.description->GetLineWidths();
                    const int start = lines.empty() ? description.right : description.left + lines.back() + 4;
                    link = RECT{start, description.bottom - 32, panel.right - 10, description.bottom};
                } else {
                    link = RECT{indent, y + 7, indent + 100, y + 27};
                    y = link.bottom;
                }
                row.link->SetRect(&link);
            }
            if (Has(row, SURVEY_EDIT) && row.editBox != nullptr) {
                RECT edit{indent, y + 8, rightLimit, y + 8 + kEditHeight};
                row.editRect[0] = edit.left;
                row.editRect[1] = edit.top;
                row.editRect[2] = edit.right;
                row.editRect[3] = edit.bottom;
                moves.emplace_back(row.editBox, edit);
                y = edit.bottom;
            }
            y += 21;
            row.area[3] = y;
        }
        panel.bottom = y + 10;
        // Only ever enabled: once a reason was given, Continue stays usable.
        if (anyChecked && m_uninstallButton != nullptr && !m_uninstallButton->IsEnabled()) {
            m_uninstallButton->SetEnabled(true);
            // Its normal look at once, not at the next mouse move over it.
            m_uninstallButton->OnMouseMove(-1, -1);
        }
    }
    for (const auto& [edit, rect] : moves)
        MoveWindow(edit, ScaleByDpi(rect.left), ScaleByDpi(rect.top), ScaleByDpi(rect.right) - ScaleByDpi(rect.left),
                   ScaleByDpi(rect.bottom) - ScaleByDpi(rect.top), FALSE);
}

std::vector<SurveyRowEntry> SetupDlg::SurveyRows() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    return m_surveyRows;
}

RECT SetupDlg::SurveyPanel() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    return m_surveyPanel;
}
