#pragma once

#include "discovery/IScanSink.h"
#include "model/CSensor.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

// One report of a scan thread, as queued by CScanQueueSink.
struct ScanEvent {
    enum class Kind { PortOpened, SensorFound, AddressDone, ThreadEnded };
    Kind kind = Kind::AddressDone;
    int port = 0;
    int address = -1;
    // Only for SensorFound: the posted record, owned by the event.
    std::unique_ptr<CSensor> sensor;
};

// A scan sink that queues the reports of any number of scan threads for one
// consumer, in the order they were posted; each thread's own reports keep
// their order. ThreadEnded is not part of the sink seam: whoever starts the
// threads posts it when one ends, so the consumer knows when to stop.
class CScanQueueSink : public IScanSink {
public:
    void PortOpened(int port) override;
    void SensorFound(std::unique_ptr<CSensor> sensor) override;
    void AddressDone(int port, int address) override;
    void ThreadEnded(int port);

    // Blocks until a report is queued and takes it.
    ScanEvent Pop();
    // Takes a report if one is queued.
    std::optional<ScanEvent> TryPop();

private:
    void Push(ScanEvent event);

    std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<ScanEvent> m_events;
};
