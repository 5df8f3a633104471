// The main dialog: the one window of the program, a skinned modal dialog on
// template 130 that shows the welcome page with its 30-second countdown, the
// busy page (download ring, then the install animation), the finished page
// and the failed page with "Try Again".
//
// The program runs it as WebsiteSmallDownloader (WebsiteSmallDownloader.h).
// The files of the class, by concern: SetupDlg.cpp (object, initialisation,
// dispatch, commands, timers, close), SetupDlgLayout.cpp (controls and page
// table), SetupDlgIdentity.cpp (product identity and earlier installs),
// SetupDlgInstall.cpp (install button, pre-checks, worker), FrameRenderer.cpp
// (animation frames) and PagePainters.cpp (the painters of the pages).
//
// Threads and what they share (the one place this is stated):
//  - The dialog's thread runs every handler, the timers and the close path.
//    The repaint thread paints (10 ms on the busy page, 200 ms otherwise), the
//    render thread composes animation frames, the install worker downloads and
//    runs the package, the download engine's threads report events, and short
//    report threads run the start report, the install-folder scan and the
//    close statistics.
//  - Page state, animation mode, install progress, download percent and every
//    run flag are atomics. The range-error report starts at most once: its
//    pending flag is taken with one exchange.
//  - One recursive UI lock (m_uiLock) covers painting, the control lists,
//    mouse dispatch, UpdateCtrlStatus, ShowOptionsPanel and every change to a
//    control's look. It is never held across SendMessage (so not across a
//    control's click, which sends WM_COMMAND), a message box or a wait.
//  - The downloader that the painter reads is shared ownership under its own
//    mutex: the worker clears the member before it lets go of the engine, and
//    the engine is released when the last snapshot goes.
//  - The close reason has a lock of its own (CloseReason.h).
//  - Every thread the dialog starts is joined by the close path, with bounded
//    waits that keep serving messages sent to the dialog.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/IDownloader.h"
#include "platform/Win32.h"
#include "setup/FrameTypes.h"
#include "setup/IProductConfig.h"
#include "setup/IconSettings.h"
#include "setup/InstallSteps.h"
#include "setup/InstallTypeDetector.h"
#include "setup/SetupInfoBlock.h"
#include "stats/InstallStatsReport.h"
#include "ui/BMData.h"
#include "ui/ButtonColorWithTitleCtrl.h"
#include "ui/ButtonCtrlEx.h"
#include "ui/CheckButtonCtrl.h"
#include "ui/CommonDlg.h"
#include "ui/ProcessCtrl.h"
#include "ui/StaticCtrl.h"
#include "ui/WndShadow.h"

// Page states of the compact layout.
enum SetupPageState : int {
    PAGE_WELCOME = 0,   // install button, countdown, options toggle; goes to 1 on install
    PAGE_BUSY = 1,      // download ring, then the install animation; goes to 2 or 3
    PAGE_FINISHED = 2,  // finish button; the dialog ends from here
    PAGE_FAILED = 3,    // "Try Again"; goes to 1 on the button
    // The large layout (a dialog in the uninstall mode whose product asks for it).
    PAGE_SURVEY = 4,            // why the user uninstalls; Continue goes to 5
    PAGE_UNINSTALLING = 5,      // the remaining time counts down
    PAGE_UNINSTALLED = 6,       // the result page, "Uninstall Successfully!"
    PAGE_UNINSTALL_FAILED = 7,  // the result page, "Uninstall failed!"
};

// Animation modes of the frame renderer.
enum SetupAnimationMode : int {
    ANIMATION_INSTALL = 1,      // ripples and the reveal circle of the install phase
    ANIMATION_INSTALL_ALT = 2,  // the same composer
    ANIMATION_FINISH = 3,       // the finish overlay
    ANIMATION_RING = 4,         // the empty ring of the start frames
};

// Control commands.
constexpr int IDC_SETUP_CLOSE = 1612;
constexpr int IDC_SETUP_MINIMIZE = 1613;
constexpr int IDC_SETUP_INSTALL = 1614;
constexpr int IDC_SETUP_CUSTOM = 1615;
constexpr int IDC_SETUP_LICENSE = 1616;
constexpr int IDC_SETUP_LICENSE_LINK = 1617;
constexpr int IDC_SETUP_BROWSE = 1619;
constexpr int IDC_SETUP_DESKTOP = 1620;
constexpr int IDC_SETUP_JOIN = 1622;
constexpr int IDC_SETUP_PROGRAMME_LINK = 1623;
constexpr int IDC_SETUP_KEEP_DATA = 1624;
constexpr int IDC_SETUP_UNINSTALL = 1625;
constexpr int IDC_SETUP_CLOSE_OTHER = 1626;
constexpr int IDC_SETUP_CLOSE_THIRD = 1627;
constexpr int IDC_SETUP_RUN_AFTER = 1631;
// The large layout's rows: one command each, told apart by the sender's id.
constexpr int IDC_SETUP_SURVEY_ROW = 1000;     // check box 1000 + text id, button or link 1100 + text id
constexpr int IDC_SETUP_MORE_APPS_ROW = 2000;  // row i has the id 2001 + i

// Timers.
constexpr UINT_PTR TIMER_AUTO_START = 1;
constexpr UINT_PTR TIMER_UNINSTALL_COUNTDOWN = 100;
constexpr UINT_PTR TIMER_PACKAGE_PROGRESS = 101;

// Posted by the install worker: the dialog's own thread sets (wParam 1) or
// kills (wParam 0) the package progress timer, since a window's timers can
// only be set by the thread that owns the window.
constexpr UINT WM_SETUP_PROGRESS_TIMER = WM_APP + 2;

// The progress channel's mapping size, and the longest text read from it.
constexpr DWORD kProgressChannelSize = 4096;

// What happened to the elevation prompt of the package run; the close
// statistics send it.
struct ElevationRecord {
    std::atomic<bool> asked{false};           // a run was attempted
    std::atomic<bool> callReturned{false};    // the shell start returned
    std::atomic<bool> processStarted{false};  // the package runs
    std::atomic<bool> declined{false};        // the user declined elevation
    std::atomic<bool> continueChosen{false};  // and then chose "Continue"
};

// Thread entries; each takes the dialog and returns 0 (a null dialog: at
// once; the install worker then returns -1).
DWORD RepaintThreadProc(LPVOID dialog);
DWORD RenderThreadProc(LPVOID dialog);
DWORD InstallThreadProc(LPVOID dialog);
DWORD CloseStatsThreadProc(LPVOID dialog);
DWORD ScanInstallDirThreadProc(LPVOID dialog);
DWORD StartReportThreadProc(LPVOID report);
// The range-error report: takes the install report (an InstallStatsReport*).
DWORD RangeErrorReportThreadProc(LPVOID report);

struct DialogCloseState;

// One row of the large layout's survey: its check box, its record, the area
// the relayout gave it (left, top, right, bottom) and the parts its flags
// name (null when not named): description, button, link and edit box.
struct SurveyRowEntry {
    CheckButtonCtrlEx* checkBox = nullptr;
    SurveyRow record;
    int area[4] = {};
    StaticCtrl* description = nullptr;
    ButtonCtrlEx* button = nullptr;
    HyLinkCtrlEx* link = nullptr;
    HWND editBox = nullptr;
    int editRect[4] = {};
};

// Survey record flags.
constexpr int SURVEY_EDIT = 1;
constexpr int SURVEY_DESCRIPTION = 2;
constexpr int SURVEY_BUTTON = 4;
constexpr int SURVEY_LINK = 8;

// One row of the large layout's more-apps list.
struct MoreAppsRowEntry {
    ButtonColorWithTitleCtrl* control = nullptr;
    std::wstring url;
};

class SetupDlg : public CommonDlg {
public:
    static constexpr int kDesignWidth = 622;
    static constexpr int kDesignHeight = 405;
    static constexpr int kPanelHeight = 175;
    static constexpr int kLargeWidth = 750;
    static constexpr int kLargeHeight = 568;

    SetupDlg();
    ~SetupDlg() override;

    // --- CommonDlg handlers ---
    int OnInitDialog(HWND hwnd) override;
    int OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    int OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;
    void OnCreate() override;

    // --- Virtual operations ---
    virtual void OnTimer(UINT_PTR timerId);
    virtual bool IsNewInstallByRegistry();
    virtual int OnClose();
    // The close statistics; signals the close-statistics-done flag at the end.
    virtual void SendCloseStatistics();
    // The install-folder scan; signals the scan-done flag at the end.
    virtual void ScanInstallDir();
    // Before files are replaced (the local-package road); true to go on.
    virtual bool BeforeInstall(const std::wstring& installPath, bool& restartNeeded);
    // --- Local-package road (LocalInstall.cpp) ---
    // Unpacks the package into the install folder with progress; UnpackPackage's result.
    virtual HRESULT InstallFile(const std::wstring& packagePath, const std::wstring& installPath);
    // Shortcuts, finish page, the product's "/install" run and the uninstall entry.
    virtual void AfterInstall(int isNew, bool hasOld);
    virtual void CreateIcons(const IconSettings& settings);
    // Runs folder\executable elevated with "/install ..." and waits up to 180 s;
    // false when the program is missing.
    virtual bool RunMainExeInstall(const std::wstring& folder, const std::wstring& executable, bool isNew,
                                   bool& restartNeeded);
    virtual void WriteUninstallEntry();
    // --- Uninstall workflow (UninstallWork.cpp) ---
    // On the uninstall thread: the main program with "/uninstall" (or
    // "/full_uninstall" without keep-data), the install folder (only when it
    // is the product's), shortcuts, the entry and, when asked, the user data.
    virtual void UninstallWork();
    // 0 reset, 1 done, 2 the failure box, 3 value (0..100); the third argument is ignored.
    int SetUninstallProgress(int mode, int value, void* unused);
    // Runs the main program elevated with the uninstall parameter; false when it is missing.
    virtual bool RunUninstaller(bool full, const std::wstring& folder, const std::wstring& executable,
                                bool& restartNeeded);
    virtual void DeleteFiles(const std::wstring& folder);
    int GetUninstallProgress() const { return m_uninstallProgress.load(); }
    bool IsUninstallDone() const { return m_uninstallDone.load(); }
    // --- Uninstall page (UninstallLayout.cpp, UninstallPage.cpp) ---
    // The uninstall button (1625), and the start of a silent uninstall.
    void OnBtnUninstall();
    // The uninstall layout's controls: a dialog without the compact flag
    // (the uninstall mode) builds them instead of the compact layout.
    void CreateUninstallLayout();
    void PaintUninstallPage();
    // --- Large layout (LargeLayout.cpp, SurveyPage.cpp, UninstallPages.cpp,
    // LargeLayoutPainters.cpp): the uninstall mode of a product that asks for it ---
    bool IsLargeLayout() const { return m_large.load(); }
    void CreateLargeLayout();
    void CreateSurveyPage();
    void CreateUninstallPages();
    // The large layout's page table (pages 4 to 7).
    void UpdateLargeLayoutPage(int pageState);
    void ShowSurveyPage(bool show);
    void ShowUninstallingPage(bool show);
    void ShowResultPage(bool show);
    // Commands 1000 and 2000, with the sending control's id.
    void OnSurveyCommand(int id);
    void OnMoreAppsCommand(int id);
    // Places the survey rows and their parts and sizes the panel under them.
    void RelayoutSurvey();
    void PaintSurveyPage();
    void PaintUninstallPages();
    int UninstallEstimate() const { return m_uninstallEstimate; }
    // Copies for tests (under the UI lock).
    std::vector<SurveyRowEntry> SurveyRows();
    std::vector<MoreAppsRowEntry> MoreAppsRows();
    RECT SurveyPanel();
    ButtonCtrlEx* ContinueButton() { return m_large ? m_uninstallButton : nullptr; }
    StaticCtrl* ResultLabel() { return m_resultLabel; }
    StaticCtrl* RemainingTimeLabel() { return m_remainingLabel; }
    ButtonCtrlEx* FinishButton() { return m_finishButton; }
    bool IsKeepData() const { return m_keepData.load(); }
    bool IsCompactLayout() const { return m_compact.load() != 0; }
    StaticCtrl* QuestionLabel() { return m_questionLabel; }
    CheckButtonCtrl* KeepDataBox() { return m_keepDataBox; }
    StaticCtrl* KeepDataLabel() { return m_keepDataLabel; }
    ButtonCtrlEx* UninstallButton() { return m_uninstallButton; }
    ButtonCtrlEx* CancelButton() { return m_cancelButton; }
    ProcessCtrl* UninstallBar() { return m_uninstallBar; }
    virtual void DeleteIcons(const std::wstring& keyName);
    virtual std::string GetProductDisplayName(std::string name);
    virtual std::string GetProductKeyName(std::string name);
    virtual std::string GetInfoProductName();
    virtual std::string FindOldInstallPath();
    virtual void PrepareInstallPath(const std::wstring& installPath, const std::wstring& mainExeName);
    virtual bool IsNewInstall(const std::wstring& installPath);
    virtual bool IsRestartExitCode(int exitCode);
    virtual bool HasOldVersion();
    virtual bool CheckSystem();
    virtual int GetOsSupportMask();
    virtual std::wstring GetDefaultInstallDir();
    virtual std::string GetRegisteredUserName();
    virtual int GetDisplayProgress(int progress);

    // --- Product identity helpers ---
    void KillProductProcesses(const std::wstring& pathFragment);
    void KillExtraProcesses(const std::wstring& pathFragment);
    // The OS class bit of a version (1 older, 2 Vista, 4 7, 8 8, 16 8.1,
    // 32 10, 64 11; 0 none).
    static int OsClassOf(unsigned major, unsigned minor, unsigned build);

    // --- Pages, controls and commands ---
    // Applies a page's control table (compact layout, pages 0-3).
    void UpdateCtrlStatus(int pageState);
    int CreateControls();
    void CreateOptionsPanel();
    void ShowOptionsPanel(bool show);
    std::wstring GetUiFontName();
    COLORREF GetBackgroundColor();
    void CloseWithReason(const std::string& reason);
    // WM_CLOSE to the dialog, sent from any thread.
    void SendClose();
    void OnBtnClose();
    void OnBtnMinimize();
    void OnBtnInstall();
    void OnBtnBrower();
    void OnCheckCustom();
    void OnCheckLicense();
    void OnCheckDesktop();
    void OnCheckJoin();
    void OnCheckRunAfter();
    bool LoadVersionInfo(std::string& version, std::string& text);
    void InitSetupInfo();
    void OnAutoStartTimer();
    void OnCountdownTimer();
    // The uninstall page's bar: (1 - counter / estimate) × 100 in floating
    // point, truncated; 0 for an estimate of 0 or less.
    static int CountdownPercent(int counter, int estimate);

    // --- Install road ---
    bool CheckBeforeInstall();
    void DoInstall();
    // The worker's road when the options record names a package file.
    void DoLocalInstall();
    // Hands the local install's end to the install report (when there is
    // one), with the unpack step's last error and the finish-page flag.
    void ReportLocalInstallEnd(bool success);
    // What the product's "/install" run is told.
    struct MainExeInstallTexts {
        bool silent = false;
        bool addPlan = false;     // the options record's plan flag (silent runs)
        bool joinTicked = false;  // the join box exists and is ticked
        std::string installId;
        bool isNew = false;
        std::string appFrom, option, source;
        int downloadSeconds = 0;
    };
    static std::wstring MainExeInstallArguments(const MainExeInstallTexts& texts);
    // The desktop shortcut of a local install: a silent run follows the
    // stored flags' bit 0, a visible one the box; the options record can veto.
    static bool DesktopShortcutWanted(bool silent, int configFlags, bool boxTicked, bool desktopOption);
    // The uninstall entry's "InstallDate": yyyymmdd from a year-first or a
    // day-first date of ten characters, "" when the date does not parse.
    static std::string InstallDateOf(const std::string& date);
    // 0 new, 1 reinstall, 2 overwrite (set at initialisation of the compact layout).
    int GetInstallType() const { return m_installType.load(); }
    int OnDownloadEvent(int event, int value, void* data);
    // Event 3's percentage of `value` bytes of a total passed as `data`, 0..100.
    static int ProgressPercent(int value, void* data);
    // The download's average speed in bytes per second: `done` bytes over
    // `elapsedMs`, truncated and held to 0..UINT32_MAX (0 ms gives 0).
    static std::uint32_t AverageSpeed(std::uint32_t done, DWORD elapsedMs);
    // Install progress: 0 reset, 1 done (1000, succeeded), 2 failed, 3 value
    // (0..1000), 100 value × 10.
    int SetInstallProgress(int mode, unsigned value);
    // The end of a package run: the finished page (started: the package ran).
    void EndPackageRun(bool started);

    // --- Package run and progress channel (PackageRun.cpp, ProgressChannel.cpp) ---
    // Runs the downloaded package elevated and silently, follows its progress
    // and shows the finished page; on the install worker.
    void RunPackage();
    // Starts the installed product with `arguments` and the option and source
    // pieces, unelevated.
    virtual void RunProduct(std::wstring arguments);
    // The thank-you page after a package run; nonzero when a page was opened.
    int ShowFinishWebPage(int newInstall, bool hasOldVersion);

    // --- Web pages and close statistics (WebPages.cpp, CloseStatistics.cpp) ---
    // The URL builders: each puts its parameters in front of the URL's query.
    std::string AppendClientParams(const std::string& url);
    std::string AppendPageParams(const std::string& url, bool popup, int kind, const std::string& extra);
    std::string AppendAppFrom(const std::string& url);
    // Commands 1617 and 1623: the privacy and the terms pages.
    void OpenPrivacyPage();
    void OpenTermsPage();
    // Creator side of the channel: a new zeroed 4096-byte mapping.
    bool CreateProgressChannel(std::wstring name);
    // The channel's text (at most 4095 characters), "" when no view is mapped.
    std::string ReadProgressChannel();
    void CloseProgressChannel();
    // Package side: opens the parent's channel.
    bool OpenProgressChannel(std::wstring name);
    void WriteProgressChannel(std::string text);
    // Timer 101: the package's progress from the channel.
    void OnProgressTimer();
    // The channel's name: the upper-case hex MD5 of the product name.
    static std::wstring ProgressChannelName(const std::string& productName);
    // "pos:<n>": true with n when the text is two pieces around ":" and the
    // second begins (after blanks) with a digit; n may still be above 1000.
    static bool ParseProgressText(const std::string& text, unsigned& value);
    // The package's command line after its program name.
    static std::wstring PackageArguments(const std::wstring& channelName, bool desktop, const std::wstring& installPath,
                                         const std::string& option, const std::string& source);
    // The option and source pieces of the product's command line.
    static std::wstring ProductArgumentPieces(const std::string& option, const std::string& source);
    const ElevationRecord& Elevation() const { return m_elevation; }
    // Starts of the package attempted so far (each reports its start).
    int PackageAttempts() const { return m_packageAttempts.load(); }
    bool IsPackageRun() const { return m_packageRun.load(); }
    bool IsFinishPageShown() const { return m_finishPage.load(); }
    bool HasProgressChannel();
    // The run's statistics report (null before the dialog's initialisation).
    std::shared_ptr<InstallStatsReport> InstallReport();
    // The download's results as the install report takes them.
    static DownloadResultInfo CollectDownloadResults(IDownloader& engine);
    // Makes the install report from the session's settings and starts the
    // start report (the dialog's initialisation).
    void CreateInstallReport();
    // The range-error report on a thread of its own.
    void StartRangeErrorReport();
    // Report threads still retrying give up (true) or may retry again (false).
    static void StopReportRetries(bool stop);
    // The steps every later install uses (tests hand in their own).
    void SetInstallSteps(std::shared_ptr<IInstallSteps> steps);
    // The engine the painters read; null when none.
    std::shared_ptr<IDownloader> DownloaderSnapshot();

    // --- Renderer and painters ---
    void RenderLoop();
    void ComposeStartFrame();
    void ComposeStaticFrame();
    void ComposeRippleFrame();
    void ComposeFinishFrame();
    // The download ring at `percent` into `frame` (W × H pixels).
    void ComposeProgressRing(std::uint32_t* frame, int percent);
    void PaintWelcomePage();
    void PaintDownloadPage(bool failed);
    void PaintInstallPage();
    void PaintFinishedPage();

    // --- The dialog's threads ---
    // Starts the render thread unless one runs; a finished one is joined first.
    void StartRenderThread();
    // Sets the stop flag and joins every thread the dialog started, waiting at
    // most `milliseconds` in all and serving sent messages meanwhile. True when
    // all have ended.
    bool StopThreads(DWORD milliseconds);
    // Threads of this dialog that still run.
    int RunningThreads();

    // --- State for callers and tests ---
    int GetPageState() const { return m_pageState.load(); }
    void SetPageState(int pageState);
    // Applies a page's table, then makes it the page state (worker side).
    void ShowPage(int pageState);
    int GetAnimationMode() const { return m_animationMode.load(); }
    // Changes the animation mode under the phase lock, so a start frame that
    // is about to reset the install progress sees the change first.
    void SetAnimationMode(int mode);
    int GetInstallProgress() const { return m_installProgress.load(); }
    int GetDownloadPercent() const { return m_downloadPercent.load(); }
    bool IsDownloadEnded() const { return m_downloadEnded.load(); }
    int GetOptionsFlags() const { return m_optionsFlags.load(); }
    std::wstring GetInstallPath();
    std::wstring GetPackagePath();
    std::string GetVersion();
    const SetupInfoBlock& GetSetupInfo() const { return m_setupInfo; }
    bool IsStopping() const { return m_stop.load(); }
    int FrameDpi() const { return m_dpi.load(); }
    // Paints done so far (any page), for tests that wait for a new picture.
    unsigned PaintCount() const { return m_paints.load(); }
    ButtonColorCtrlEx* InstallButton() { return m_installButton; }
    ButtonCtrlEx* CloseButton() { return m_closeButton; }
    ButtonCtrlEx* MinimizeButton() { return m_minimizeButton; }
    StaticCtrl* CountdownLabel() { return m_countdownLabel; }
    StaticCtrl* VersionLabel() { return m_versionLabel; }
    StaticCtrl* LogoPicture() { return m_logoPicture; }
    StaticCtrl* FinishLogoPicture() { return m_finishLogoPicture; }
    StaticCtrl* RingPicture() { return m_ringPicture; }
    CheckButtonCtrlEx* OptionsToggle() { return m_optionsToggle; }
    CheckButtonCtrlEx* LicenseBox() { return m_licenseBox; }
    CheckButtonCtrlEx* DesktopBox() { return m_desktopBox; }
    CheckButtonCtrlEx* JoinBox() { return m_joinBox; }
    CheckButtonCtrlEx* RunAfterBox() { return m_runAfterBox; }
    HWND EditBox() const { return m_editBox; }
    std::vector<CommonCtrl*> PaintList();
    std::vector<CommonCtrl*> InputList();
    // Renderer geometry (design pixels).
    POINT Centre() const { return POINT{m_centreX, m_centreY}; }
    POINT RingOrigin() const { return POINT{m_ringX, m_ringY}; }
    int OuterRadius() const { return m_outerRadius; }
    int InnerRadius() const { return m_innerRadius; }
    int RevealRadius() const { return m_revealRadius.load(); }
    // The reveal target at an install progress: (outer − 15) × p / 1000 + 15.
    int RevealTarget(int installProgress) const;
    // A copy of the work frame (W × H), for tests of the composers.
    std::vector<std::uint32_t> WorkFrame();

protected:
    // A control owned by the dialog, appended to the input or the paint list.
    template <typename Control>
    Control* AddControl(std::unique_ptr<Control> control, bool input);
    // A control owned by the dialog and in neither list (the survey rows' parts).
    template <typename Control>
    Control* OwnControl(std::unique_ptr<Control> control);
    // A skin bitmap; a missing one of the uninstall and large layouts is
    // replaced by a plain drawn one (null only for an id without either).
    HBITMAP Bitmap(UINT id);
    // A font of `pixels` at 96 DPI (the frames are composed in design pixels).
    HFONT MakeFaceFont(int pixels, bool bold, const std::wstring& face);
    // The uninstall and large layouts' button font: 12 px of the UI face for
    // a Japanese system, else 11 pt.
    HFONT MakeButtonFont();
    // The controls that take mouse input: the input list, then each survey
    // row's check box, button and link, then each more-apps row.
    std::vector<ButtonCtrlEx*> MouseControls();
    // The close button, the minimize button (left edge `minimizeLeft`, none
    // when negative), the two logo pictures and the version label of the
    // compact and uninstall layouts, in that order.
    void CreateTitleControls(int closeLeft, int minimizeLeft, COLORREF versionColour);
    HFONT MakeFont(int height, bool underline);
    void InitRenderer();
    // The pictures of the busy, finished and failed pages, loaded once.
    void LoadPageBitmaps();
    void StartThread(HANDLE& handle, DWORD (*procedure)(LPVOID));
    // The text of the edit box, at most 519 characters.
    std::wstring ReadEditText();
    void ApplyFinishButton();
    void ResetRipples();

    bool RenderCurrent(int generation) const;

    friend DWORD RepaintThreadProc(LPVOID);
    friend DWORD RenderThreadProc(LPVOID);
    friend DWORD InstallThreadProc(LPVOID);
    friend DWORD CloseStatsThreadProc(LPVOID);
    friend DWORD ScanInstallDirThreadProc(LPVOID);
    friend DWORD StartReportThreadProc(LPVOID);

    // The configured page URL with the version and every builder's parameters.
    std::string PageUrl(const std::string& configured, bool popup, int kind);
    // ShellExecuteW "open"; its result as an int.
    int OpenWebPage(const std::string& url);
    void OpenConfiguredPage(const std::string& configured, const char* caller);
    void FillElevationState(DialogCloseState& state);

    // --- Run state (atomics; see the header comment) ---
    std::atomic<int> m_dpi{96};
    std::atomic<unsigned> m_paints{0};
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_installSucceeded{1};
    std::atomic<int> m_animationMode{ANIMATION_RING};
    // Orders a mode change against the start frame's "still the ring? then
    // reset the progress" step; without it a late start frame could drop
    // the package's first progress value.
    std::mutex m_phaseLock;
    std::atomic<int> m_pageState{PAGE_WELCOME};
    std::atomic<bool> m_downloadEnded{false};
    std::atomic<int> m_downloadPercent{0};
    std::atomic<int> m_installProgress{0};
    std::atomic<int> m_compact{0};
    std::atomic<bool> m_large{false};  // the large layout is built
    std::atomic<int> m_mouseDown{0};
    std::atomic<int> m_optionsFlags{-1};
    std::atomic<bool> m_installStarted{false};
    std::atomic<bool> m_downloadSucceeded{false};
    std::atomic<bool> m_packageRun{false};
    std::atomic<bool> m_cdnSwitch{false};
    std::atomic<bool> m_finishPage{false};
    std::atomic<int> m_downloadErrorCode{0};
    std::atomic<bool> m_restartNeeded{false};
    std::atomic<bool> m_keepData{true};
    std::atomic<bool> m_closeStatsDone{true};
    std::atomic<bool> m_scanDone{true};
    std::atomic<bool> m_storeInstall{false};
    std::atomic<bool> m_closing{false};
    static constexpr int kCountdownNotStarted = -2147483647 - 1;
    std::atomic<int> m_countdownCounter{kCountdownNotStarted};
    int m_uninstallEstimate = 0;
    std::atomic<bool> m_uninstallDone{false};
    std::atomic<int> m_uninstallProgress{0};
    std::atomic<bool> m_uninstallStarted{false};

    // --- Texts the worker and the dialog thread share (m_textLock) ---
    std::mutex m_textLock;
    std::wstring m_packagePath;
    std::wstring m_installPath;
    std::string m_version;
    std::string m_versionNoDots;
    std::wstring m_versionLabelText;
    std::string m_downloadErrorName;
    std::string m_option;
    std::string m_source;
    std::string m_appFrom;
    std::string m_installId;     // made after a local install's shortcuts
    SetupInfoBlock m_setupInfo;  // the dialog's own record: texts, version, date, bitness
    InstallTypeDetector m_installKind;
    std::atomic<int> m_installType{0};

    // --- Controls (owned here; the lists hold plain pointers) ---
    std::recursive_mutex m_uiLock;
    std::vector<std::unique_ptr<CommonCtrl>> m_controls;
    std::vector<ButtonCtrlEx*> m_inputList;
    std::vector<CommonCtrl*> m_paintList;
    std::vector<HBITMAP> m_bitmaps;
    std::vector<HFONT> m_fonts;
    ButtonColorCtrlEx* m_installButton = nullptr;
    CommonRect m_installButtonLayoutRect;
    ButtonCtrlEx* m_closeButton = nullptr;
    ButtonCtrlEx* m_minimizeButton = nullptr;
    StaticCtrl* m_countdownLabel = nullptr;
    StaticCtrl* m_logoPicture = nullptr;
    StaticCtrl* m_finishLogoPicture = nullptr;
    StaticCtrl* m_ringPicture = nullptr;
    StaticCtrl* m_versionLabel = nullptr;
    CheckButtonCtrlEx* m_optionsToggle = nullptr;
    CheckButtonCtrlEx* m_licenseBox = nullptr;
    HyLinkCtrlEx* m_licenseLink = nullptr;
    HWND m_editBox = nullptr;
    RECT m_editRect{};
    // The uninstall layout's own controls (null in the compact layout).
    StaticCtrl* m_questionLabel = nullptr;
    StaticCtrl* m_uninstallPicture = nullptr;
    CheckButtonCtrl* m_keepDataBox = nullptr;
    StaticCtrl* m_keepDataLabel = nullptr;
    ButtonCtrlEx* m_uninstallButton = nullptr;
    ButtonCtrlEx* m_cancelButton = nullptr;
    ProcessCtrl* m_uninstallBar = nullptr;
    // The large layout's own controls and rows (null and empty otherwise).
    StaticCtrl* m_productLabel = nullptr;
    StaticCtrl* m_surveyTitle = nullptr;
    RECT m_surveyPanel{};
    std::vector<SurveyRowEntry> m_surveyRows;
    HFONT m_surveyPlainFont = nullptr;  // the rows' texts, and the chosen row's
    HFONT m_surveyBoldFont = nullptr;
    std::vector<MoreAppsRowEntry> m_moreAppsRows;
    StaticCtrl* m_moreAppsTitle = nullptr;
    StaticCtrl* m_resultLabel = nullptr;
    StaticCtrl* m_uninstallLabel = nullptr;
    StaticCtrl* m_remainingLabel = nullptr;
    ButtonCtrlEx* m_finishButton = nullptr;
    ButtonCtrlEx* m_browseButton = nullptr;
    CheckButtonCtrlEx* m_desktopBox = nullptr;
    CheckButtonCtrlEx* m_runAfterBox = nullptr;
    CheckButtonCtrlEx* m_joinBox = nullptr;
    HyLinkCtrlEx* m_programmeLink = nullptr;
    COLORREF m_accent[4] = {};
    HBITMAP m_closeImages[3] = {};
    HBITMAP m_closeFinishedImages[3] = {};
    HBITMAP m_minimizeFinishedImages[3] = {};
    HFONT m_largeFont = nullptr;
    HFONT m_smallFont = nullptr;

    CWndShadow m_shadow;

    // --- Renderer (FrameRenderer.cpp, PagePainters.cpp) ---
    std::once_flag m_pageBitmapsOnce;
    BMData m_bitmapEmptyRing;    // 190
    BMData m_bitmapOverlay;      // 132
    BMData m_bitmapFinish;       // 133
    BMData m_bitmapFullRing;     // 183
    BMData m_bitmapFailed;       // 182
    BMData m_bitmapUnused;       // 184, loaded and not drawn
    BMData m_bitmapInstallBack;  // 185
    BMData m_bitmapBackground;   // 191
    int m_centreX = 0, m_centreY = 0;
    int m_outerRadius = 0, m_innerRadius = 0;
    int m_ringX = 0, m_ringY = 0;
    std::atomic<int> m_revealRadius{0};
    std::atomic<int> m_renderGeneration{0};  // a loop of an older generation ends
    std::mutex m_frameLock;                  // the work frame and the ripple state
    std::vector<std::uint32_t> m_workFrame;  // the render thread's frame
    std::vector<std::uint32_t> m_outputFrames[2];
    std::atomic<int> m_full[2] = {0, 0};
    std::atomic<int> m_writeIndex{0};
    std::atomic<int> m_readIndex{0};
    std::vector<std::uint32_t> m_screenFrame;  // the painters' frame (under m_uiLock)
    std::vector<std::uint32_t> m_ringFrame;    // the download painter's own frame (under m_uiLock)
    std::vector<double> m_distance;
    std::vector<std::uint32_t> m_greyTable;  // whole distance to grey, 1,024 entries
    std::vector<std::uint32_t> m_revealImage;
    std::vector<RippleRing> m_ripples;
    SpeedSample m_speed;  // under m_uiLock

    // --- Downloader and steps ---
    std::mutex m_downloaderLock;
    std::shared_ptr<IDownloader> m_downloader;
    std::shared_ptr<IInstallSteps> m_steps;
    std::mutex m_downloadDoneLock;
    std::condition_variable m_downloadDoneCv;  // told when the download-done flag is set

    // --- Threads ---
    std::mutex m_threadLock;
    HANDLE m_repaintThread = nullptr;
    HANDLE m_renderThread = nullptr;
    HANDLE m_installThread = nullptr;
    HANDLE m_startReportThread = nullptr;
    HANDLE m_scanThread = nullptr;
    HANDLE m_closeStatsThread = nullptr;
    std::vector<HANDLE> m_rangeReportThreads;

    // --- Statistics: made by the dialog's initialisation, then only read ---
    std::shared_ptr<InstallStatsReport> m_installReport;

    // --- Package run ---
    ElevationRecord m_elevation;
    std::atomic<int> m_packageAttempts{0};
    // The channel's handle and view: the worker creates and unmaps them, the
    // dialog's thread reads the view on the timer, so both sides hold the lock.
    std::mutex m_channelLock;
    HANDLE m_channelHandle = nullptr;
    void* m_channelView = nullptr;
};
