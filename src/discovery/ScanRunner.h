#pragma once

#include "discovery/ScanThread.h"
#include "link/LinkResult.h"
#include "link/PortOpenError.h"
#include "model/CSensor.h"

#include <cstdint>
#include <vector>

class CStopSignal;
class IProgressIndicator;

// How the scan of one com port went: whether its port opened (and the
// errno behind a failure), and whether its scan ended early (PortGone,
// Stopped) or probed every address (Done).
struct PortScanOutcome {
    uint8_t port = 0;
    PortOpenFailure openFailure = PortOpenFailure::None;
    int openError = 0;
    LinkStatus ended = LinkStatus::Done;
    // Counters that answered but were not reported, by ascending address.
    std::vector<PassedOver> passedOver;
};

// The com ports a full scan covers: 1 to 32.
std::vector<uint8_t> AllComPorts();

// Scans the given com ports at the same time, one scan thread per port,
// waits for every thread and returns the records found, in the order they
// arrived (per port in ascending address order; no order between ports).
// progress, when given, runs the way the status bar does during a rescan:
// its range grows by 32 for every port that opened and it steps once for
// every address probed. It is driven from the calling thread only. A stop
// request ends every thread early; what was found until then is returned.
// outcomes, when given, receives one entry per port, in the order of ports.
std::vector<CSensor> RunScan(const std::vector<uint8_t>& ports,
                             IProgressIndicator* progress = nullptr,
                             const CStopSignal* stop = nullptr,
                             std::vector<PortScanOutcome>* outcomes = nullptr);
