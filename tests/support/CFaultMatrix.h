#pragma once

#include "link/LinkResult.h"
#include "sim/SimFaults.h"

#include <functional>
#include <string>
#include <vector>

// The operations a faulty counter is tried with.
enum class MatrixOp { Scan, Read, ProgramSizes, ProgramCalibration, Flash };

// What an operation must come to: the status and, for echo failures, where
// (step None: anywhere). anyEcho: any echo failure, anywhere, will do
// (where a late echo of one attempt meets the next attempt, which byte
// fails depends on the timing).
struct MatrixExpectation {
    LinkStatus status = LinkStatus::Done;
    LinkStep step = LinkStep::None;
    int byte = 0;
    bool anyEcho = false;
};

// One misbehaviour of a counter. faults(lineBytes) makes the simulator's
// faults for an operation whose command line has lineBytes bytes after the
// address byte; the expectations are per operation (a scan expects the
// faulty counter to be listed exactly when reading it succeeds).
struct MatrixFault {
    std::string name;
    std::function<SimFaults(int lineBytes)> faults;
    MatrixExpectation read;
    MatrixExpectation programSizes;
    MatrixExpectation programCalibration;
    MatrixExpectation flash;
};

// What one cell (a fault tried with an operation) came to.
struct MatrixCell {
    std::string name;
    // Everything that was not as expected; empty for a pass.
    std::vector<std::string> problems;
    // The healthy counter after the faulty one went missing, or an
    // operation that had to succeed failed.
    bool falseFailure = false;
    // The end of the line's transcript when there was a problem.
    std::string transcript;
};

// Every fault of the simulator, tried with every operation against a
// faulty counter at address 4 followed by a healthy one at address 5, each
// cell on a simulated port of its own. Each cell checks that the operation
// comes to the expected result, that a failure leaves the sensor record and
// the counter's tables as they were (but for a programming line whose last
// byte reached the counter: the counter took it), that the healthy counter
// is still found, and that the port opens again at once.
class CFaultMatrix {
public:
    static std::vector<MatrixFault> Faults();
    static std::vector<MatrixOp> Ops();

    // portDir: the folder of KTRSETUP_PORT_DIR, where the supported-models
    // file (KTR-100) must already be. parallel cells run at the same time.
    // urgentCounters: the simulated counters run ahead of other work
    // (CSimPort::SetUrgent), as hardware of their own would.
    static std::vector<MatrixCell> Run(const std::string& portDir, bool paced, int parallel,
                                       bool urgentCounters);
    // Whether this system lets the simulated counters run ahead.
    static bool CountersCanRunUrgent();
};
