#pragma once

#include "discovery/ScanEvent.h"
#include "model/CSensor.h"

#include <cstdint>
#include <vector>

class CStopSignal;
class IProgressIndicator;

// The com ports a full scan covers: 1 to 32.
std::vector<uint8_t> AllComPorts();

// Scans the given com ports at the same time, one scan thread per port,
// waits for every thread and returns the records found, in the order they
// arrived (per port in ascending address order; no order between ports).
// progress, when given, runs as CScanProgress says, driven from the calling
// thread only. A stop request ends every thread early; what was found until
// then is returned. outcomes, when given, receives one entry per port, in
// the order of ports. Nobody is asked about a port in use: its outcome says so.
std::vector<CSensor> RunScan(const std::vector<uint8_t>& ports,
                             IProgressIndicator* progress = nullptr,
                             const CStopSignal* stop = nullptr,
                             std::vector<PortScanOutcome>* outcomes = nullptr);
