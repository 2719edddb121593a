#pragma once

#include <string>

// The simulated network that scripts/test-windows maps as Wine com ports:
// the port with a counter at an address, a port that opens but has no
// counter, and a port that does not exist. Each is named by a variable;
// zero when it is not set (the test then skips, and the script fails a run
// with a skipped test).
struct WinSimPorts {
    int counterPort = 0;
    int counterAddress = 0;
    std::string counterModel;
    int silentPort = 0;
    int missingPort = 0;
};

const WinSimPorts& SimPorts();

// Skips the calling test when the variables are missing.
#define KTR_REQUIRE_SIM_PORTS()                                                                    \
    if (SimPorts().counterPort == 0)                                                               \
    GTEST_SKIP() << "KTR_WIN_SIM_* not set: run it through scripts/test-windows"
