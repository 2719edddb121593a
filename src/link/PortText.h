#pragma once

#include "link/PortOpenError.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// How the front ends name com ports and say why one did not open.

// "COM3".
std::string PortName(int port);

// "COM3 (/dev/ttyS2)": the port and the device it maps to, an adapter by
// its stable name ("COM4 (usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0)");
// "COM3" when no device has the number.
std::string PortAndDevice(int port);

// Why the port did not open: "in use by another program (ktrsetup, pid
// 1234)", "no permission (the device belongs to group 'dialout')", "no such
// device", ...; error is the errno behind the failure.
std::string PortOpenFailureReason(int port, PortOpenFailure failure, int error);

// The same after the port's name and device, as one line:
// "COM4 (/dev/ttyS3): in use by another program (ktrsetup, pid 1234)".
std::string PortOpenFailureText(int port, PortOpenFailure failure, int error);

// Why there is no device for the ports, after their names: "no such device
// (/srv/ports/COM3)", or "no device present has these numbers".
std::string MissingDevicesText(const std::vector<uint8_t>& ports);

// Ascending port numbers in runs: "COM1 to COM4, COM7", each port named by
// name(port) and runs of three or more joined with " to ".
std::string PortRunsText(const std::vector<uint8_t>& ports,
                         const std::function<std::string(int)>& name);

// Where the devices of these ports were looked for, for a scan that found
// none of them: "/dev/ttyS0 to /dev/ttyS31 (KTRSETUP_PORT_DIR is not set)"
// or "/srv/ports/COM1 to /srv/ports/COM32 (KTRSETUP_PORT_DIR=/srv/ports,
// a folder that does not exist)".
std::string WhereDevicesWereLookedFor(const std::vector<uint8_t>& ports);
