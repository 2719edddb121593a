#include "discovery/ScanThread.h"

#include "discovery/IScanSink.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "link/CStopSignal.h"
#include "link/IProgressIndicator.h"
#include "model/CSensor.h"

#include <memory>

namespace {

constexpr int kAddressCount = 32;

bool Stopped(const CStopSignal* stop) {
    return stop && stop->IsRequested();
}

// One address: a fresh working record, so nothing of the previous address
// carries over; a complete record is posted as a copy of its own, which
// the sink owns from then on. A stop that cut the exchange short leaves the
// address unreported. Returns what the probe came to.
LinkResult ProbeAddress(CCounterLink& link, int port, int address, IScanSink& sink,
                        const CStopSignal* stop) {
    CSensor working;
    working.SetPort(port);
    working.SetAddress(address);
    const LinkResult result = link.TryReadCounter(working);
    if (Stopped(stop) || result.status == LinkStatus::Stopped)
        return result;
    if (result.Ok()) {
        auto found = std::make_unique<CSensor>();
        *found = working;
        sink.SensorFound(std::move(found));
    }
    sink.AddressDone(port, address);
    return result;
}

} // namespace

unsigned ScanThreadProc(ScanThreadParam* param) {
    const uint8_t port = param->nPort;
    IScanSink& sink = *param->pView;

    const CStopSignal* stop = param->stop;
    CSerialPort serial;
    serial.SetStopSignal(stop);
    if (Stopped(stop)) {
        param->ended = LinkStatus::Stopped;
        return port;
    }
    if (!serial.Open(port)) {
        param->openFailure = serial.GetOpenFailure();
        param->openError = serial.GetOpenError();
        return port;
    }

    // Reading drives no progress; a null indicator keeps the scan threads
    // away from the front end's indicator altogether.
    CNullProgress noProgress;
    CCounterLink link(&serial, &noProgress);
    sink.PortOpened(port);
    for (int address = 0; address < kAddressCount; ++address) {
        if (Stopped(stop)) {
            param->ended = LinkStatus::Stopped;
            break;
        }
        const LinkResult result = ProbeAddress(link, port, address, sink, stop);
        if (result.EndsTheWork()) {
            param->ended = result.status;
            break;
        }
    }

    serial.Close();
    return port;
}

void StartScanThread(ScanThreadParam& param, std::function<void(unsigned)> onEnded) {
    param.hThread = std::thread([&param, onEnded = std::move(onEnded)] {
        const unsigned port = ScanThreadProc(&param);
        if (onEnded)
            onEnded(port);
    });
    param.dwThreadId = static_cast<uint32_t>(std::hash<std::thread::id>{}(param.hThread.get_id()));
}
