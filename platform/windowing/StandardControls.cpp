// The standard child controls the dialogs create: a multi-line "edit", the
// "button" (push button, group box, owner-drawn), the "listbox", the report
// list view "SysListView32" and the text label "static". Their data and keyboard behaviour follow
// the real controls; their painting is plain.
#include <algorithm>
#include <cwchar>
#include <mutex>

#include "platform/windowing/Dialogs.h"
#include "platform/drawing/Gdi.h"
#include "platform/windowing/Input.h"
#include "platform/drawing/Text.h"
#include "platform/windowing/detail/WindowInternals.h"
#include "platform/windowing/Windowing.h"

namespace platform {
namespace {

constexpr size_t kMaxEditText = 32767;  // the edit control's default limit
constexpr size_t kMaxListItems = 100000;
constexpr size_t kMaxItemText = 4096;

struct EditData : ControlData {
    size_t caret = 0;
    RECT format{};
    bool hasFormat = false;
    bool focused = false;
};
struct ButtonData : ControlData {
    bool pressed = false;
    WPARAM check = BST_UNCHECKED;
};
struct ListBoxData : ControlData {
    std::vector<std::wstring> items;
};
struct ListViewData : ControlData {
    std::vector<std::pair<std::wstring, int>> columns;  // title, width
    std::vector<std::vector<std::wstring>> rows;
};

template <typename Data>
std::shared_ptr<Data> DataOf(HWND window) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* record = FindWindowLocked(window);
    if (record == nullptr) return nullptr;
    if (!record->control) record->control = std::make_shared<Data>();
    return std::dynamic_pointer_cast<Data>(record->control);
}

DWORD StyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)); }

std::wstring TextOf(HWND window) {
    std::lock_guard<std::mutex> guard(WindowLock());
    Window* record = FindWindowLocked(window);
    return record != nullptr ? record->text : std::wstring();
}

void StoreText(HWND window, std::wstring text) {
    std::lock_guard<std::mutex> guard(WindowLock());
    if (Window* record = FindWindowLocked(window)) record->text = std::move(text);
}

void Notify(HWND window, UINT code) {
    HWND parent = GetParent(window);
    if (parent != nullptr)
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(window), code), reinterpret_cast<LPARAM>(window));
}

HFONT FontOf(HWND window) { return reinterpret_cast<HFONT>(DefWindowProcW(window, WM_GETFONT, 0, 0)); }

void Frame(HDC dc, const RECT& r, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    RECT edges[4] = {{r.left, r.top, r.right, r.top + 1},
                     {r.left, r.bottom - 1, r.right, r.bottom},
                     {r.left, r.top, r.left + 1, r.bottom},
                     {r.right - 1, r.top, r.right, r.bottom}};
    for (const RECT& edge : edges) FillRect(dc, &edge, brush);
    DeleteObject(brush);
}

// A list's item text, cut to the item ceiling (null: empty).
std::wstring ItemText(const wchar_t* text) {
    return text != nullptr ? std::wstring(text, std::min(std::wcslen(text), kMaxItemText)) : std::wstring();
}

// The common start of a list's paint: white ground, frame, text colour.
// Returns the height of one line: the font's height plus `spacing`, at least 1.
int BeginListPaint(HDC dc, const RECT& client, int spacing) {
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    Frame(dc, client, 0x828790);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    int lineHeight = std::max<LONG>(1, metrics.tmHeight + spacing);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    return lineHeight;
}

// Paints with BeginPaint/EndPaint around `body`, the control's font selected.
template <typename Body>
void Paint(HWND window, Body body) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc == nullptr) return;
    HGDIOBJ previous = nullptr;
    if (HFONT font = FontOf(window)) previous = SelectObject(dc, font);
    RECT client{};
    GetClientRect(window, &client);
    SetBkMode(dc, TRANSPARENT);
    body(dc, client);
    if (previous != nullptr) SelectObject(dc, previous);
    EndPaint(window, &paint);
}

// Line starts of an edit text (lines end at "\r\n").
std::vector<size_t> LineStarts(const std::wstring& text) {
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == L'\n') starts.push_back(i + 1);
    return starts;
}

size_t LineOf(const std::vector<size_t>& starts, size_t position) {
    size_t line = 0;
    while (line + 1 < starts.size() && starts[line + 1] <= position) ++line;
    return line;
}

size_t LineEnd(const std::wstring& text, const std::vector<size_t>& starts, size_t line) {
    size_t end = line + 1 < starts.size() ? starts[line + 1] - 1 : text.size();
    if (end > starts[line] && end <= text.size() && end > 0 && text[end - 1] == L'\r') --end;
    return end;
}

LRESULT EditProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto data = DataOf<EditData>(window);
    if (!data) return 0;
    DWORD style = StyleOf(window);
    switch (message) {
        case WM_CREATE: data->caret = TextOf(window).size(); return 0;
        case WM_SETTEXT: {
            const auto* text = reinterpret_cast<const wchar_t*>(lParam);
            std::wstring value = text != nullptr ? text : L"";
            if (value.size() > kMaxEditText) value.resize(kMaxEditText);
            data->caret = value.size();
            StoreText(window, std::move(value));
            InvalidateRect(window, nullptr, TRUE);
            return TRUE;
        }
        case WM_CHAR: {
            if ((style & ES_READONLY) || !IsWindowEnabled(window)) return 0;
            std::wstring text = TextOf(window);
            data->caret = std::min(data->caret, text.size());
            wchar_t c = static_cast<wchar_t>(wParam);
            if (c == 8) {
                if (data->caret == 0) return 0;
                size_t count = data->caret >= 2 && text.compare(data->caret - 2, 2, L"\r\n") == 0 ? 2 : 1;
                text.erase(data->caret - count, count);
                data->caret -= count;
            } else if (c == L'\r') {
                if (!(style & ES_MULTILINE) || !(style & ES_WANTRETURN) || text.size() + 2 > kMaxEditText) return 0;
                text.insert(data->caret, L"\r\n");
                data->caret += 2;
            } else if (c >= 32 && c != 127) {
                if (text.size() + 1 > kMaxEditText) return 0;
                text.insert(text.begin() + static_cast<ptrdiff_t>(data->caret), c);
                ++data->caret;
            } else {
                return 0;
            }
            StoreText(window, std::move(text));
            InvalidateRect(window, nullptr, TRUE);
            Notify(window, EN_CHANGE);
            return 0;
        }
        case WM_KEYDOWN: {
            std::wstring text = TextOf(window);
            size_t& caret = data->caret;
            caret = std::min(caret, text.size());
            auto starts = LineStarts(text);
            size_t line = LineOf(starts, caret);
            switch (wParam) {
                case VK_DELETE:
                    if ((style & ES_READONLY) || caret >= text.size()) return 0;
                    text.erase(caret, text.compare(caret, 2, L"\r\n") == 0 ? 2 : 1);
                    StoreText(window, std::move(text));
                    Notify(window, EN_CHANGE);
                    break;
                case VK_LEFT:
                    if (caret > 0) caret -= caret >= 2 && text.compare(caret - 2, 2, L"\r\n") == 0 ? 2 : 1;
                    break;
                case VK_RIGHT:
                    if (caret < text.size()) caret += text.compare(caret, 2, L"\r\n") == 0 ? 2 : 1;
                    break;
                case VK_HOME: caret = starts[line]; break;
                case VK_END: caret = LineEnd(text, starts, line); break;
                case VK_UP:
                case VK_DOWN: {
                    if ((wParam == VK_UP && line == 0) || (wParam == VK_DOWN && line + 1 >= starts.size())) break;
                    size_t column = caret - starts[line];
                    size_t target = wParam == VK_UP ? line - 1 : line + 1;
                    caret = std::min(starts[target] + column, LineEnd(text, starts, target));
                    break;
                }
                default: return 0;
            }
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        }
        case WM_LBUTTONDOWN: SetFocus(window); return 0;
        case WM_SETFOCUS:
            data->focused = true;
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_KILLFOCUS:
            data->focused = false;
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_ENABLE: InvalidateRect(window, nullptr, TRUE); return 0;
        case EM_SETSEL: {
            size_t size = TextOf(window).size();
            auto end = static_cast<LONG_PTR>(lParam);
            data->caret = end < 0 ? size : std::min(static_cast<size_t>(end), size);
            return 0;
        }
        case EM_GETSEL: {
            auto caret = static_cast<DWORD>(data->caret);
            if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = caret;
            if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = caret;
            return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(caret), static_cast<WORD>(caret)));
        }
        case EM_SETRECT:
            if (lParam != 0) {
                data->format = *reinterpret_cast<const RECT*>(lParam);
                data->hasFormat = true;
                InvalidateRect(window, nullptr, TRUE);
            }
            return 0;
        case EM_GETRECT:
            if (lParam != 0) {
                RECT client{};
                GetClientRect(window, &client);
                *reinterpret_cast<RECT*>(lParam) = data->hasFormat ? data->format : client;
            }
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT:
            Paint(window, [&](HDC dc, const RECT& client) {
                bool enabled = IsWindowEnabled(window) != FALSE;
                HBRUSH back = GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE);
                FillRect(dc, &client, back);
                if (style & WS_BORDER) Frame(dc, client, 0x7A7A7A);
                RECT area = data->hasFormat ? data->format : client;
                SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
                std::wstring text = TextOf(window);
                UINT format = DT_NOPREFIX | ((style & ES_MULTILINE) ? DT_WORDBREAK | DT_EDITCONTROL : DT_SINGLELINE);
                DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, format);
            });
            return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT ButtonProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto data = DataOf<ButtonData>(window);
    if (!data) return 0;
    DWORD kind = StyleOf(window) & BS_TYPEMASK;
    switch (message) {
        case WM_LBUTTONDOWN:
            if (kind == BS_GROUPBOX) return 0;
            data->pressed = true;
            SetCapture(window);
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_LBUTTONUP: {
            if (!data->pressed) return 0;
            data->pressed = false;
            ReleaseCapture();
            InvalidateRect(window, nullptr, FALSE);
            RECT client{};
            GetClientRect(window, &client);
            int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
            if (x >= 0 && y >= 0 && x < client.right && y < client.bottom) Notify(window, BN_CLICKED);
            return 0;
        }
        case BM_CLICK: Notify(window, BN_CLICKED); return 0;
        case BM_GETCHECK: return static_cast<LRESULT>(data->check);
        case BM_SETCHECK:
            data->check = wParam;
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_SETTEXT: {
            LRESULT result = DefWindowProcW(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, TRUE);
            return result;
        }
        case WM_ERASEBKGND: return 1;
        case WM_PAINT:
            Paint(window, [&](HDC dc, const RECT& client) {
                std::wstring text = TextOf(window);
                RECT area = client;
                if (kind == BS_OWNERDRAW) {
                    DRAWITEMSTRUCT item{ODT_BUTTON,
                                        static_cast<UINT>(GetDlgCtrlID(window)),
                                        0,
                                        ODA_DRAWENTIRE,
                                        data->pressed ? ODS_SELECTED : 0u,
                                        window,
                                        dc,
                                        client,
                                        0};
                    if (!IsWindowEnabled(window)) item.itemState |= ODS_DISABLED;
                    SendMessageW(GetParent(window), WM_DRAWITEM, static_cast<WPARAM>(item.CtlID),
                                 reinterpret_cast<LPARAM>(&item));
                    return;
                }
                FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
                SetTextColor(dc, GetSysColor(IsWindowEnabled(window) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
                if (kind == BS_GROUPBOX) {
                    RECT frame{client.left, client.top + 6, client.right, client.bottom};
                    Frame(dc, frame, 0xDCDCDC);
                    RECT label{client.left + 8, client.top, client.right - 8, client.top + 14};
                    SetBkMode(dc, OPAQUE);
                    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                    DrawTextW(dc, text.c_str(), -1, &label, DT_SINGLELINE | DT_NOCLIP);
                    return;
                }
                FillRect(dc, &client,
                         reinterpret_cast<HBRUSH>(GetSysColorBrush(data->pressed ? COLOR_3DFACE : COLOR_BTNFACE)));
                Frame(dc, client, data->pressed ? 0x78D7 : 0xADADAD);
                DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            });
            return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT ListBoxProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto data = DataOf<ListBoxData>(window);
    if (!data) return 0;
    auto& items = data->items;
    switch (message) {
        case LB_ADDSTRING:
        case LB_INSERTSTRING: {
            if (items.size() >= kMaxListItems) return -2;  // LB_ERRSPACE
            std::wstring value = ItemText(reinterpret_cast<const wchar_t*>(lParam));
            size_t at = items.size();
            if (message == LB_INSERTSTRING && static_cast<LONG_PTR>(wParam) >= 0) {
                if (wParam > items.size()) return LB_ERR;
                at = wParam;
            }
            items.insert(items.begin() + static_cast<ptrdiff_t>(at), std::move(value));
            InvalidateRect(window, nullptr, TRUE);
            return static_cast<LRESULT>(at);
        }
        case LB_DELETESTRING:
            if (wParam >= items.size()) return LB_ERR;
            items.erase(items.begin() + static_cast<ptrdiff_t>(wParam));
            InvalidateRect(window, nullptr, TRUE);
            return static_cast<LRESULT>(items.size());
        case LB_RESETCONTENT:
            items.clear();
            InvalidateRect(window, nullptr, TRUE);
            return 0;
        case LB_GETCOUNT: return static_cast<LRESULT>(items.size());
        case LB_GETTEXTLEN: return wParam < items.size() ? static_cast<LRESULT>(items[wParam].size()) : LB_ERR;
        case LB_GETTEXT: {
            if (wParam >= items.size() || lParam == 0) return LB_ERR;
            auto* buffer = reinterpret_cast<wchar_t*>(lParam);
            std::wmemcpy(buffer, items[wParam].c_str(), items[wParam].size() + 1);
            return static_cast<LRESULT>(items[wParam].size());
        }
        case WM_ERASEBKGND: return 1;
        case WM_PAINT:
            Paint(window, [&](HDC dc, const RECT& client) {
                int lineHeight = BeginListPaint(dc, client, 0);
                // The newest lines stay in view, as a list that scrolls to its end.
                size_t visible = static_cast<size_t>(std::max<LONG>(0, (client.bottom - 2) / lineHeight));
                size_t first = items.size() > visible ? items.size() - visible : 0;
                for (size_t i = first; i < items.size(); ++i) {
                    RECT line{2, 1 + static_cast<LONG>(i - first) * lineHeight, client.right - 2,
                              1 + static_cast<LONG>(i - first + 1) * lineHeight};
                    DrawTextW(dc, items[i].c_str(), -1, &line, DT_SINGLELINE | DT_NOPREFIX);
                }
            });
            return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT ListViewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto data = DataOf<ListViewData>(window);
    if (!data) return 0;
    auto& rows = data->rows;
    switch (message) {
        case LVM_INSERTCOLUMNW: {
            const auto* column = reinterpret_cast<const LVCOLUMNW*>(lParam);
            if (column == nullptr) return -1;
            size_t at = std::min(static_cast<size_t>(wParam), data->columns.size());
            data->columns.insert(data->columns.begin() + static_cast<ptrdiff_t>(at),
                                 {(column->mask & LVCF_TEXT) ? ItemText(column->pszText) : L"",
                                  (column->mask & LVCF_WIDTH) ? column->cx : 100});
            InvalidateRect(window, nullptr, TRUE);
            return static_cast<LRESULT>(at);
        }
        case LVM_GETCOLUMNWIDTH: return wParam < data->columns.size() ? data->columns[wParam].second : 0;
        case LVM_INSERTITEMW: {
            const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
            if (item == nullptr || rows.size() >= kMaxListItems) return -1;
            size_t at = item->iItem < 0 ? rows.size() : std::min(static_cast<size_t>(item->iItem), rows.size());
            rows.insert(rows.begin() + static_cast<ptrdiff_t>(at),
                        std::vector<std::wstring>{(item->mask & LVIF_TEXT) ? ItemText(item->pszText) : L""});
            InvalidateRect(window, nullptr, TRUE);
            return static_cast<LRESULT>(at);
        }
        case LVM_SETITEMTEXTW: {
            const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
            if (item == nullptr || wParam >= rows.size() || item->iSubItem < 0 || item->iSubItem > 255) return FALSE;
            auto& row = rows[wParam];
            if (row.size() <= static_cast<size_t>(item->iSubItem)) row.resize(static_cast<size_t>(item->iSubItem) + 1);
            row[static_cast<size_t>(item->iSubItem)] = ItemText(item->pszText);
            InvalidateRect(window, nullptr, TRUE);
            return TRUE;
        }
        case LVM_GETITEMTEXTW: {
            auto* item = reinterpret_cast<LVITEMW*>(lParam);
            if (item == nullptr || item->pszText == nullptr || item->cchTextMax <= 0) return 0;
            item->pszText[0] = 0;
            if (wParam >= rows.size() || item->iSubItem < 0 ||
                static_cast<size_t>(item->iSubItem) >= rows[wParam].size())
                return 0;
            const std::wstring& text = rows[wParam][static_cast<size_t>(item->iSubItem)];
            size_t count = std::min(text.size(), static_cast<size_t>(item->cchTextMax - 1));
            std::wmemcpy(item->pszText, text.c_str(), count);
            item->pszText[count] = 0;
            return static_cast<LRESULT>(count);
        }
        case LVM_DELETEALLITEMS:
            rows.clear();
            InvalidateRect(window, nullptr, TRUE);
            return TRUE;
        case LVM_GETITEMCOUNT: return static_cast<LRESULT>(rows.size());
        case WM_ERASEBKGND: return 1;
        case WM_PAINT:
            Paint(window, [&](HDC dc, const RECT& client) {
                int lineHeight = BeginListPaint(dc, client, 4);
                int x = 1;
                for (size_t c = 0; c < data->columns.size(); ++c) {
                    RECT cell{x + 4, 1, x + data->columns[c].second, 1 + lineHeight};
                    DrawTextW(dc, data->columns[c].first.c_str(), -1, &cell, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
                    for (size_t r = 0; r < rows.size(); ++r) {
                        if (c >= rows[r].size()) continue;
                        RECT line{x + 4, 1 + static_cast<LONG>(r + 1) * lineHeight, x + data->columns[c].second,
                                  1 + static_cast<LONG>(r + 2) * lineHeight};
                        DrawTextW(dc, rows[r][c].c_str(), -1, &line, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
                    }
                    x += data->columns[c].second;
                }
            });
            return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT StaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETTEXT: {
            LRESULT result = DefWindowProcW(window, message, wParam, lParam);
            InvalidateRect(window, nullptr, TRUE);
            return result;
        }
        case WM_ERASEBKGND: return 1;
        case WM_PAINT:
            Paint(window, [&](HDC dc, const RECT& client) {
                FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                std::wstring text = TextOf(window);
                RECT area = client;
                DrawTextW(dc, text.c_str(), -1, &area, DT_WORDBREAK);
            });
            return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

void Register(const wchar_t* name, WNDPROC procedure, int background) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.lpszClassName = name;
    windowClass.hbrBackground =
        background >= 0 ? reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(background + 1)) : nullptr;
    RegisterClassExW(&windowClass);
}

}  // namespace

void RegisterSystemClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        Register(L"#32770", DialogClassProcedure, COLOR_3DFACE);
        Register(L"edit", EditProcedure, COLOR_WINDOW);
        Register(L"button", ButtonProcedure, COLOR_BTNFACE);
        Register(L"listbox", ListBoxProcedure, COLOR_WINDOW);
        Register(L"SysListView32", ListViewProcedure, COLOR_WINDOW);
        Register(L"static", StaticProcedure, COLOR_BTNFACE);
    });
}

}  // namespace platform
