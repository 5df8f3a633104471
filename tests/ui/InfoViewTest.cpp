// The debug info view: opened by the debug ini only, its part table with the
// once-a-second refresh, and the install log's lines on its log page.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "util/DownloadParts.h"
#include "platform/Win32.h"
#include "platform/windowing/TestDriver.h"
#include "tests/support/MachineFixture.h"
#include "ui/InfoViewDlg.h"
#include "util/Log.h"
#include "util/ShellPaths.h"

namespace {

class InfoViewTest : public testsupport::MachineTest {
protected:
    void TearDown() override {
        GetLog()->SetCallback(nullptr);
        CloseInfoView();
    }

    void WriteDebugIni(const std::string& text) {
        std::wstring path = GetDocumentsSubPath(L"", L"QovDebugConfig.ini", true);
        WriteHostFile(Host(path), text);
    }
};

// Runs the view on a thread of its own with a message loop, as the
// program's main thread serves it inside the main dialog's modal loop.
class ViewThread {
public:
    ViewThread()
        : m_driver([this] {
              OpenInfoView();
              m_window = GetInfoViewWindow();
              m_opened = true;
              MSG message;
              while (GetMessageW(&message, nullptr, 0, 0) > 0) {
                  if (m_window == nullptr || !IsDialogMessageW(m_window, &message)) {
                      TranslateMessage(&message);
                      DispatchMessageW(&message);
                  }
              }
              CloseInfoView();
          }) {
        while (!m_opened) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~ViewThread() {
        PostThreadMessageW(m_driver.ThreadId(), WM_QUIT, 0, 0);
        m_driver.WaitFinished();
    }

    HWND Window() const { return m_window; }
    HWND Item(int id) const { return GetDlgItem(m_window, id); }
    platform::DialogDriver& Driver() { return m_driver; }
    bool Idle() { return m_driver.WaitIdle(); }

    // Cells of the part table, read on the view's thread.
    std::vector<std::vector<std::wstring>> Table() const {
        std::vector<std::vector<std::wstring>> rows;
        HWND list = Item(InfoViewDlg::kListViewId);
        LRESULT count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
        for (LRESULT row = 0; row < count; ++row) {
            std::vector<std::wstring> cells;
            for (int column = 0; column < 8; ++column) {
                wchar_t text[256] = {};
                LVITEMW item{};
                item.iSubItem = column;
                item.pszText = text;
                item.cchTextMax = 256;
                SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
                cells.push_back(text);
            }
            rows.push_back(cells);
        }
        return rows;
    }
    std::vector<std::wstring> LogLines() const {
        std::vector<std::wstring> lines;
        HWND list = Item(InfoViewDlg::kLogListId);
        LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[512] = {};
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            lines.push_back(text);
        }
        return lines;
    }

private:
    std::atomic<bool> m_opened{false};
    HWND m_window = nullptr;
    platform::DialogDriver m_driver;
};

DownloadItem Part(int id, std::uint64_t start, std::uint64_t pos, std::uint64_t end, int speed, int status,
                  const char* url) {
    DownloadItem item;
    item.id = id;
    item.start = start;
    item.pos = pos;
    item.end = end;
    item.speed = speed;
    item.status = status;
    item.url = url;
    return item;
}

TEST(InfoViewBytes, FormatsByMagnitude) {
    struct Case {
        std::uint64_t bytes;
        const wchar_t* text;
    };
    const Case cases[] = {
        {0, L"0Byte"},
        {1024, L"1024Byte"},
        {1025, L"1.00KB"},
        {524288, L"512.00KB"},
        {1048576, L"1024.00KB"},
        {1048577, L"1.00MB"},
        {5368709120ull, L"5120.00MB"},  // past 4 GiB: the whole 64-bit count
    };
    for (const Case& tc : cases) {
        wchar_t buffer[32];
        FormatInfoBytes(tc.bytes, buffer, 32);
        EXPECT_STREQ(buffer, tc.text) << tc.bytes;
    }
    wchar_t small[5];
    FormatInfoBytes(1024, small, 5);
    EXPECT_EQ(std::wcslen(small), 4u);  // cut, still terminated
}

TEST_F(InfoViewTest, OpensOnlyWhenTheDebugIniAsks) {
    struct Case {
        const char* ini;  // null: no file
        bool opens;
    };
    const Case cases[] = {
        {nullptr, false},
        {"[root]\r\nshow_info_view=0\r\n", false},
        {"[root]\r\nshow_info_view=2\r\n", false},
        {"[other]\r\nshow_info_view=1\r\n", false},
        {"[root]\r\nshow_info_view=1\r\n", true},
    };
    for (const Case& tc : cases) {
        SCOPED_TRACE(tc.ini != nullptr ? tc.ini : "no file");
        if (tc.ini != nullptr) WriteDebugIni(tc.ini);
        if (!tc.opens) {
            EXPECT_EQ(OpenInfoView(), 1);
            EXPECT_EQ(GetInfoViewWindow(), nullptr);
            EXPECT_EQ(InfoViewLogSink("nothing to see\n"), 1);
            EXPECT_EQ(UpdateInfoViewSegments(nullptr), 1);
            EXPECT_EQ(CloseInfoView(), 1);
            continue;
        }
        ViewThread view;
        ASSERT_NE(view.Window(), nullptr);
        EXPECT_TRUE(IsWindowVisible(view.Window()));
        wchar_t title[64] = {};
        GetWindowTextW(view.Window(), title, 64);
        EXPECT_STREQ(title, L"Info View");
        // The table page first, with its eight columns.
        EXPECT_TRUE(IsWindowVisible(view.Item(InfoViewDlg::kListViewId)));
        EXPECT_FALSE(IsWindowVisible(view.Item(InfoViewDlg::kLogListId)));
        EXPECT_EQ(SendMessageW(view.Item(InfoViewDlg::kListViewId), LVM_GETCOLUMNWIDTH, 7, 0), 450);
        // A second open keeps the one view.
        HWND first = view.Window();
        EXPECT_EQ(OpenInfoView(), 1);
        EXPECT_EQ(GetInfoViewWindow(), first);
    }
}

TEST_F(InfoViewTest, TableShowsThePartsAndRefreshesOncePerSecond) {
    WriteDebugIni("[root]\r\nshow_info_view=1\r\n");
    ViewThread view;
    ASSERT_NE(view.Window(), nullptr);

    DownloadProgress first;
    first.items[2] = Part(2, 1048576, 1048576 + 3 * 1024 * 1024 / 2, 3145727, 2048, E_Status_Runing, "http://a.test/p");
    first.items[1] = Part(1, 0, 524288, 1048575, 600000, E_Status_Runing, "http://b.test/p");
    first.items[3] = Part(3, 3145728, 3145728, 3145728 + 1023, 1000, E_Status_Succeed, nullptr);
    // The machine clock runs in real time plus the test's offset: the "nothing
    // changes" check below only holds when less than half a second really passed.
    const auto firstRefresh = std::chrono::steady_clock::now();
    EXPECT_EQ(UpdateInfoViewSegments(&first), 1);
    ASSERT_TRUE(view.Idle());
    auto rows = view.Table();
    ASSERT_EQ(rows.size(), 4u);
    const std::vector<std::wstring> partOne = {L"1",     L"0Byte",      L"1024.00KB",       L"512.00KB",
                                               L"50.00", L"585.94KB/s", L"E_Status_Runing", L"http://b.test/p"};
    EXPECT_EQ(rows[0], partOne);
    EXPECT_EQ(rows[1][0], L"2");
    EXPECT_EQ(rows[1][4], L"75.00");
    EXPECT_EQ(rows[2][3], L"0Byte");
    EXPECT_EQ(rows[2][6], L"E_Status_Succeed");
    EXPECT_EQ(rows[2][7], L"");
    // Only running parts count toward the total.
    EXPECT_EQ(rows[3][0], L"Total Speed:");
    EXPECT_EQ(rows[3][1], L"587.94KB");
    ASSERT_TRUE(view.Driver().SavePng("info-view.png", view.Window()));

    // 500 ms later nothing changes; 1000 ms after the first refresh it does.
    DownloadProgress empty;
    platform::AdvanceClock(500);
    UpdateInfoViewSegments(&empty);
    ASSERT_TRUE(view.Idle());
    if (std::chrono::steady_clock::now() - firstRefresh < std::chrono::milliseconds(450)) {
        EXPECT_EQ(view.Table().size(), 4u);
    }
    platform::AdvanceClock(500);
    UpdateInfoViewSegments(&empty);
    ASSERT_TRUE(view.Idle());
    rows = view.Table();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], L"Total Speed:");
    EXPECT_EQ(rows[0][1], L"0Byte");
    // No snapshot at all: the total row alone, not one more row each second.
    platform::AdvanceClock(1000);
    UpdateInfoViewSegments(nullptr);
    platform::AdvanceClock(1000);
    UpdateInfoViewSegments(nullptr);
    ASSERT_TRUE(view.Idle());
    EXPECT_EQ(view.Table().size(), 1u);
}

TEST_F(InfoViewTest, LogPageListsEveryLineInOrder) {
    WriteDebugIni("[root]\r\nshow_info_view=1\r\n");
    ViewThread view;
    ASSERT_NE(view.Window(), nullptr);
    GetLog()->SetCallback(&InfoViewLogSink);
    WriteLog("Setup Init. Version %s\n", "1.0.7.2");
    // Lines from other threads arrive whole; each thread's lines keep their order.
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([t] {
            for (int i = 0; i < 50; ++i) WriteLog("writer %d line %d\n", t, i);
        });
    for (std::thread& writer : writers) writer.join();
    ASSERT_TRUE(view.Idle());
    SendMessageW(view.Window(), WM_COMMAND, InfoViewDlg::kLogButtonId, 0);
    EXPECT_FALSE(IsWindowVisible(view.Item(InfoViewDlg::kListViewId)));
    EXPECT_TRUE(IsWindowVisible(view.Item(InfoViewDlg::kLogListId)));
    auto lines = view.LogLines();
    ASSERT_EQ(lines.size(), 201u);
    EXPECT_EQ(lines[0], L"Setup Init. Version 1.0.7.2\n");
    int next[4] = {0, 0, 0, 0};
    for (size_t i = 1; i < lines.size(); ++i) {
        int t = -1, n = -1;
        ASSERT_EQ(std::swscanf(lines[i].c_str(), L"writer %d line %d", &t, &n), 2) << i;
        ASSERT_GE(t, 0);
        ASSERT_LT(t, 4);
        EXPECT_EQ(n, next[t]++);
    }
    SendMessageW(view.Window(), WM_COMMAND, InfoViewDlg::kInfoButtonId, 0);
    EXPECT_TRUE(IsWindowVisible(view.Item(InfoViewDlg::kListViewId)));
    EXPECT_FALSE(IsWindowVisible(view.Item(InfoViewDlg::kLogListId)));
}

// A worker that logs while the view's thread waits for it is not held up:
// its lines wait until that thread serves its messages again.
TEST_F(InfoViewTest, LoggingWorkerNeverWaitsForTheViewThread) {
    WriteDebugIni("[root]\r\nshow_info_view=1\r\n");
    std::atomic<bool> done{false};
    size_t shown = 0;
    std::thread viewThread([&] {
        OpenInfoView();
        HWND window = GetInfoViewWindow();
        if (window == nullptr) return;
        // The view's thread blocks in a join, serving no messages.
        std::thread worker([] {
            for (int i = 0; i < 100; ++i) InfoViewLogSink("worker line\n");
        });
        worker.join();
        done = true;
        MSG message;
        for (int round = 0; round < 100; ++round) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            shown = static_cast<size_t>(SendMessageW(GetDlgItem(window, InfoViewDlg::kLogListId), LB_GETCOUNT, 0, 0));
            if (shown == 100) break;
            Sleep(5);
        }
        CloseInfoView();
        EXPECT_FALSE(IsWindow(window));
    });
    viewThread.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(shown, 100u);
    // Closed: the sink and the refresh do nothing, and the view opens again.
    EXPECT_EQ(GetInfoViewWindow(), nullptr);
    EXPECT_EQ(InfoViewLogSink("after close\n"), 1);
    ViewThread again;
    EXPECT_NE(again.Window(), nullptr);
    ASSERT_TRUE(again.Idle());
    EXPECT_TRUE(again.LogLines().empty());
}

}  // namespace
