#include "platform/system/Power.h"

#include <string>

#include "platform/base/LastError.h"
#include "platform/base/MachineEvents.h"
#include "platform/kernel/Security.h"

BOOLEAN SetSuspendState(BOOLEAN hibernate, BOOLEAN force, BOOLEAN disableWakeEvent) {
    std::string event = "SetSuspendState " + std::to_string(hibernate ? 1 : 0) + " " + std::to_string(force ? 1 : 0) +
                        " " + std::to_string(disableWakeEvent ? 1 : 0);
    if (!platform::IsPrivilegeEnabled(L"SeShutdownPrivilege")) {
        platform::RecordMachineEvent(event + " refused");
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
        return FALSE;
    }
    platform::RecordMachineEvent(event);
    return TRUE;
}
