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

// Select, identify, read the sizes and the calibration, each only if all
// before it succeeded; stage is the step the result belongs to.
LinkResult ReadCounter(CCounterLink& link, CSensor& sensor, ReadStage& stage) {
    stage = ReadStage::Select;
    LinkResult result = link.SelectAddress(sensor);
    if (result.Ok()) {
        stage = ReadStage::Identify;
        result = link.Identify(sensor);
    }
    if (result.Ok()) {
        stage = ReadStage::Sizes;
        result = link.ReadSizes(sensor);
    }
    if (result.Ok()) {
        stage = ReadStage::Calibration;
        result = link.ReadCalibration(sensor);
    }
    return result;
}

// A counter answered its address byte, but the work on it failed for a
// reason of its own (not the port's).
bool AnsweredButFailed(const LinkResult& result) {
    return !result.Ok() && !result.EndsTheWork() &&
           !(result.status == LinkStatus::NoEcho && result.step == LinkStep::Address);
}

// One address: a fresh working record, so nothing of the previous address
// carries over; a complete record is posted as a copy of its own, which
// the sink owns from then on. A stop that cut the exchange short leaves the
// address unreported. Returns what the probe came to.
LinkResult ProbeAddress(CCounterLink& link, int address, ScanThreadParam& param) {
    const int port = param.nPort;
    CSensor working;
    working.SetPort(port);
    working.SetAddress(address);
    ReadStage stage = ReadStage::Select;
    const LinkResult result = ReadCounter(link, working, stage);
    if (Stopped(param.stop) || result.status == LinkStatus::Stopped)
        return result;
    if (result.Ok()) {
        ScanEvent found = ScanEvent::Of(ScanEvent::Kind::SensorFound, port, address);
        found.sensor = std::make_unique<CSensor>();
        *found.sensor = working;
        param.pView->Post(std::move(found));
    } else if (AnsweredButFailed(result)) {
        ScanEvent passed = ScanEvent::Of(ScanEvent::Kind::PassedOver, port, address);
        passed.passedOver = {address, stage, result};
        param.outcome.passedOver.push_back(passed.passedOver);
        param.pView->Post(std::move(passed));
    }
    param.pView->Post(ScanEvent::Of(ScanEvent::Kind::AddressDone, port, address));
    return result;
}

} // namespace

unsigned ScanThreadProc(ScanThreadParam* param) {
    const uint8_t port = param->nPort;
    PortScanOutcome& outcome = param->outcome;
    outcome.port = port;

    const CStopSignal* stop = param->stop;
    CSerialPort serial;
    serial.SetStopSignal(stop);
    if (Stopped(stop)) {
        outcome.ended = LinkStatus::Stopped;
        return port;
    }
    outcome.openFailure = serial.Open(port);
    if (outcome.openFailure != PortOpenFailure::None) {
        outcome.openError = serial.GetOpenError();
        if (param->onOpenFailure)
            param->onOpenFailure(port, outcome.openFailure);
        return port;
    }

    // Reading drives no progress; a null indicator keeps the scan threads
    // away from the front end's indicator altogether.
    CNullProgress noProgress;
    CCounterLink link(&serial, &noProgress);
    param->pView->Post(ScanEvent::Of(ScanEvent::Kind::PortOpened, port));
    for (int address = 0; address < kAddressCount; ++address) {
        if (Stopped(stop)) {
            outcome.ended = LinkStatus::Stopped;
            break;
        }
        const LinkResult result = ProbeAddress(link, address, *param);
        if (result.EndsTheWork()) {
            outcome.ended = result.status;
            break;
        }
    }

    serial.Close();
    return port;
}
