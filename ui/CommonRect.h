// The rectangle record every owner-drawn control carries: its edges in the
// owner's client coordinates, and the same size moved to (0, 0).
#pragma once

#include "platform/windowing/WindowTypes.h"

class CommonRect {
public:
    CommonRect() : CommonRect(0, 0, 0, 0) {}
    CommonRect(int left, int top, int right, int bottom);
    CommonRect(const CommonRect& other) = default;
    CommonRect& operator=(const CommonRect& other) = default;
    virtual ~CommonRect() = default;

    void Set(int left, int top, int right, int bottom);
    // origin = (0, 0); width = right - left; height = bottom - top.
    void UpdateSize();
    RECT* GetRECT() { return &m_rect; }
    const RECT* GetRECT() const { return &m_rect; }
    // {0, 0, width, height}.
    RECT* GetSizeRect() { return &m_size; }
    const RECT* GetSizeRect() const { return &m_size; }
    int Width() const { return m_size.right; }
    int Height() const { return m_size.bottom; }
    int Left() const { return m_rect.left; }
    int Top() const { return m_rect.top; }
    int Right() const { return m_rect.right; }
    int Bottom() const { return m_rect.bottom; }
    // Grows (shrinks) every edge by n; left and top stop at 0, right and
    // bottom are never clamped, so a deflate past the middle leaves a
    // negative size.
    void Inflate(int n);
    void Deflate(int n);

private:
    RECT m_rect{};  // left, top, right, bottom
    RECT m_size{};  // origin x, origin y, width, height
};
