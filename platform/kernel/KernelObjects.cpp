#include "platform/kernel/KernelObjects.h"

#include <mutex>
#include <unordered_map>

#include "platform/base/LastError.h"

namespace platform {

namespace {

struct HandleTable {
    std::mutex lock;
    std::unordered_map<UINT_PTR, std::shared_ptr<KernelObject>> objects;
    UINT_PTR next = 0x1000;  // multiples of 4, never null or INVALID_HANDLE_VALUE
};

HandleTable& Table() {
    static HandleTable* table = new HandleTable();  // lives to exit: handles may close late
    return *table;
}

}  // namespace

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    UINT_PTR value = table.next;
    table.next += 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupKernelObject(HANDLE handle) {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.objects.find(reinterpret_cast<UINT_PTR>(handle));
    return it == table.objects.end() ? nullptr : it->second;
}

bool ReleaseHandle(HANDLE handle) {
    std::shared_ptr<KernelObject> object;  // destroyed outside the lock
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.lock);
    auto it = table.objects.find(reinterpret_cast<UINT_PTR>(handle));
    if (it == table.objects.end()) return false;
    object = std::move(it->second);
    table.objects.erase(it);
    return true;
}

}  // namespace platform

BOOL CloseHandle(HANDLE handle) {
    if (!platform::ReleaseHandle(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    std::shared_ptr<platform::KernelObject> object = platform::LookupKernelObject(handle);
    if (!object || !object->IsWaitable()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->Wait(milliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}
