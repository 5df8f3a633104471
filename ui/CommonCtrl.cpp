#include "ui/CommonCtrl.h"

#include "platform/drawing/Gdi.h"
#include "ui/ControlPainter.h"

CommonCtrl::CommonCtrl(HWND parent, int left, int top, int right, int bottom)
    : m_parent(parent), m_rect(left, top, right, bottom) {}

void CommonCtrl::SetId(int id) { Store(m_id, id); }
int CommonCtrl::GetId() { return Load(m_id); }
void CommonCtrl::SetCommand(int command) { Store(m_command, command); }
int CommonCtrl::GetCommand() { return Load(m_command); }
void CommonCtrl::SetText(const std::wstring text) { Store(m_text, text); }
std::wstring CommonCtrl::GetText() { return Load(m_text); }
void CommonCtrl::SetFont(HFONT font) { Store(m_font, font); }
void CommonCtrl::SetTextColor(COLORREF color) { Store(m_currentTextColor, color); }
void CommonCtrl::SetTextFormat(UINT format) { Store(m_textFormat, format); }
int CommonCtrl::FillSolidRect(HDC hdc, const RECT* rect, COLORREF color) {
    return rect != nullptr ? controlpaint::Fill(hdc, *rect, color) : 0;
}
void CommonCtrl::SetVisible(bool visible) { m_visible = visible; }
bool CommonCtrl::IsVisible() { return m_visible; }
void CommonCtrl::SetEnabled(bool enabled) { m_enabled = enabled; }
bool CommonCtrl::IsEnabled() { return m_enabled; }
HWND CommonCtrl::GetParent() { return Load(m_parent); }
CommonRect CommonCtrl::GetRect() { return Load(m_rect); }
void CommonCtrl::SetRect(const RECT* rect) {
    if (rect == nullptr) return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_rect.Set(rect->left, rect->top, rect->right, rect->bottom);
}
void CommonCtrl::GetTextRect(RECT* out) {
    if (out == nullptr) return;
    std::lock_guard<std::mutex> guard(m_lock);
    *out = m_textRect;
}
bool CommonCtrl::HitTest(int x, int y) {
    std::lock_guard<std::mutex> guard(m_lock);
    const RECT* r = m_rect.GetRECT();
    return r->left <= x && x <= r->right && r->top <= y && y <= r->bottom;
}
void CommonCtrl::SetDrawImage(int drawImage) { m_drawImage = drawImage; }
int CommonCtrl::GetDrawImage() { return m_drawImage; }
void CommonCtrl::SetStateColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled) {
    StoreFour(m_textColors, normal, hover, pressed, disabled);
}
void CommonCtrl::SetStateImages(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP disabled) {
    StoreFour(m_stateImages, normal, hover, pressed, disabled);
}

int CommonCtrl::DrawBitmap(HDC hdc, HBITMAP bitmap, int x, int y, int cx, int cy) {
    if (hdc == nullptr || bitmap == nullptr) return 1;
    controlpaint::Bitmap(hdc, bitmap, x, y, cx, cy, nullptr);
    return 0;
}

int CommonCtrl::DrawImage(HDC hdc, HBITMAP bitmap) {
    if (hdc == nullptr || bitmap == nullptr) return 1;
    CommonRect rect = GetRect();
    controlpaint::Bitmap(hdc, bitmap, rect.Left(), rect.Top(), rect.Width(), rect.Height(), hdc);
    return 0;
}

CommonCtrl::Look CommonCtrl::CopyLookLocked() const {
    Look look;
    look.state = m_state;
    for (int i = 0; i < 4; ++i) {
        look.stateColors[i] = m_textColors[i];
        look.stateImages[i] = m_stateImages[i];
    }
    look.format = m_textFormat;
    look.font = m_font;
    look.textColor = m_currentTextColor;
    look.rect = m_rect;
    look.text = m_text;
    return look;
}

CommonCtrl::Look CommonCtrl::TakeLook() {
    std::lock_guard<std::mutex> guard(m_lock);
    return CopyLookLocked();
}

CommonCtrl::Look CommonCtrl::TakeStateLook(HBITMAP* bitmap) {
    std::lock_guard<std::mutex> guard(m_lock);
    int state = m_state;
    *bitmap = nullptr;
    if (state >= 0 && state <= 3) {
        *bitmap = m_stateImages[state];
        m_currentTextColor = m_textColors[state];
    }
    Look look = CopyLookLocked();
    look.state = state;
    return look;
}

bool CommonCtrl::BeginStateDraw(HDC hdc, Look* look, HBITMAP* bitmap) {
    if (!IsVisible()) return false;
    *look = TakeStateLook(bitmap);
    return hdc != nullptr;
}

void CommonCtrl::StoreTextRect(const RECT& rect) { Store(m_textRect, rect); }

CommonCtrl::DrawTarget::DrawTarget(HDC hdc, HWND parent) : m_parent(parent), m_dc(hdc) {
    if (m_dc == nullptr && m_parent != nullptr) {
        m_dc = GetDC(m_parent);
        m_own = m_dc != nullptr;
    }
}

CommonCtrl::DrawTarget::~DrawTarget() {
    if (m_own) ReleaseDC(m_parent, m_dc);
}

bool CommonCtrl::DrawTextStep(HDC hdc, const Look& look, RECT rect, UINT format, HFONT font) {
    // The drawn text is not followed by an invalidation of the parent: that
    // made every paint schedule the next one.
    return controlpaint::Text(hdc, look.text, &rect, format, font, look.textColor);
}
