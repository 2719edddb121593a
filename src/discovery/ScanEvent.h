#pragma once

#include "link/LinkResult.h"
#include "link/PortOpenError.h"
#include "model/CSensor.h"

#include <cstdint>
#include <memory>
#include <vector>

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

// What a scan thread reports, in the order it happens on its port:
// PortOpened once its port is open, then for every address probed its
// SensorFound or PassedOver (if a counter answered) and its AddressDone;
// then the port's PortOutcome, and ThreadEnded as the thread's very last
// report. A port that does not open reports only its outcome and its end.
struct ScanEvent {
    enum class Kind { PortOpened, SensorFound, PassedOver, AddressDone, PortOutcome, ThreadEnded };

    Kind kind = Kind::AddressDone;
    int port = 0;
    int address = -1;
    // SensorFound: a complete copy of the record, owned by the event.
    std::unique_ptr<CSensor> sensor;
    // PassedOver: the counter and why.
    ::PassedOver passedOver;
    // PortOutcome: how the port fared.
    PortScanOutcome outcome;

    static ScanEvent Of(Kind kind, int port, int address = -1) {
        ScanEvent event;
        event.kind = kind;
        event.port = port;
        event.address = address;
        return event;
    }
};
