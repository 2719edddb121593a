#pragma once

// What a failed open of a com port device means to the user.
enum class PortOpenFailure {
    NoSuchPort,   // no device or no hardware behind it: passed over silently
    InUse,        // held by another program or another port object
    AccessDenied, // the user may not open the device
    Other,        // anything else: no message
};

// Classifies the errno of a failed open, lock or set-up step.
PortOpenFailure ClassifyPortOpenError(int error);

// The string-table id of the message shown for a failure; 0 for none.
unsigned PortOpenMessageId(PortOpenFailure failure);
