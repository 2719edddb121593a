#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The com ports a full scan covers, looked for afresh at each scan so that
// an adapter plugged in since the last one is found.
struct ComPortsToScan {
    std::vector<uint8_t> ports; // ascending
    // What went wrong with the ports files ("... line 3 is not understood").
    std::vector<std::string> warnings;
    // Adapters left without a number because all 32 are taken, each as
    // "<stable name> (<device>)".
    std::vector<std::string> unnumbered;
};

// With KTRSETUP_PORT_DIR set, COM1 to COM32. Otherwise the numbers of the
// devices present now (a new adapter gets its number here), so a port
// without hardware is never opened.
ComPortsToScan FindComPortsToScan();
