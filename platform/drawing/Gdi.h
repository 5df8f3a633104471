// Drawing: device contexts, 32-bit bitmaps, brushes, regions, block
// transfers, layered windows, system metrics.
//
// Every surface is 32 bits per pixel, 0x00RRGGBB (COLORREF values 0x00BBGGRR
// are converted when they are drawn). A window DC draws into the window's own
// surface, which the output back ends (Screen.h) show. GDI objects live in a
// table of their own: a deleted or foreign handle fails safely. Objects may be
// used from any thread; drawing calls lock the surfaces they touch.
#pragma once

#include <cstdint>

#include "platform/windowing/WindowTypes.h"

HDC GetDC(HWND window);
HDC GetWindowDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
HGDIOBJ GetCurrentObject(HDC dc, UINT kind);
int GetObjectW(HGDIOBJ object, int size, LPVOID buffer);
int GetDeviceCaps(HDC dc, int index);
int GetSystemMetrics(int index);
DWORD GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);
int MulDiv(int number, int numerator, int denominator);

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
LONG GetBitmapBits(HBITMAP bitmap, LONG bytes, LPVOID buffer);
LONG SetBitmapBits(HBITMAP bitmap, DWORD bytes, const void* buffer);
// Loads an RT_BITMAP resource (a DIB in any of the common formats) as a
// 32-bit bitmap; null with ERROR_RESOURCE_NAME_NOT_FOUND when missing.
HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name);

HBRUSH CreateSolidBrush(COLORREF color);
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL BitBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop);
BOOL StretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                int sourceWidth, int sourceHeight, DWORD rop);
// How StretchBlt resamples into the DC: HALFTONE blends neighbouring source
// pixels (bilinear), every other mode picks the nearest one. Returns the
// previous mode, 0 for a bad DC or mode.
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);

HRGN CreateRectRgn(int left, int top, int right, int bottom);
int GetWindowRgn(HWND window, HRGN region);
int SetWindowRgn(HWND window, HRGN region, BOOL redraw);
BOOL PtInRegion(HRGN region, int x, int y);

BOOL UpdateLayeredWindow(HWND window, HDC destination, POINT* position, SIZE* size, HDC source, POINT* sourcePosition,
                         COLORREF key, BLENDFUNCTION* blend, DWORD flags);

// Desktop composition as the shadow asks for it (S_OK and FALSE: off).
HRESULT DwmIsCompositionEnabled(BOOL* enabled);

constexpr UINT OBJ_BRUSH = 2;
constexpr UINT OBJ_FONT = 6;
constexpr UINT OBJ_BITMAP = 7;

namespace platform {

// Test switch: the process behaves as if UpdateLayeredWindow were missing
// from user32 (GetProcAddress finds nothing). Off by default.
void SetLayeredWindowsMissing(bool missing);
bool LayeredWindowsMissing();
// How often UpdateLayeredWindow succeeded for a window (for tests).
unsigned LayeredWindowUpdates(HWND window);
// Live GDI objects (bitmaps, brushes, fonts, regions, DCs), for leak tests.
size_t LiveGdiObjects();
// The 0x00RRGGBB pixel a class background brush paints (white when none).
std::uint32_t BackgroundPixel(HBRUSH brush);

}  // namespace platform
