#pragma once

#include "link/ILineTrafficListener.h"

#include <chrono>
#include <string>

// --trace: prints every byte the serial ports write and read on stderr, one
// line per byte, as the simulator's transcript does:
//
//   trace COM1 +     12.345 ms > 85
//   trace COM1 +     13.391 ms < 54 T
//   trace COM1 +     15.002 ms < 0D CR
//   trace COM1 +    215.410 ms < 41 A dropped
//
// The time is counted on the monotonic clock from the printer's creation;
// ">" is a byte ktrctl wrote, "<" one it read ("dropped": read only to be
// dropped, while the line calmed down, before an address byte or at the
// close).
// Safe to call from the scan threads.
class CTracePrinter : public ILineTrafficListener {
public:
    CTracePrinter();

    void OnTraffic(const LineTraffic& traffic) override;

private:
    // The line for one byte, without the line end.
    std::string Line(uint8_t port, TrafficDirection direction,
                     std::chrono::steady_clock::time_point time, uint8_t byte) const;

    std::chrono::steady_clock::time_point m_start;
};
