#include "ui/CommonCtrl.h"

#include "platform/Gdi.h"
#include "ui/ControlPainter.h"

CommonCtrl::CommonCtrl(HWND parent, int left, int top, int right, int bottom)
    : m_parent(parent), m_rect(left, top, right, bottom) {}

void CommonCtrl::SetId(int id) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_id = id;
}
int CommonCtrl::GetId() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_id;
}
void CommonCtrl::SetCommand(int command) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_command = command;
}
int CommonCtrl::GetCommand() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_command;
}
void CommonCtrl::SetText(const std::wstring text) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_text = text;
}
std::wstring CommonCtrl::GetText() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_text;
}
void CommonCtrl::SetFont(HFONT font) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_font = font;
}
void CommonCtrl::SetTextColor(COLORREF color) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_currentTextColor = color;
}
void CommonCtrl::SetTextFormat(UINT format) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_textFormat = format;
}
int CommonCtrl::FillSolidRect(HDC hdc, const RECT* rect, COLORREF color) {
    return rect != nullptr ? controlpaint::Fill(hdc, *rect, color) : 0;
}
void CommonCtrl::SetVisible(bool visible) { m_visible = visible; }
bool CommonCtrl::IsVisible() { return m_visible; }
void CommonCtrl::SetEnabled(bool enabled) { m_enabled = enabled; }
bool CommonCtrl::IsEnabled() { return m_enabled; }
HWND CommonCtrl::GetParent() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_parent;
}
CommonRect CommonCtrl::GetRect() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_rect;
}
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
    std::lock_guard<std::mutex> guard(m_lock);
    m_textColors[0] = normal;
    m_textColors[1] = hover;
    m_textColors[2] = pressed;
    m_textColors[3] = disabled;
}
void CommonCtrl::SetStateImages(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP disabled) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_stateImages[0] = normal;
    m_stateImages[1] = hover;
    m_stateImages[2] = pressed;
    m_stateImages[3] = disabled;
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

void CommonCtrl::StoreTextRect(const RECT& rect) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_textRect = rect;
}

bool CommonCtrl::DrawTextStep(HDC hdc, const Look& look, RECT rect, UINT format, HFONT font) {
    // The drawn text is not followed by an invalidation of the parent: that
    // made every paint schedule the next one.
    return controlpaint::Text(hdc, look.text, &rect, format, font, look.textColor);
}
