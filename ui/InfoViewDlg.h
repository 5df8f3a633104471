// The debug info view: a plain modeless window ("Info View", dialog 189) for
// developers and testers, opened before the main dialog only when the debug
// ini file says [root] show_info_view=1. Its "Info" page is a table of the
// download parts, refreshed at most once a second from the engine's progress
// snapshots; its "Log" page lists every install-log line written while it is
// open. Nothing else depends on it; with the switch off none of it exists.
//
// Threads: the view lives on the thread that opened it (the program's main
// thread, whose modal loop serves it). UpdateInfoViewSegments and
// InfoViewLogSink may be called from any thread and never wait for that
// thread: they hand their rows and lines over under a lock and post a
// message, so a worker that logs while the main thread waits for it is not
// held up. OpenInfoView and CloseInfoView run on the view's thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/CommonDlg.h"

struct DownloadProgress;

class InfoViewDlg : public CommonDlg {
public:
    static constexpr int kDialogResource = 189;
    static constexpr int kListViewId = 1001;
    static constexpr int kLogListId = 1005;
    static constexpr int kInfoButtonId = 1006;
    static constexpr int kLogButtonId = 1007;

    InfoViewDlg() = default;
    ~InfoViewDlg() override = default;

    // The base's sizing and centring at the resource's size, the title, the
    // eight columns, an empty table; the table page is shown.
    int OnInitDialog(HWND hwnd) override;
    // The page buttons and the hand-over messages, then the base dispatcher.
    INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND GetListView() const { return m_listView; }
    HWND GetLogList() const { return m_logList; }

private:
    void ShowTablePage(bool table);
    void AddPendingLines();
    void ApplyPendingRows();

    HWND m_listView = nullptr;
    HWND m_logList = nullptr;
};

// Opens the view when the debug ini file asks for it (and no view is open yet).
// Always 1.
int OpenInfoView();
// The view's dialog procedure: binds a window to the one view object, which
// it creates at the window's first message when none exists.
INT_PTR InfoViewDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Refreshes the part table from a snapshot, at most once every 1000 ms; a
// null snapshot shows the total row alone. Does nothing without a view.
// Always 1.
int UpdateInfoViewSegments(const DownloadProgress* progress);
// The install log's sink: appends the line (ANSI code page) to the log page.
// Does nothing without a view. Always 1.
int InfoViewLogSink(const char* line);
// Closes and destroys the view's window and deletes the view; nothing when
// no view is open. Always 1.
int CloseInfoView();

// The open view's window, null when none is open (for tests and tools).
HWND GetInfoViewWindow();

// A byte count for the table: "%.2fMB" above 1,048,576, "%dByte" up to 1024,
// "%.2fKB" between. The text is cut to fit `length` characters with its NUL.
void FormatInfoBytes(std::uint64_t bytes, wchar_t* buffer, std::size_t length);
