// Thread handles over std::thread.
#include "platform/kernel/Threads.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/base/Environment.h"
#include "platform/kernel/KernelObjects.h"
#include "platform/base/LastError.h"

namespace {

class ThreadObject : public platform::KernelObject {
public:
    bool IsWaitable() const override { return true; }
    bool Wait(DWORD milliseconds) override {
        std::unique_lock<std::mutex> guard(m_lock);
        auto done = [&] { return m_finished; };
        if (milliseconds == INFINITE) {
            m_changed.wait(guard, done);
            return true;
        }
        return m_changed.wait_for(guard, std::chrono::milliseconds(milliseconds), done);
    }
    void Started(DWORD id) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_id = id;
        m_changed.notify_all();
    }
    void Finished(DWORD code) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_exitCode = code;
        m_finished = true;
        m_changed.notify_all();
    }
    DWORD WaitForId() {
        std::unique_lock<std::mutex> guard(m_lock);
        m_changed.wait(guard, [&] { return m_id != 0; });
        return m_id;
    }
    DWORD ExitCode() {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_finished ? m_exitCode : STILL_ACTIVE;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    DWORD m_id = 0;
    DWORD m_exitCode = 0;
    bool m_finished = false;
};

HANDLE Start(std::function<DWORD()> body, DWORD* threadId) {
    auto object = std::make_shared<ThreadObject>();
    try {
        // The thread holds the object, so it outlives a closed handle.
        std::thread([object, body = std::move(body)] {
            object->Started(GetCurrentThreadId());
            object->Finished(body());
        }).detach();
    } catch (const std::system_error&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (threadId != nullptr) *threadId = object->WaitForId();
    return platform::RegisterHandle(object);
}

}  // namespace

HANDLE CreateThread(void*, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter, DWORD, LPDWORD threadId) {
    if (start == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return Start([start, parameter] { return start(parameter); }, threadId);
}

std::uintptr_t _beginthreadex(void*, unsigned, unsigned (*start)(void*), void* argument, unsigned, unsigned* threadId) {
    if (start == nullptr) return 0;
    DWORD id = 0;
    HANDLE handle = Start([start, argument] { return static_cast<DWORD>(start(argument)); }, threadId ? &id : nullptr);
    if (threadId != nullptr) *threadId = id;
    return reinterpret_cast<std::uintptr_t>(handle);
}

BOOL GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    auto object = platform::LookupHandle<ThreadObject>(thread);
    if (!object || exitCode == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exitCode = object->ExitCode();
    return TRUE;
}
