#include "platform/base/Random.h"

#include <sys/random.h>

#include <cerrno>

NTSTATUS BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, BYTE* buffer, ULONG length, ULONG flags) {
    if (algorithm != nullptr || flags != BCRYPT_USE_SYSTEM_PREFERRED_RNG || (buffer == nullptr && length != 0)) {
        return STATUS_INVALID_PARAMETER;
    }
    ULONG done = 0;
    while (done < length) {
        ssize_t got = ::getrandom(buffer + done, length - done, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            return STATUS_UNSUCCESSFUL;
        }
        done += static_cast<ULONG>(got);
    }
    return STATUS_SUCCESS;
}
