#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One byte on a simulated line.
struct SimTranscriptEntry {
    // CLOCK_MONOTONIC time in nanoseconds: when the simulator read the byte
    // (toCounter) or wrote it (from the counters).
    int64_t ns = 0;
    // true: written by the program to the counters; false: sent by a counter.
    bool toCounter = false;
    uint8_t byte = 0;
};

// One line per byte, "+<ms since the first entry> > 85" for bytes to the
// counters and "<" for bytes from them, with the printable character if any.
std::string SimFormatTranscript(const std::vector<SimTranscriptEntry>& entries);

// CLOCK_MONOTONIC now, in nanoseconds (the clock of the transcript).
int64_t SimMonotonicNs();
