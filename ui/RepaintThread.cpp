#include "ui/RepaintThread.h"

#include <utility>

std::atomic<int> RepaintThread::s_live{0};

void RepaintThread::Start(std::function<void()> paint, std::chrono::milliseconds period) {
    if (m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = false;
    }
    s_live.fetch_add(1);
    m_thread = std::thread(&RepaintThread::Run, this, std::move(paint), period);
}

void RepaintThread::Stop() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void RepaintThread::Run(std::function<void()> paint, std::chrono::milliseconds period) {
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_stop) {
        lock.unlock();
        paint();
        lock.lock();
        m_wake.wait_for(lock, period, [this] { return m_stop; });
    }
    s_live.fetch_sub(1);
}
