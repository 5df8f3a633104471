#include "setup/SetupOptions.h"

namespace {
// Built by static initialisation, before any thread of the program runs.
SetupOptions::Values g_options;
}  // namespace

SetupOptions::Values& SetupOptions::Record() { return g_options; }

int SetupOptions::IsSilent() { return Record().silent; }
int SetupOptions::GetMode() { return Record().mode; }
const wchar_t* SetupOptions::GetFilePath() { return Record().filePath.c_str(); }
int SetupOptions::IsRunApp() { return Record().runApp; }
int SetupOptions::IsShowWindow() { return Record().showWindow; }
int SetupOptions::IsDesktop() { return Record().desktop; }
int SetupOptions::IsThankYou() { return Record().thankYou; }
int SetupOptions::IsStartModeOnline() { return Record().startModeOnline; }
int SetupOptions::IsAddPlan() { return Record().addPlan; }
int SetupOptions::IsOutputProgress() { return Record().outputProgress; }
std::wstring SetupOptions::GetOutputProgressName() { return Record().outputProgressName; }
std::wstring SetupOptions::GetAppFrom() { return Record().appFrom; }
std::wstring SetupOptions::GetOption() { return Record().option; }
std::wstring SetupOptions::GetInstallPath() { return Record().installPath; }
int SetupOptions::IsStoreInstall() { return Record().appFrom == L"winstore" ? 1 : 0; }

SetupOptions::ScopedOverride::ScopedOverride(const Values& values) : m_previous(Record()) { Record() = values; }
SetupOptions::ScopedOverride::~ScopedOverride() { Record() = m_previous; }
