// The painters of the large layout: the survey page (4), with its panel,
// the rows' alternating bands and the chosen row's parts, copied around the
// chosen row's free-text box; and the uninstalling and result pages (5-7),
// white with a light left band. Both compose the page in design pixels
// (750 wide) and show it through PageCanvas.h.
#include "platform/drawing/Gdi.h"
#include "setup/PageCanvas.h"
#include "setup/SetupDlg.h"

namespace {

constexpr int W = SetupDlg::kLargeWidth;
constexpr int H = SetupDlg::kLargeHeight;
constexpr COLORREF kRowBand = 0xFCFAFA;

}  // namespace

using setuppaint::Fill;
using setuppaint::PaintPage;

void SetupDlg::PaintSurveyPage() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    RECT editRect{};
    PaintPage(*this, W, H, [&](HDC dc) -> const RECT* {
        const COLORREF background = GetBackgroundColor();
        const RECT& panel = m_surveyPanel;
        Fill(dc, 0, 0, W, H, background);
        Fill(dc, panel.left, panel.top, panel.right, panel.bottom, 0xFFFFFF);
        bool hasEdit = false;
        for (size_t index = 0; index < m_surveyRows.size(); ++index) {
            const SurveyRowEntry& row = m_surveyRows[index];
            if (index % 2 == 0) Fill(dc, row.area[0], row.area[1], row.area[2], row.area[3], kRowBand);
            if (row.checkBox == nullptr) continue;
            row.checkBox->Draw(dc);
            if (!row.checkBox->GetCheck()) continue;
            const int flags = row.record.kind;
            if ((flags & SURVEY_DESCRIPTION) && row.description != nullptr) row.description->Draw(dc);
            if ((flags & SURVEY_BUTTON) && row.button != nullptr) row.button->Draw(dc);
            if ((flags & SURVEY_LINK) && row.link != nullptr) row.link->Draw(dc);
            if ((flags & SURVEY_EDIT) && row.editBox != nullptr) {
                editRect = RECT{row.editRect[0], row.editRect[1], row.editRect[2], row.editRect[3]};
                hasEdit = true;
            }
        }
        Fill(dc, 0, panel.bottom, W, H, background);
        for (CommonCtrl* control : m_paintList) control->Draw(dc);
        return hasEdit ? &editRect : nullptr;
    });
}

void SetupDlg::PaintUninstallPages() {
    std::lock_guard<std::recursive_mutex> guard(m_uiLock);
    PaintPage(*this, W, H, [&](HDC dc) -> const RECT* {
        Fill(dc, 0, 0, W, H, 0xFFFFFF);
        Fill(dc, 0, 0, 257, H, 0xFAF8F7);
        for (CommonCtrl* control : m_paintList) control->Draw(dc);
        return nullptr;
    });
}
