#pragma once

#include "discovery/IScanSink.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

// A scan sink that queues the events of any number of scan threads for one
// consumer, in the order they were posted; each thread's own events keep
// their order.
class CScanQueueSink : public IScanSink {
public:
    void Post(ScanEvent event) override;

    // Blocks until an event is queued and takes it.
    ScanEvent Pop();
    // Takes an event if one is queued.
    std::optional<ScanEvent> TryPop();

private:
    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<ScanEvent> m_events;
};
