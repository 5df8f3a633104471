#include "ui/InfoViewDlg.h"

#include <array>
#include <cstdio>
#include <cwchar>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "util/DownloadParts.h"
#include "platform/Win32.h"
#include "util/DebugConfig.h"
#include "util/StringConvert.h"

namespace {

constexpr UINT kAddLinesMessage = WM_APP + 0x106;   // log lines wait in the hand-over
constexpr UINT kApplyRowsMessage = WM_APP + 0x107;  // a refreshed table waits in the hand-over
constexpr DWORD kRefreshIntervalMs = 1000;
// Lines logged while the view's thread is busy wait here; past this many the
// oldest are dropped, so a stalled view cannot grow the program's memory.
constexpr size_t kMaxPendingLines = 20000;

constexpr int kColumnCount = 8;
using Row = std::array<std::wstring, kColumnCount>;

struct Column {
    const wchar_t* title;
    int width;
};
const Column kColumns[kColumnCount] = {
    {L"Num", 100}, {L"Start", 100}, {L"End", 100},    {L"Current", 100},
    {L"Rate", 50}, {L"Speed", 100}, {L"Status", 150}, {L"Url", 450},
};

// Everything that other threads reach, under one lock. The view object itself
// is only touched on its own thread; other threads read `window` and post.
struct ViewState {
    std::mutex lock;
    InfoViewDlg* view = nullptr;  // the one view object
    HWND window = nullptr;        // its window, once its lists exist
    std::deque<std::wstring> lines;
    bool linesPosted = false;
    std::vector<Row> rows;
    bool rowsPending = false;
    bool rowsPosted = false;
    bool refreshed = false;  // the first refresh is never held back
    DWORD lastRefreshTick = 0;
};

ViewState& State() {
    static ViewState* state = new ViewState();  // outlives every thread that logs
    return *state;
}

std::wstring Bytes(std::uint64_t bytes) {
    wchar_t buffer[64];
    FormatInfoBytes(bytes, buffer, sizeof buffer / sizeof buffer[0]);
    return buffer;
}

std::wstring Widen(const char* text) {
    std::wstring wide;
    AnsiToWide(text != nullptr ? text : "", wide);
    return wide;
}

Row PartRow(const DownloadItem& item) {
    // The end is inclusive; an empty or inverted range shows 0 until written.
    std::uint64_t written = item.pos > item.start ? item.pos - item.start : 0;
    double rate = 0.0;
    if (item.end > item.start) rate = static_cast<float>(written) * 100.0f / static_cast<float>(item.end - item.start);
    else if (written > 0) rate = 100.0;
    wchar_t text[64];
    Row row;
    std::swprintf(text, 64, L"%d", item.id);
    row[0] = text;
    row[1] = Bytes(item.start);
    row[2] = Bytes(item.end);
    row[3] = Bytes(written);
    std::swprintf(text, 64, L"%.2f", rate);
    row[4] = text;
    row[5] = Bytes(item.speed > 0 ? static_cast<std::uint64_t>(item.speed) : 0) + L"/s";
    row[6] = Widen(GetDownloadItemStatusName(item.status));
    row[7] = Widen(item.url);
    return row;
}

std::vector<Row> TableRows(const DownloadProgress* progress) {
    std::vector<Row> rows;
    std::uint64_t totalSpeed = 0;
    if (progress != nullptr) {
        for (const auto& [id, item] : progress->items) {  // ascending part id
            rows.push_back(PartRow(item));
            if (item.status == E_Status_Runing && item.speed > 0) totalSpeed += static_cast<std::uint64_t>(item.speed);
        }
    }
    Row total;
    total[0] = L"Total Speed:";
    total[1] = Bytes(totalSpeed);
    rows.push_back(total);
    return rows;
}

}  // namespace

void FormatInfoBytes(std::uint64_t bytes, wchar_t* buffer, std::size_t length) {
    if (buffer == nullptr || length == 0) return;
    std::wmemset(buffer, 0, length);
    if (bytes > 1048576) std::swprintf(buffer, length, L"%.2fMB", static_cast<double>(bytes) / 1048576.0);
    else if (bytes <= 1024) std::swprintf(buffer, length, L"%dByte", static_cast<int>(bytes));
    else std::swprintf(buffer, length, L"%.2fKB", static_cast<double>(bytes) / 1024.0);
    buffer[length - 1] = 0;  // swprintf leaves a cut text without its NUL on some runtimes
}

int InfoViewDlg::OnInitDialog(HWND hwnd) {
    CommonDlg::OnInitDialog(hwnd);
    SetWindowTextW(hwnd, L"Info View");
    m_listView = GetDlgItem(hwnd, kListViewId);
    m_logList = GetDlgItem(hwnd, kLogListId);
    if (m_listView != nullptr) {
        for (int i = 0; i < kColumnCount; ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
            column.fmt = LVCFMT_LEFT;
            column.cx = kColumns[i].width;
            column.pszText = const_cast<LPWSTR>(kColumns[i].title);
            SendMessageW(m_listView, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&column));
        }
        SendMessageW(m_listView, LVM_DELETEALLITEMS, 0, 0);
    }
    ShowTablePage(true);
    // From now on other threads hand lines and rows to this window; without
    // both lists (the dialog came up incomplete) they have nowhere to go.
    if (m_listView != nullptr && m_logList != nullptr) {
        ViewState& state = State();
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.view == this) state.window = hwnd;
    }
    return 1;
}

void InfoViewDlg::ShowTablePage(bool table) {
    if (m_listView != nullptr) ShowWindow(m_listView, table ? SW_SHOW : SW_HIDE);
    if (m_logList != nullptr) ShowWindow(m_logList, table ? SW_HIDE : SW_SHOW);
}

void InfoViewDlg::AddPendingLines() {
    std::deque<std::wstring> lines;
    {
        ViewState& state = State();
        std::lock_guard<std::mutex> guard(state.lock);
        lines.swap(state.lines);
        state.linesPosted = false;
    }
    if (m_logList == nullptr) return;
    for (const std::wstring& line : lines)
        SendMessageW(m_logList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

void InfoViewDlg::ApplyPendingRows() {
    std::vector<Row> rows;
    {
        ViewState& state = State();
        std::lock_guard<std::mutex> guard(state.lock);
        state.rowsPosted = false;
        if (!state.rowsPending) return;
        rows.swap(state.rows);
        state.rowsPending = false;
    }
    if (m_listView == nullptr) return;
    SendMessageW(m_listView, LVM_DELETEALLITEMS, 0, 0);
    for (size_t index = 0; index < rows.size(); ++index) {
        const Row& row = rows[index];
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(index);
        item.pszText = const_cast<LPWSTR>(row[0].c_str());
        LRESULT at = SendMessageW(m_listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        if (at < 0) break;  // the list is full
        for (int column = 1; column < kColumnCount; ++column) {
            if (row[column].empty()) continue;
            LVITEMW cell{};
            cell.mask = LVIF_TEXT;
            cell.iItem = static_cast<int>(at);
            cell.iSubItem = column;
            cell.pszText = const_cast<LPWSTR>(row[column].c_str());
            SendMessageW(m_listView, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&cell));
        }
    }
}

INT_PTR InfoViewDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kAddLinesMessage) {
        AddPendingLines();
        return TRUE;
    }
    if (message == kApplyRowsMessage) {
        ApplyPendingRows();
        return TRUE;
    }
    if (message == WM_COMMAND && wParam == static_cast<WPARAM>(kInfoButtonId)) ShowTablePage(true);
    if (message == WM_COMMAND && wParam == static_cast<WPARAM>(kLogButtonId)) ShowTablePage(false);
    return CommonDlg::DialogProc(hwnd, message, wParam, lParam);
}

INT_PTR InfoViewDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* view = reinterpret_cast<InfoViewDlg*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (view == nullptr) {
        // The view comes into being with its window's first message. There is
        // only one: a window that finds another view in place gets none.
        ViewState& state = State();
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.view != nullptr) return FALSE;
        view = new InfoViewDlg();
        state.view = view;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
    }
    return view->DialogProc(hwnd, message, wParam, lParam);
}

int OpenInfoView() {
    if (!GetDebugConfigFlag(L"root", L"show_info_view")) return 1;
    {
        ViewState& state = State();
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.view != nullptr) return 1;
    }
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(InfoViewDlg::kDialogResource), nullptr,
                                   &InfoViewDlgProc, 0);
    if (hwnd == nullptr) return 1;  // nothing shown; a view without lists ignores the log and the table
    RECT window{};
    GetWindowRect(hwnd, &window);
    int x = (GetSystemMetrics(SM_CXSCREEN) - (window.right - window.left)) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - (window.bottom - window.top)) / 2;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_SHOWWINDOW | SWP_NOSIZE);
    ShowWindow(hwnd, SW_SHOW);
    return 1;
}

int UpdateInfoViewSegments(const DownloadProgress* progress) {
    ViewState& state = State();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.view == nullptr || state.window == nullptr) return 1;
        DWORD now = GetTickCount();
        if (state.refreshed && now - state.lastRefreshTick < kRefreshIntervalMs) return 1;
        state.refreshed = true;
        state.lastRefreshTick = now;
    }
    std::vector<Row> rows = TableRows(progress);
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.window == nullptr) return 1;  // closed meanwhile
    state.rows = std::move(rows);
    state.rowsPending = true;
    if (!state.rowsPosted) state.rowsPosted = PostMessageW(state.window, kApplyRowsMessage, 0, 0) != FALSE;
    return 1;
}

int InfoViewLogSink(const char* line) {
    if (line == nullptr) return 1;
    ViewState& state = State();
    {
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.window == nullptr) return 1;
    }
    std::wstring wide = Widen(line);
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.window == nullptr) return 1;
    if (state.lines.size() >= kMaxPendingLines) state.lines.pop_front();
    state.lines.push_back(std::move(wide));
    if (!state.linesPosted) state.linesPosted = PostMessageW(state.window, kAddLinesMessage, 0, 0) != FALSE;
    return 1;
}

HWND GetInfoViewWindow() {
    ViewState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.view != nullptr ? state.view->GetHwnd() : nullptr;
}

int CloseInfoView() {
    InfoViewDlg* view = nullptr;
    {
        ViewState& state = State();
        std::lock_guard<std::mutex> guard(state.lock);
        view = state.view;
        state.view = nullptr;
        state.window = nullptr;
        state.lines.clear();
        state.linesPosted = false;
        state.rows.clear();
        state.rowsPending = false;
        state.rowsPosted = false;
        state.refreshed = false;
        state.lastRefreshTick = 0;
    }
    if (view == nullptr) return 1;
    HWND hwnd = view->GetHwnd();
    if (hwnd != nullptr && IsWindow(hwnd)) {
        view->Close();  // ends the dialog, which hides a modeless one
        // A modeless dialog stays a window after it ends; the view takes its
        // window with it, so no message reaches a deleted object.
        DestroyWindow(hwnd);
    }
    delete view;
    return 1;
}
