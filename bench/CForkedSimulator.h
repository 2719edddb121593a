#pragma once

#include "sim/SimNetworkConfig.h"

#include <map>
#include <string>
#include <sys/types.h>

// Bytes that crossed one simulated line.
struct LineCounts {
    long toCounters = 0;
    long fromCounters = 0;
};

// Runs a simulated network in a child process, so that the benchmark's own
// CPU time holds only the work of the program under test. Fork it before
// the calling process starts any thread.
class CForkedSimulator {
public:
    // Starts the child and waits until every link exists. Throws
    // std::runtime_error when the child cannot start.
    explicit CForkedSimulator(const SimNetworkConfig& config);
    CForkedSimulator(const CForkedSimulator&) = delete;
    CForkedSimulator& operator=(const CForkedSimulator&) = delete;
    ~CForkedSimulator();

    // Stops the child and returns the bytes seen on each of its ports.
    std::map<int, LineCounts> Stop();

private:
    pid_t m_pid = -1;
    int m_control = -1; // closing it asks the child to stop
    int m_results = -1; // the child's counts, then end of file
};
