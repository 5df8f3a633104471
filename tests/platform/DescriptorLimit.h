// Lets no new file descriptor be opened for the life of the object, as when a
// process has run out of them.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace testsupport {

class DescriptorsRunOut {
public:
    DescriptorsRunOut() {
        ::getrlimit(RLIMIT_NOFILE, &m_saved);
        // The limit caps descriptor numbers: below the lowest free one, every open fails with EMFILE.
        int next = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        ::close(next);
        rlimit low = m_saved;
        low.rlim_cur = static_cast<rlim_t>(next);
        ::setrlimit(RLIMIT_NOFILE, &low);
    }
    ~DescriptorsRunOut() { ::setrlimit(RLIMIT_NOFILE, &m_saved); }
    DescriptorsRunOut(const DescriptorsRunOut&) = delete;
    DescriptorsRunOut& operator=(const DescriptorsRunOut&) = delete;

private:
    rlimit m_saved{};
};

}  // namespace testsupport
