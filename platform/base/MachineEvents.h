// Actions on the simulated machine that have no Linux meaning (restarts,
// privilege changes, shell notifications, documents opened by the shell) are
// recorded here instead of being carried out on the host. The record is a
// text file in the machine root (Machine::StatePath("events.log")), one line
// per action, appended, so child processes of the machine record into it too.
#pragma once

#include <string>
#include <vector>

namespace platform {

void RecordMachineEvent(const std::string& line);
std::vector<std::string> MachineEvents();

}  // namespace platform
