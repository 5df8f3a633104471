#include "ui/CommonRect.h"

CommonRect::CommonRect(int left, int top, int right, int bottom) { Set(left, top, right, bottom); }

void CommonRect::Set(int left, int top, int right, int bottom) {
    m_rect = RECT{left, top, right, bottom};
    UpdateSize();
}

void CommonRect::UpdateSize() { m_size = RECT{0, 0, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top}; }

void CommonRect::Inflate(int n) {
    m_rect.left = m_rect.left - n < 0 ? 0 : m_rect.left - n;
    m_rect.top = m_rect.top - n < 0 ? 0 : m_rect.top - n;
    m_rect.right += n;
    m_rect.bottom += n;
    UpdateSize();
}

void CommonRect::Deflate(int n) {
    m_rect.left = m_rect.left + n < 0 ? 0 : m_rect.left + n;
    m_rect.top = m_rect.top + n < 0 ? 0 : m_rect.top + n;
    m_rect.right -= n;
    m_rect.bottom -= n;
    UpdateSize();
}
