#pragma once

#include "sim/SimCounterConfig.h"

#include <string>
#include <vector>

// One simulated com port and the counters on its line.
struct SimPortConfig {
    int comNumber = 1;
    std::vector<SimCounterConfig> counters;
};

// A whole simulated network, as the ktrsim program reads it from its
// configuration.
struct SimNetworkConfig {
    // Folder for the COM<n> links; empty: a fresh temporary folder.
    std::string portDir;
    // Send the counters' bytes at the pace of 9600 baud (about 1.04 ms each).
    bool pacing = false;
    std::vector<SimPortConfig> ports;
};
