#pragma once

#include "link/LinkResult.h"
#include "link/PortOpenError.h"

#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

class CStopSignal;
class IScanSink;

// The step of reading one address: the presence test, the identification,
// the sizes, the calibration.
enum class ReadStage { Select, Identify, Sizes, Calibration };

// An address whose counter answered its address byte but was not reported:
// the step that failed and why (a model that is not supported, a table
// that could not be read, ...).
struct PassedOver {
    int address = 0;
    ReadStage stage = ReadStage::Select;
    LinkResult result;
};

// The start record of one scan thread: the com port it probes, the sink
// that receives what it finds and, optionally, a stop signal. The thread
// reads only nPort, pView and stop, and writes how its port fared; the
// creator owns the record and keeps it (and the signal) until the thread
// has been joined, and reads the outcome only after that.
struct ScanThreadParam {
    std::thread hThread;
    uint32_t dwThreadId = 0;
    uint8_t nPort = 0;
    IScanSink* pView = nullptr;
    const CStopSignal* stop = nullptr;
    // Outcome: why the port did not open (None: it did) with the errno
    // behind it, and why the scan of an open port ended early (PortGone or
    // Stopped; Done when every address was probed).
    PortOpenFailure openFailure = PortOpenFailure::None;
    int openError = 0;
    LinkStatus ended = LinkStatus::Done;
    // Addresses where a counter answered but was not reported, ascending.
    std::vector<PassedOver> passedOver;
};

// Probes the network addresses 0 to 31 of com port param->nPort, one after
// the other, and reports through param->pView: PortOpened once the port is
// open, SensorFound (a heap copy of the record) for every supported counter
// whose tables could be read, and AddressDone after every address. A port
// that does not open reports nothing. Every counter that answers its
// address byte but is not reported is noted in param->passedOver. A stop
// request ends the thread before its next address and cuts the exchange in
// progress; the port is closed and nothing more is reported. A port whose device vanishes ends the
// scan at once after reporting the address in progress as done. Returns the port number.
unsigned ScanThreadProc(ScanThreadParam* param);

// Starts ScanThreadProc(&param) on a new thread and fills in hThread and
// dwThreadId. nPort and pView must be set before. onEnded, when given, is
// called on the thread with the port number as its very last action, so a
// waiting front end learns that the thread is about to end.
void StartScanThread(ScanThreadParam& param, std::function<void(unsigned)> onEnded = {});
