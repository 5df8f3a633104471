#include "platform/base/MachineEvents.h"

#include <fcntl.h>
#include <unistd.h>

#include <fstream>

#include "platform/base/Machine.h"

namespace platform {

void RecordMachineEvent(const std::string& line) {
    std::string path = Machine::Current().StatePath("events.log");
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) return;
    std::string text = line + "\n";
    // One write per line: appends of whole lines do not interleave.
    ssize_t wrote = ::write(fd, text.data(), text.size());
    (void)wrote;
    ::close(fd);
}

std::vector<std::string> MachineEvents() {
    std::ifstream in(Machine::Current().StatePath("events.log"));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

}  // namespace platform
