#include "setup/InstallSteps.h"

#include "platform/base/Clock.h"
#include "setup/SetupDlg.h"

IDownloader* EngineInstallSteps::CreateDownloader() {
    IDownloader* engine = nullptr;
    return ::CreateDownloader(&engine) ? engine : nullptr;
}

void EngineInstallSteps::ReleaseDownloader(IDownloader* engine) { ::ReleaseDownloader(engine); }

void EngineInstallSteps::RunPackage(SetupDlg& dialog) { dialog.RunPackage(); }

void EngineInstallSteps::Pause(unsigned milliseconds, const std::atomic<bool>& stop) {
    for (unsigned slept = 0; slept < milliseconds && !stop; slept += 10) Sleep(10);
}
