#pragma once

#include <string>

// Why an open of a com port device failed, as the user is told.
enum class PortOpenFailure {
    None,         // the port is open
    NoSuchPort,   // no device or no hardware behind it: passed over silently
    InUse,        // held by another program or another port object
    AccessDenied, // the user may not open the device
    IrqBusy,      // the port shares an interrupt with a port in use (Windows)
    HungUp,       // the device vanished while it was being set up
    Other,        // anything else: no message
};

// Classifies the system's error code of a failed open or lock (errno on
// POSIX, GetLastError on Windows); one file per system.
PortOpenFailure ClassifyPortOpenError(int error);

// Classifies the error code of a set-up step that failed after the device
// opened: a device that reports itself gone by then has hung up.
PortOpenFailure ClassifySetupError(int error);

// The system's own text for an error code.
std::string SystemErrorText(int error);

// The string-table id of the message shown for a failure; 0 for none.
unsigned PortOpenMessageId(PortOpenFailure failure);

// The failure in a few words ("in use by another program"); error is the
// error code behind an Other failure, named when it is not 0.
std::string DescribePortOpenFailure(PortOpenFailure failure, int error = 0);
