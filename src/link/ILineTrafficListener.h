#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

// Which way bytes went on a line.
enum class TrafficDirection {
    Sent,      // written by this program
    Received,  // read from the line
    Discarded, // read and dropped: what waited before an address byte or at
               // the close, what came while the line calmed down
};

// Bytes that passed on a com port, as the port saw them: several bytes of
// one read or write share the time at which the call returned.
struct LineTraffic {
    uint8_t port = 0;
    TrafficDirection direction = TrafficDirection::Sent;
    std::chrono::steady_clock::time_point time;
    const uint8_t* bytes = nullptr;
    size_t count = 0;
};

// Watches every byte a serial port writes and reads, for a wire trace or a
// line monitor. The core never shows the traffic itself. OnTraffic is called
// on the thread that made the transfer (a scan runs one thread per port), so
// an implementation must be thread-safe and quick; it must not call back
// into the port.
class ILineTrafficListener {
public:
    virtual ~ILineTrafficListener() = default;
    virtual void OnTraffic(const LineTraffic& traffic) = 0;
};

// The listener that serial ports made from now on report to (null: none,
// the default). Ports already made keep theirs.
ILineTrafficListener* LineTrafficListener();
void SetLineTrafficListener(ILineTrafficListener* listener);
