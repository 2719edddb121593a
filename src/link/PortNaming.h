#pragma once

#include <string>

// How com port numbers map to the system's devices; one file per system.
//
// Linux: the device of com port n (1..32) is $KTRSETUP_PORT_DIR/COM<n> when
// that variable is set, otherwise /dev/ttyS<n-1>.
// Windows: \\.\COM<n> for every n (the bare name COM<n> opens only COM1 to
// COM9).

// The device of com port n.
std::string PortDevicePath(int port);

// Where the system says the port's device leads, or empty: the target of a
// symbolic link (Linux), the driver's device listed for COM<n> under
// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM (Windows).
std::string PortDeviceTarget(int port);

// Why the devices are where they are, for a scan that found none of them:
// "KTRSETUP_PORT_DIR is not set", "KTRSETUP_PORT_DIR=/srv/ports, a folder
// that does not exist" (Linux); "the system lists COM1, COM3" or "the
// system lists no com port" (Windows).
std::string PortNamingNote();
