// POWRPROF's SetSuspendState. Sleep and hibernation have no meaning for the
// machine model: the request is recorded as a machine event
// ("SetSuspendState <hibernate> <force> <disable wake>", MachineEvents.h),
// never carried out. Like ExitWindowsEx it needs the shutdown privilege
// enabled in the process token, else it fails with ERROR_PRIVILEGE_NOT_HELD
// and records the refusal.
#pragma once

#include "platform/base/Win32Types.h"

BOOLEAN SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN disableWakeEvent);
