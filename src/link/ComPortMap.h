#pragma once

#include "link/PortsFile.h"

#include <string>
#include <vector>

// Which device is which com port. Built-in UARTs keep the number their
// position gives them; serial adapters get a number the first time they are
// seen and keep it through the ports files.

// A serial device present on the machine.
struct FoundDevice {
    std::string device;     // the device node it leads to ("/dev/ttyUSB0")
    std::string openPath;   // the path to open: an adapter's stable link, a UART's device
    std::string stableName; // an adapter's stable name; empty for a built-in UART
    int uartIndex = -1;     // k of a built-in UART ttyS<k>; -1 for an adapter
    // Every text a ports file line may name it by: the stable name, the
    // paths above, and the same paths as the machine names them when the
    // devices are looked for below a root folder.
    std::vector<std::string> names;
};

enum class ComPortSource {
    BuiltIn,       // a UART's own number
    Administrator, // a line of the administrator's ports file
    User,          // a line of the user's ports file
    New,           // given now to an adapter seen for the first time
};

struct ComPortEntry {
    int port = 0;
    bool present = false;   // the device is on the machine now
    std::string device;     // as FoundDevice; for an absent device the line's text
    std::string openPath;   // empty for an absent device
    std::string stableName; // empty for a UART or a device named by its path
    ComPortSource source = ComPortSource::BuiltIn;
};

struct ComPortMap {
    std::vector<ComPortEntry> entries; // by ascending port number
    // Adapters that found no free number (all 32 taken), by stable name.
    std::vector<FoundDevice> unnumbered;
    // The lines the user's ports file gains for the adapters numbered now.
    std::vector<PortsFileLine> newLines;
    // User lines passed over because their number belongs to a UART or an
    // administrator's line, with what holds the number.
    std::vector<std::string> conflicts;

    // The entry of the port, or nullptr when no device has that number.
    const ComPortEntry* Find(int port) const;
};

// Numbers the devices found: first the administrator's lines, then the
// UARTs (ttyS<k> is COM<k+1>) that no user line moves elsewhere, then the
// user's lines, whose devices keep their numbers even while unplugged, then
// each new adapter, in the order of their stable names, with the lowest
// number from 1 to 32 still free.
ComPortMap AssignComPorts(const std::vector<FoundDevice>& found,
                          const std::vector<PortsFileLine>& administrator,
                          const std::vector<PortsFileLine>& user);

// The user's lines after giving port the device: a line that had the port
// or the device goes, and the new line takes its place in port order.
std::vector<PortsFileLine> AssignLine(std::vector<PortsFileLine> user, int port,
                                      const std::string& device);
