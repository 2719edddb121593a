#pragma once

#include "discovery/ScanEvent.h"

#include <cstdint>
#include <functional>

class CStopSignal;
class IScanSink;

// The start record of one scan thread: the com port it probes, the sink
// that receives what it finds, optionally a stop signal and whom to tell
// that the port is in use or not permitted. The thread writes how its port
// fared into outcome; the creator keeps the record until the thread has
// been joined, and reads the outcome only after that.
struct ScanThreadParam {
    uint8_t nPort = 0;
    IScanSink* pView = nullptr;
    const CStopSignal* stop = nullptr;
    std::function<void(uint8_t port, PortOpenFailure failure)> onOpenFailure;
    PortScanOutcome outcome;
};

// Probes the network addresses 0 to 31 of com port param->nPort, one after
// the other, and reports through param->pView: PortOpened once the port is
// open, SensorFound (a heap copy of the record) for every supported counter
// whose tables could be read, PassedOver for every counter that answered
// its address byte but is not reported, and AddressDone after every
// address. A port that does not open reports nothing here; onOpenFailure,
// when set, hears why. A stop request ends the thread before its next
// address and cuts the exchange in progress; the port is closed and nothing
// more is reported. A port whose device vanishes ends the scan at once
// after reporting the address in progress as done. Returns the port number.
unsigned ScanThreadProc(ScanThreadParam* param);
