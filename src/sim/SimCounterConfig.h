#pragma once

#include "sim/SimFaults.h"

#include <string>
#include <utility>
#include <vector>

// What one simulated counter is and holds.
struct SimCounterConfig {
    // Network address, 0 to 31; the counter answers to the byte 0x80 + address.
    int address = 0;
    // The model reply exactly as sent after the echo of T, raw bytes with any
    // padding and line ends, e.g. "  KTR-100\r\n". Empty: T gets no reply.
    std::string model;
    // Channel sizes in micrometres, in the order the counter reports them.
    std::vector<double> sizes;
    // Calibration points: (size in micrometres, voltage in millivolts).
    std::vector<std::pair<double, double>> points;
    // Write the checksum of replies with lower-case hex digits.
    bool lowerCaseChecksum = false;
    // When not empty, sent verbatim as the reply to "P" CR LF or "K" CR LF
    // instead of the reply built from the tables (timing faults still apply).
    std::string sizesReplyOverride;
    std::string calibrationReplyOverride;
    SimFaults faults;
};
