#pragma once

#include <string>

// Why an open of a com port device failed, as the user is told.
enum class PortOpenFailure {
    None,         // the port is open
    NoSuchPort,   // no device or no hardware behind it: passed over silently
    InUse,        // held by another program or another port object
    AccessDenied, // the user may not open the device
    HungUp,       // the device vanished while it was being set up
    Other,        // anything else: no message
};

// Classifies the errno of a failed open or lock.
PortOpenFailure ClassifyPortOpenError(int error);

// Classifies the errno of a set-up step that failed after the device opened:
// a device that answers EIO, ENXIO or ENODEV by then has hung up.
PortOpenFailure ClassifySetupError(int error);

// The string-table id of the message shown for a failure; 0 for none.
unsigned PortOpenMessageId(PortOpenFailure failure);

// The failure in a few words ("in use by another program"); error is the
// errno behind an Other failure, named when it is not 0.
std::string DescribePortOpenFailure(PortOpenFailure failure, int error = 0);
