#pragma once

#include "discovery/ScanEvent.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CStopSignal;
class IScanSink;

// The owner of one network scan: one thread per com port, the stop signal
// that ends them early, and the outcome of every port. The threads post
// what they find to the sink; each ends with its port's PortOutcome and
// then ThreadEnded. The sink must outlive the owner's threads: the
// destructor stops and joins them.
class CScanOwner {
public:
    // Hears, on the scan thread, that a port is in use or may not be
    // opened; the thread waits for it to return. Never called once a stop
    // has been requested; a handler that may be waiting when a stop comes
    // must end its wait then.
    using OpenFailureHandler = std::function<void(uint8_t port, PortOpenFailure failure)>;

    // stop, when given, is the caller's signal that the threads watch (a
    // Ctrl-C handler, ...) instead of one of the owner's own; Stop() then
    // cannot reach them.
    explicit CScanOwner(IScanSink& sink, const CStopSignal* stop = nullptr);
    CScanOwner(const CScanOwner&) = delete;
    CScanOwner& operator=(const CScanOwner&) = delete;
    ~CScanOwner();

    void SetOpenFailureHandler(OpenFailureHandler handler) { m_onOpenFailure = std::move(handler); }

    // Starts one scan thread per port, after waiting for a scan that still
    // runs. A port whose thread cannot be created is not scanned: its
    // outcome says it could not be opened.
    void Start(const std::vector<uint8_t>& ports);
    // Threads started by the last Start: as many ThreadEnded will come.
    size_t ThreadCount() const { return m_started; }
    // Asks every thread to end at once (a read in progress is cut) and
    // returns without waiting.
    void Stop();
    // Waits for every thread; the scan is over.
    void Join();
    // From Start until Join.
    bool IsRunning() const { return m_running; }
    // One per port of the last scan, in the order of Start's ports; complete
    // after Join.
    const std::vector<PortScanOutcome>& Outcomes() const { return m_outcomes; }

private:
    struct PortThread;
    void Run(PortThread& thread);
    void OpenFailed(uint8_t port, PortOpenFailure failure) const;
    const CStopSignal& StopSignal() const;

    IScanSink& m_sink;
    const CStopSignal* m_callerStop;
    std::unique_ptr<CStopSignal> m_ownStop;
    OpenFailureHandler m_onOpenFailure;
    std::vector<std::unique_ptr<PortThread>> m_threads;
    std::vector<PortScanOutcome> m_outcomes;
    size_t m_started = 0;
    bool m_running = false;
};
