#include "setup/InstallSteps.h"

#include "platform/base/Clock.h"
#include "setup/SetupDlg.h"
#include "util/Log.h"

IDownloader* EngineInstallSteps::CreateDownloader() {
    IDownloader* engine = nullptr;
    return ::CreateDownloader(&engine) ? engine : nullptr;
}

void EngineInstallSteps::ReleaseDownloader(IDownloader* engine) { ::ReleaseDownloader(engine); }

void EngineInstallSteps::RunPackage(SetupDlg& dialog) {
    // FIXME: running the package elevated with its progress channel lands
    // with the package step; until then a downloaded package is not run.
    WriteLog("RunPackage: the package run is not part of this build.\n");
    dialog.EndPackageRun(false);
}

void EngineInstallSteps::Pause(unsigned milliseconds, const std::atomic<bool>& stop) {
    for (unsigned slept = 0; slept < milliseconds && !stop; slept += 10) Sleep(10);
}
