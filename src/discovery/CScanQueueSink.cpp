#include "discovery/CScanQueueSink.h"

#include <utility>

void CScanQueueSink::Post(ScanEvent event) {
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    m_queued.notify_one();
}

ScanEvent CScanQueueSink::Pop() {
    std::unique_lock lock(m_mutex);
    m_queued.wait(lock, [this] { return !m_events.empty(); });
    ScanEvent event = std::move(m_events.front());
    m_events.pop_front();
    return event;
}

std::optional<ScanEvent> CScanQueueSink::TryPop() {
    std::lock_guard lock(m_mutex);
    if (m_events.empty())
        return std::nullopt;
    ScanEvent event = std::move(m_events.front());
    m_events.pop_front();
    return event;
}
