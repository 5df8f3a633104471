// Kernel handles: one process-wide table from HANDLE values to objects.
//
// Files, processes, mappings, mutexes and events register an object derived
// from KernelObject and hand out its HANDLE. A stale or foreign handle finds
// nothing, so every call on it fails with ERROR_INVALID_HANDLE instead of
// touching freed memory. To add a kind: derive from KernelObject, register it
// with RegisterHandle, and look it up with LookupHandle<Kind>.
#pragma once

#include <memory>

#include "platform/base/Win32Types.h"

namespace platform {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Waitable objects answer WaitForSingleObject; the default is not waitable.
    virtual bool IsWaitable() const { return false; }
    // Blocks up to `milliseconds` (INFINITE for ever); true when signalled.
    virtual bool Wait(DWORD milliseconds) {
        (void)milliseconds;
        return false;
    }
};

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupKernelObject(HANDLE handle);
// Drops the handle; false when it was not registered.
bool ReleaseHandle(HANDLE handle);

template <typename Kind>
std::shared_ptr<Kind> LookupHandle(HANDLE handle) {
    return std::dynamic_pointer_cast<Kind>(LookupKernelObject(handle));
}

}  // namespace platform

BOOL CloseHandle(HANDLE handle);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
