// The install worker's steps that reach outside the dialog: the download
// engine and the run of the downloaded package, and the worker's pauses.
//
// The dialog holds one IInstallSteps; the program uses EngineInstallSteps
// (the real engine), tests hand in their own (a scripted downloader, a
// package run that reports progress at once, pauses that do not wait).
//
// Threads: every operation runs on the install worker's thread, except that
// ReleaseDownloader runs on whichever thread drops the last reference to an
// engine (the worker, or a painter that still held a snapshot).
#pragma once

#include <atomic>

#include "download/IDownloader.h"

class SetupDlg;

class IInstallSteps {
public:
    virtual ~IInstallSteps() = default;
    // A new engine, or null when none can be made.
    virtual IDownloader* CreateDownloader() = 0;
    // Hands an engine back; it is deleted on a thread of its own.
    virtual void ReleaseDownloader(IDownloader* engine) = 0;
    // Runs the downloaded package (the dialog's package path) and returns when
    // it has ended; reports through SetupDlg::SetInstallProgress and ends with
    // SetupDlg::EndPackageRun.
    virtual void RunPackage(SetupDlg& dialog) = 0;
    // Waits `milliseconds`, or less once `stop` is set.
    virtual void Pause(unsigned milliseconds, const std::atomic<bool>& stop) = 0;
};

// The program's steps: the download engine of download/, and the package run
// of SetupDlg::RunPackage.
class EngineInstallSteps : public IInstallSteps {
public:
    IDownloader* CreateDownloader() override;
    void ReleaseDownloader(IDownloader* engine) override;
    void RunPackage(SetupDlg& dialog) override;
    void Pause(unsigned milliseconds, const std::atomic<bool>& stop) override;
};
