#include "discovery/CScanQueueSink.h"

#include <utility>

void CScanQueueSink::PortOpened(int port) {
    ScanEvent event;
    event.kind = ScanEvent::Kind::PortOpened;
    event.port = port;
    Push(std::move(event));
}

void CScanQueueSink::SensorFound(std::unique_ptr<CSensor> sensor) {
    ScanEvent event;
    event.kind = ScanEvent::Kind::SensorFound;
    event.port = sensor->GetPort();
    event.address = sensor->GetAddress();
    event.sensor = std::move(sensor);
    Push(std::move(event));
}

void CScanQueueSink::AddressDone(int port, int address) {
    ScanEvent event;
    event.kind = ScanEvent::Kind::AddressDone;
    event.port = port;
    event.address = address;
    Push(std::move(event));
}

void CScanQueueSink::ThreadEnded(int port) {
    ScanEvent event;
    event.kind = ScanEvent::Kind::ThreadEnded;
    event.port = port;
    Push(std::move(event));
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

void CScanQueueSink::Push(ScanEvent event) {
    {
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }
    m_queued.notify_one();
}
