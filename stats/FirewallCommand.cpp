// The firewall commands around a trace.
#include <cstdio>
#include <string>

#include "platform/base/MachineEvents.h"
#include "stats/IcmpTraceroute.h"

namespace {

// Runs "cmd.exe /C " + the command line without a window. This system's
// machine has no Windows firewall and no command interpreter: the command
// is recorded as a machine event instead of being run, and counts as run.
bool RunHiddenCommand(const std::string& commandLine, int* error) {
    (void)error;  // set only when the process cannot be started
    platform::RecordMachineEvent("RunHiddenCommand: cmd.exe /C " + commandLine);
    return true;
}

}  // namespace

int RunPowerShellCommand(const std::string& command) {
    char line[512] = {};
    // Longer command lines are cut, as the buffer allows.
    std::snprintf(line, sizeof line, "powershell.exe -Command \"%s\"", command.c_str());
    int error = 0;
    RunHiddenCommand(line, &error);
    if (error == 0) std::printf("RunPowerShellCommand: ok: %s\n", line);
    else std::printf("RunPowerShellCommand: failed (%d): %s\n", error, line);
    return error;
}
