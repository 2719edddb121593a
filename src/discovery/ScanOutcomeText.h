#pragma once

#include "discovery/ScanEvent.h"
#include "link/LinkResult.h"
#include "model/CSensor.h"

#include <string>
#include <vector>

// One line of words about a scan, and what it is about, so a front end can
// choose which to show.
struct ScanOutcomeLine {
    enum class Kind {
        PortScanned, // "COM1 (/dev/ttyS0): 2 counters listed, 1 passed over"
        PassedOver,  // "COM1 address 4: passed over: model "XYZ-9" is not supported (...)"
        NoSuchPorts, // "COM3 to COM32: no such device (/dev/ttyS2 to /dev/ttyS31)"
        PortFailed,  // in use, no permission, gone during the scan, ...
        ScanFailed,  // no port exists at all, or no model is listed
    };
    Kind kind = Kind::PortScanned;
    std::string text;

    // A port failed or the scan as a whole came to nothing.
    bool IsFailure() const { return kind == Kind::PortFailed || kind == Kind::ScanFailed; }
};

// How each port of a scan fared, in port order, runs of ports that do not
// exist on one line; then, when it applies, that no com port exists or that
// the supported-models file lists no model. found: the records the scan
// reported, counted per port.
std::vector<ScanOutcomeLine> ScanOutcomeLines(const std::vector<PortScanOutcome>& outcomes,
                                              const std::vector<CSensor>& found);

// The adapters that got no com port number, all 32 being taken, each as
// "<stable name> (<device>)": one failure line each, as a port that could
// not be scanned.
std::vector<ScanOutcomeLine> UnnumberedAdapterLines(const std::vector<std::string>& adapters);

// Why a counter's model is not supported, after the model: " (not listed
// in <file>)", or " (the supported-models file <file> lists no model)".
std::string NotListedNote();

// A failure of the counter link in words, with the note above for a model
// that is not supported.
std::string LinkFailureText(const LinkResult& result);
