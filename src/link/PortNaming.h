#pragma once

#include "link/ComPortMap.h"

#include <string>
#include <vector>

// Which device is com port n (1..32).
//
// When KTRSETUP_PORT_DIR is set, com port n is $KTRSETUP_PORT_DIR/COM<n>
// and nothing else is looked for (tests, the simulator, special set-ups).
// Otherwise the machine's serial devices are found and numbered: built-in
// UARTs with hardware, and adapters, which keep the number they were first
// given through the ports files (the administrator's, read first and
// winning, and the user's, where new numbers are written).

// True when KTRSETUP_PORT_DIR is set.
bool PortsByFolder();

// What one look for the machine's ports found.
struct ComPortDiscovery {
    ComPortMap map;
    // Files that could not be read or were damaged (named with their
    // lines), numbers that could not be remembered, user lines passed over.
    std::vector<std::string> warnings;
    std::string userFile; // empty when there is no home folder
    std::string administratorFile;
};

// Looks for the machine's serial devices again and numbers them; a new
// adapter gets its number and the user's ports file remembers it (unless
// that file is damaged: it is never overwritten then). The ports answered
// below come from this look from now on. With KTRSETUP_PORT_DIR set, the
// map is empty. Safe to call from any thread.
ComPortDiscovery RefreshComPorts();

// The device to open for com port n: $KTRSETUP_PORT_DIR/COM<n>, or the
// device that the last look numbered n (looking first if nothing has looked
// yet); empty when no device present has that number.
std::string PortDevicePath(int port);

// The stable name of the device of com port n (an adapter's name in
// /dev/serial/by-id); empty for a UART, a port folder or no device.
std::string PortStableName(int port);

// Where the devices are looked for, for a message when none is found:
// "built-in ports with a UART (/sys/class/tty) and adapters in
// /dev/serial/by-id".
std::string WherePortsAreLookedFor();

// Gives port the device in the user's ports file: a stable name, its full
// by-id path or a device path. A line that had the port or the device goes,
// so each keeps one line. On failure returns false and says why in error.
bool AssignComPort(int port, const std::string& device, std::string& error);

// Removes the port's line from the user's ports file; a present adapter
// that had it gets the lowest free number at the next look.
bool ForgetComPort(int port, std::string& error);
