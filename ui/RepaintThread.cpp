#include "ui/RepaintThread.h"

#include <utility>

#include "ui/SentMessageWait.h"

std::atomic<int> RepaintThread::s_live{0};

bool RepaintThread::Start(std::function<void()> paint, std::chrono::milliseconds period) {
    if (m_thread != nullptr) return true;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = false;
    }
    m_paint = std::move(paint);
    m_period = period;
    s_live.fetch_add(1);
    m_thread = CreateThread(nullptr, 0, &RepaintThread::Body, this, 0, nullptr);
    if (m_thread == nullptr) {
        s_live.fetch_sub(1);
        return false;
    }
    return true;
}

bool RepaintThread::Stop(DWORD milliseconds) {
    if (m_thread == nullptr) return true;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    if (WaitServingSentMessages(m_thread, milliseconds) != WAIT_OBJECT_0) return false;
    CloseHandle(m_thread);
    m_thread = nullptr;
    return true;
}

DWORD RepaintThread::Body(LPVOID self) {
    static_cast<RepaintThread*>(self)->Run();
    return 0;
}

void RepaintThread::Run() {
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_stop) {
        lock.unlock();
        m_paint();
        lock.lock();
        m_wake.wait_for(lock, m_period, [this] { return m_stop; });
    }
    s_live.fetch_sub(1);
}
