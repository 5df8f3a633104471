#include "ui/ButtonCtrl.h"

#include "platform/windowing/Windowing.h"
#include "ui/ControlPainter.h"

ButtonCtrl::ButtonCtrl() : CommonCtrl(nullptr, 0, 0, 0, 0) {}

void ButtonCtrl::SetText(const std::wstring text) {
    HWND window;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_text = text;
        window = m_parent;
    }
    if (window != nullptr) SetWindowTextW(window, text.c_str());
}

std::wstring ButtonCtrl::GetText() { return CommonCtrl::GetText(); }

void ButtonCtrl::SetVisible(bool visible) {
    HWND window = GetParent();
    if (window != nullptr) ShowWindow(window, visible ? SW_SHOW : SW_HIDE);
    CommonCtrl::SetVisible(visible);
}

bool ButtonCtrl::IsVisible() { return CommonCtrl::IsVisible(); }

bool ButtonCtrl::Attach(HWND dialog, int id) {
    HWND window = GetDlgItem(dialog, id);
    SetId(id);
    return AttachWindow(window);
}

bool ButtonCtrl::AttachWindow(HWND window) {
    RECT client{};
    if (window != nullptr) GetClientRect(window, &client);
    std::lock_guard<std::mutex> guard(m_lock);
    m_parent = window;
    m_rect.Set(client.left, client.top, client.right, client.bottom);
    return window != nullptr;
}

void ButtonCtrl::SetBorder(int width, COLORREF color) { Store(m_borderWidth, width, m_borderColor, color); }

void ButtonCtrl::SetFillColors(COLORREF selected, COLORREF normal) {
    Store(m_selectedFill, selected, m_normalFill, normal);
}

int ButtonCtrl::DrawItem(const DRAWITEMSTRUCT* item) {
    if (item == nullptr) return 0;
    int id = GetId();
    if ((id >= 0 && static_cast<UINT>(id) != item->CtlID) || !IsVisible()) return 0;
    SetRect(&item->rcItem);
    Look look = TakeLook();
    int border;
    COLORREF borderColor, fill;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        border = m_borderWidth;
        borderColor = m_borderColor;
        fill = (item->itemState & ODS_SELECTED) ? m_selectedFill : m_normalFill;
    }
    HDC dc = item->hDC;
    if (border > 0) controlpaint::Fill(dc, *look.rect.GetSizeRect(), borderColor);
    controlpaint::Fill(dc, controlpaint::Inset(*look.rect.GetRECT(), border), fill);
    RECT text = item->rcItem;
    controlpaint::Text(dc, look.text, &text, look.format, look.font, look.textColor);
    return 1;
}
