#pragma once

#include <memory>

class CSensor;

// Receives what a scan thread reports. Calls come from the scan threads;
// an implementation must be thread-safe and must not block for long.
class IScanSink {
public:
    virtual ~IScanSink() = default;
    // The port opened; sent once, before anything else of that port.
    virtual void PortOpened(int port) = 0;
    // A complete, supported counter; ownership of the record passes here.
    virtual void SensorFound(std::unique_ptr<CSensor> sensor) = 0;
    // Address probed on port, found or not.
    virtual void AddressDone(int port, int address) = 0;
};
