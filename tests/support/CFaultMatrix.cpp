#include "support/CFaultMatrix.h"

#include "discovery/ScanRunner.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "link/IProgressIndicator.h"
#include "model/CSensor.h"
#include "sim/CSimNetwork.h"
#include "support/TableValues.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

using E = MatrixExpectation;
using S = LinkStatus;
using P = LinkStep;

constexpr int kFaulty = 4;
constexpr long kTranscriptTail = 80;
constexpr int kHealthy = 5;
// Bytes after the address byte of the longest command line of each
// operation: P CR LF for reading (T alone has 1), the programming lines of
// the tables below, the flash text.
constexpr int kReadLine = 3;
constexpr int kSizesLine = 1 + 23 + 2;       // P, " 1.0 2.0 5.0 C/S 000215", CR LF
constexpr int kCalibrationLine = 1 + 22 + 2; // K, " 0.4 110 0.8 220 2 900", CR LF
constexpr int kFlashLine = 7;

const std::vector<double> kFaultySizes = {0.3, 0.5, 1.0};
const Points kFaultyPoints = {{0.3, 100}, {0.5, 150.5}, {1, 400}};
const std::vector<double> kHealthySizes = {0.5, 5};
const Points kHealthyPoints = {{0.5, 160}, {5, 2500}, {10, 4800}};
const std::vector<double> kNewSizes = {1.0, 2.0, 5.0};
const Points kNewPoints = {{0.4, 110}, {0.8, 220}, {2, 900}};
// What a failure must leave in the record.
const std::vector<double> kSentinelSizes = {7};
const Points kSentinelPoints = {{1, 2}};

const E kDone{};

E Echo(S status, P step, int byte = 1) {
    return {status, step, byte};
}

// The same expectation for every operation.
MatrixFault Everywhere(std::string name, std::function<SimFaults(int)> faults, E all) {
    return {std::move(name), std::move(faults), all, all, all, all};
}

// A fault that touches the replies only: reading fails as given, the rest succeeds.
MatrixFault ReplyFault(std::string name, std::function<SimFaults(int)> faults, E read) {
    return {std::move(name), std::move(faults), read, kDone, kDone, kDone};
}

// The faults a setter makes, for any command line.
std::function<SimFaults(int)> With(void (*set)(SimFaults&)) {
    return [set](int) {
        SimFaults faults;
        set(faults);
        return faults;
    };
}

// The faults a setter makes for a command line of line bytes.
std::function<SimFaults(int)> WithLine(void (*set)(SimFaults&, int line)) {
    return [set](int line) {
        SimFaults faults;
        set(faults, line);
        return faults;
    };
}

SimFaults ReplyDelay(const char* query, int ms) {
    SimFaults f;
    f.replyFaultsOn = query;
    f.replyDelayMs = ms;
    return f;
}

SimFaults ReplyGap(const char* query, int afterByte, int ms) {
    SimFaults f;
    f.replyFaultsOn = query;
    f.gapAfterByte = afterByte;
    f.gapMs = ms;
    return f;
}

SimFaults Overlong(const char* query, int bytes) {
    SimFaults f;
    f.replyFaultsOn = query;
    f.overlongBytes = bytes;
    return f;
}

// Faults at the echo of one byte of the command line: position 0 is the
// address byte, 1 the command letter, 2 the first text byte (or the CR of a
// query), the line's last byte its LF.
std::vector<MatrixFault> EchoFaults() {
    const E wrongAddress = Echo(S::WrongEcho, P::Address);
    const E lateAddress = Echo(S::NoEcho, P::Address);
    const E someEcho{S::NoEcho, P::None, 0, true};
    std::vector<MatrixFault> faults = {
        // Reading: the counter still replies, and its reply comes where the
        // echo should.
        {"echo lost after the address byte", With([](SimFaults& f) { f.echoStopsAfter = 0; }),
         Echo(S::WrongEcho, P::Command), Echo(S::NoEcho, P::Command), Echo(S::NoEcho, P::Command),
         Echo(S::NoEcho, P::FlashText)},
        {"echo lost from byte 2", With([](SimFaults& f) { f.echoStopsAfter = 1; }),
         Echo(S::NoEcho, P::LineEnd), Echo(S::NoEcho, P::SizeText),
         Echo(S::NoEcho, P::CalibrationText), Echo(S::NoEcho, P::FlashText, 2)},
        {"echo lost at the last byte",
         WithLine([](SimFaults& f, int line) { f.echoStopsAfter = line - 1; }),
         Echo(S::WrongEcho, P::LineEnd, 2), Echo(S::NoEcho, P::LineEnd, 2),
         Echo(S::NoEcho, P::LineEnd, 2), Echo(S::NoEcho, P::FlashText, 7)},
        Everywhere("wrong echo of the address byte", With([](SimFaults& f) { f.wrongEchoAt = 0; }),
                   wrongAddress),
        {"wrong echo of the command letter", With([](SimFaults& f) { f.wrongEchoAt = 1; }),
         Echo(S::WrongEcho, P::Command), Echo(S::WrongEcho, P::Command),
         Echo(S::WrongEcho, P::Command), Echo(S::WrongEcho, P::FlashText)},
        {"wrong echo of the last byte",
         WithLine([](SimFaults& f, int line) { f.wrongEchoAt = line; }),
         Echo(S::WrongEcho, P::LineEnd, 2), Echo(S::WrongEcho, P::LineEnd, 2),
         Echo(S::WrongEcho, P::LineEnd, 2), Echo(S::WrongEcho, P::FlashText, 7)},
        Everywhere("noise before the echo of the address byte", With([](SimFaults& f) {
                       f.echoNoiseAt = 0;
                       f.echoNoise = "\x55";
                   }),
                   wrongAddress),
        {"noise before the echo of the command letter", With([](SimFaults& f) {
             f.echoNoiseAt = 1;
             f.echoNoise = "\x55\x55";
         }),
         Echo(S::WrongEcho, P::Command), Echo(S::WrongEcho, P::Command),
         Echo(S::WrongEcho, P::Command), Echo(S::WrongEcho, P::FlashText)},
        // Late enough to miss its own wait, early enough to meet the next
        // probe's, where it must not pass for the next counter's echo.
        {"echo of the address byte 75 ms late", With([](SimFaults& f) {
             f.lateEchoAt = 0;
             f.lateEchoMs = 75;
         }),
         lateAddress, someEcho, someEcho, lateAddress},
        {"echo of the command letter 100 ms late", With([](SimFaults& f) {
             f.lateEchoAt = 1;
             f.lateEchoMs = 100;
         }),
         Echo(S::NoEcho, P::Command), Echo(S::NoEcho, P::Command), Echo(S::NoEcho, P::Command),
         Echo(S::NoEcho, P::FlashText)},
        {"echo of the last byte 100 ms late", WithLine([](SimFaults& f, int line) {
             f.lateEchoAt = line;
             f.lateEchoMs = 100;
         }),
         Echo(S::NoEcho, P::LineEnd, 2), Echo(S::NoEcho, P::LineEnd, 2),
         Echo(S::NoEcho, P::LineEnd, 2), Echo(S::NoEcho, P::FlashText, 7)},
        Everywhere("echo of the command letter 20 ms late", With([](SimFaults& f) {
                       f.lateEchoAt = 1;
                       f.lateEchoMs = 20;
                   }),
                   kDone),
    };
    return faults;
}

// Faults of the replies, with delays and gaps well below and above each
// read's rules (model: 82 ms in all; sizes: 1524 ms, 200 ms quiet;
// calibration: 506 ms, 100 ms quiet).
std::vector<MatrixFault> ReplyFaults() {
    return {
        ReplyFault("bad checksum", With([](SimFaults& f) { f.badChecksum = true; }),
                   {S::BadChecksum, P::SizesReply}),
        ReplyFault("no marker", With([](SimFaults& f) { f.noMarker = true; }),
                   {S::NoMarker, P::SizesReply}),
        ReplyFault("no reply", With([](SimFaults& f) { f.noReply = true; }),
                   {S::NoReply, P::ModelReply}),
        ReplyFault(
            "model reply 30 ms late", [](int) { return ReplyDelay("T", 30); }, kDone),
        ReplyFault("model reply 150 ms late", [](int) { return ReplyDelay("T", 150); },
                   {S::NoReply, P::ModelReply}),
        ReplyFault(
            "size reply 1200 ms late", [](int) { return ReplyDelay("P", 1200); }, kDone),
        ReplyFault("size reply 1700 ms late", [](int) { return ReplyDelay("P", 1700); },
                   {S::NoReply, P::SizesReply}),
        ReplyFault(
            "calibration reply 300 ms late", [](int) { return ReplyDelay("K", 300); }, kDone),
        ReplyFault("calibration reply 650 ms late", [](int) { return ReplyDelay("K", 650); },
                   {S::NoReply, P::CalibrationReply}),
        ReplyFault(
            "model reply with a 20 ms gap", [](int) { return ReplyGap("T", 3, 20); }, kDone),
        ReplyFault("model reply with a 150 ms gap", [](int) { return ReplyGap("T", 3, 150); },
                   {S::NotSupported, P::ModelReply}),
        ReplyFault(
            "size reply with a 120 ms gap", [](int) { return ReplyGap("P", 5, 120); }, kDone),
        ReplyFault("size reply with a 300 ms gap", [](int) { return ReplyGap("P", 5, 300); },
                   {S::NoMarker, P::SizesReply}),
        ReplyFault(
            "calibration reply with a 50 ms gap", [](int) { return ReplyGap("K", 5, 50); }, kDone),
        ReplyFault("calibration reply with a 200 ms gap", [](int) { return ReplyGap("K", 5, 200); },
                   {S::NoMarker, P::CalibrationReply}),
        ReplyFault("noise before the size reply", With([](SimFaults& f) {
                       f.replyFaultsOn = "P";
                       f.noise = "xx";
                   }),
                   {S::BadChecksum, P::SizesReply}),
        ReplyFault("noise after the release byte",
                   With([](SimFaults& f) { f.releaseNoise = "\x85\x84Z\r\n"; }), kDone),
        ReplyFault("over-long model reply", [](int) { return Overlong("T", 40); },
                   {S::NotSupported, P::ModelReply}),
        ReplyFault("over-long size reply", [](int) { return Overlong("P", 1100); },
                   {S::NoMarker, P::SizesReply}),
        ReplyFault("over-long calibration reply", [](int) { return Overlong("K", 300); },
                   {S::NoMarker, P::CalibrationReply}),
    };
}

const char* OpName(MatrixOp op) {
    switch (op) {
    case MatrixOp::Scan:
        return "scan";
    case MatrixOp::Read:
        return "read";
    case MatrixOp::ProgramSizes:
        return "program sizes";
    case MatrixOp::ProgramCalibration:
        return "program calibration";
    case MatrixOp::Flash:
        return "flash";
    }
    return "?";
}

int LineBytes(MatrixOp op) {
    switch (op) {
    case MatrixOp::ProgramSizes:
        return kSizesLine;
    case MatrixOp::ProgramCalibration:
        return kCalibrationLine;
    case MatrixOp::Flash:
        return kFlashLine;
    default:
        return kReadLine;
    }
}

const MatrixExpectation& Expected(const MatrixFault& fault, MatrixOp op) {
    switch (op) {
    case MatrixOp::ProgramSizes:
        return fault.programSizes;
    case MatrixOp::ProgramCalibration:
        return fault.programCalibration;
    case MatrixOp::Flash:
        return fault.flash;
    default:
        return fault.read;
    }
}

SimCounterConfig Counter(int address, const std::vector<double>& sizes, const Points& points,
                         const SimFaults& faults = SimFaults()) {
    SimCounterConfig config;
    config.address = address;
    config.model = "KTR-100\r\n";
    config.sizes = sizes;
    config.points = points;
    config.faults = faults;
    return config;
}

CSensor Sensor(int com, int address, const std::vector<double>& sizes, const Points& points) {
    CSensor sensor;
    sensor.SetPort(com);
    sensor.SetAddress(address);
    for (double v : sizes)
        sensor.GetSizes().AddTail(v);
    for (auto [s, v] : points)
        sensor.GetCalCurve().AddTail(CCalPoint(s, v));
    return sensor;
}

// One cell: a port of its own with the faulty counter and its neighbour.
class CCell {
public:
    CCell(const MatrixFault& fault, MatrixOp op, bool paced, bool urgent, int com,
          const std::string& dir)
        : m_fault(fault), m_op(op), m_com(com), m_expected(Expected(fault, op)), m_net(dir),
          m_port(m_net.AddPort(com)),
          m_faulty(m_port.AddCounter(
              Counter(kFaulty, kFaultySizes, kFaultyPoints, fault.faults(LineBytes(op))))),
          m_healthy(m_port.AddCounter(Counter(kHealthy, kHealthySizes, kHealthyPoints))) {
        m_port.SetPacing(paced);
        if (urgent && !m_port.SetUrgent())
            Problem("the simulated counters could not run ahead of the load");
        m_result.name = fault.name + " / " + OpName(op) + (paced ? " / paced" : " / unpaced");
    }

    MatrixCell Run() {
        if (m_op == MatrixOp::Scan)
            RunScanCell();
        else
            RunLinkCell();
        if (!m_result.problems.empty())
            m_result.transcript = TranscriptTail();
        return m_result;
    }

private:
    // The last bytes on the line, to tell what went wrong.
    std::string TranscriptTail() const {
        auto entries = m_port.Transcript();
        if (entries.size() > size_t(kTranscriptTail))
            entries.erase(entries.begin(), entries.end() - kTranscriptTail);
        return SimFormatTranscript(entries);
    }

    void Problem(std::string text, bool falseFailure = false) {
        m_result.problems.push_back(std::move(text));
        m_result.falseFailure = m_result.falseFailure || falseFailure;
    }

    void RunScanCell() {
        std::vector<PortScanOutcome> outcomes;
        const auto found = RunScan({uint8_t(m_com)}, nullptr, nullptr, &outcomes);
        bool faultyFound = false;
        bool healthyFound = false;
        for (const CSensor& sensor : found) {
            faultyFound = faultyFound || sensor.GetAddress() == kFaulty;
            healthyFound = healthyFound || (sensor.GetAddress() == kHealthy &&
                                            Values(sensor.GetSizes()) == kHealthySizes &&
                                            PointsOf(sensor.GetCalCurve()) == kHealthyPoints);
        }
        if (!healthyFound)
            Problem("the scan missed the healthy counter", true);
        const bool faultyExpected = m_expected.status == LinkStatus::Done;
        if (faultyFound != faultyExpected)
            Problem(faultyExpected ? "the scan missed the faulty counter"
                                   : "the scan listed the faulty counter",
                    faultyExpected);
        if (outcomes.size() != 1 || outcomes[0].ended != LinkStatus::Done)
            Problem("the scan of the port did not run to its end");
        CheckCounterUnchanged();
        CheckReopens();
    }

    void RunLinkCell() {
        CNullProgress progress;
        CSerialPort serial;
        if (serial.Open(uint8_t(m_com)) != PortOpenFailure::None) {
            Problem("the port did not open", true);
            return;
        }
        CCounterLink link(&serial, &progress);
        CSensor sensor = Sensor(m_com, kFaulty, kSentinelSizes, kSentinelPoints);
        CheckResult(RunOp(link, sensor));
        CheckRecord(sensor);
        CheckCounter();
        CheckNeighbour(link);
        serial.Close();
        CheckReopens();
    }

    LinkResult RunOp(CCounterLink& link, CSensor& sensor) {
        CSizeList sizes;
        for (double v : kNewSizes)
            sizes.AddTail(v);
        CCalCurve curve;
        for (auto [s, v] : kNewPoints)
            curve.AddTail(CCalPoint(s, v));
        switch (m_op) {
        case MatrixOp::ProgramSizes:
            return link.ProgramSizes(sensor, sizes);
        case MatrixOp::ProgramCalibration:
            return link.ProgramCalibration(sensor, curve);
        case MatrixOp::Flash:
            return link.SetFlash(sensor, true);
        default:
            return link.ReadCounter(sensor);
        }
    }

    void CheckResult(const LinkResult& got) {
        const bool echoFailure =
            got.status == LinkStatus::NoEcho || got.status == LinkStatus::WrongEcho;
        const bool same = (m_expected.anyEcho && echoFailure) ||
                          (got.status == m_expected.status &&
                           (m_expected.step == LinkStep::None || got.step == m_expected.step) &&
                           (m_expected.byte == 0 || got.byte == m_expected.byte));
        if (!same)
            Problem("came to \"" + DescribeLinkResult(got) + "\"",
                    m_expected.status == LinkStatus::Done);
    }

    // A failure leaves the table that failed, and those after it, as they were.
    void CheckRecord(const CSensor& sensor) {
        const bool done = m_expected.status == LinkStatus::Done;
        std::vector<double> sizes = kSentinelSizes;
        Points points = kSentinelPoints;
        if (m_op == MatrixOp::Read && (done || m_expected.step == LinkStep::CalibrationReply))
            sizes = kFaultySizes;
        if (m_op == MatrixOp::Read && done)
            points = kFaultyPoints;
        if (m_op == MatrixOp::ProgramSizes && done)
            sizes = kNewSizes;
        if (m_op == MatrixOp::ProgramCalibration && done)
            points = kNewPoints;
        if (Values(sensor.GetSizes()) != sizes || PointsOf(sensor.GetCalCurve()) != points)
            Problem("the sensor record does not hold what it should");
    }

    // The counter took a programming line only when all of it arrived: on
    // success, or when just the echo of its last byte failed.
    void CheckCounter() {
        const bool lineArrived = m_expected.status == LinkStatus::Done ||
                                 (m_expected.step == LinkStep::LineEnd && m_expected.byte == 2) ||
                                 (m_expected.step == LinkStep::FlashText && m_expected.byte == 7);
        const bool sizes = m_op == MatrixOp::ProgramSizes && lineArrived;
        const bool points = m_op == MatrixOp::ProgramCalibration && lineArrived;
        if (m_faulty.GetSizes() != (sizes ? kNewSizes : kFaultySizes) ||
            m_faulty.GetPoints() != (points ? kNewPoints : kFaultyPoints))
            Problem("the counter's tables are not what they should be");
        if (m_faulty.IsFlashOn() != (m_op == MatrixOp::Flash && lineArrived))
            Problem("the counter's flash is not as it should be");
    }

    void CheckCounterUnchanged() {
        if (m_faulty.GetSizes() != kFaultySizes || m_faulty.GetPoints() != kFaultyPoints)
            Problem("the scan changed the counter's tables");
    }

    void CheckNeighbour(CCounterLink& link) {
        CSensor neighbour = Sensor(m_com, kHealthy, {}, {});
        const LinkResult result = link.ReadCounter(neighbour);
        if (!result.Ok() || Values(neighbour.GetSizes()) != kHealthySizes ||
            PointsOf(neighbour.GetCalCurve()) != kHealthyPoints)
            Problem("the healthy counter after it: " + DescribeLinkResult(result), true);
    }

    // The port opens again at once (a generous bound: it takes
    // milliseconds), and nothing of the cell is left on it.
    void CheckReopens() {
        CSerialPort again;
        const auto start = std::chrono::steady_clock::now();
        const PortOpenFailure failure = again.Open(uint8_t(m_com));
        const auto took = std::chrono::steady_clock::now() - start;
        if (failure != PortOpenFailure::None || took > std::chrono::seconds(2))
            Problem("the port did not open again at once");
    }

    const MatrixFault& m_fault;
    MatrixOp m_op;
    int m_com;
    MatrixExpectation m_expected;
    CSimNetwork m_net;
    CSimPort& m_port;
    CSimCounter& m_faulty;
    CSimCounter& m_healthy;
    MatrixCell m_result;
};

} // namespace

std::vector<MatrixFault> CFaultMatrix::Faults() {
    std::vector<MatrixFault> faults = EchoFaults();
    for (MatrixFault& fault : ReplyFaults())
        faults.push_back(std::move(fault));
    return faults;
}

bool CFaultMatrix::CountersCanRunUrgent() {
    CSimNetwork probe;
    return probe.AddPort(1).SetUrgent();
}

std::vector<MatrixOp> CFaultMatrix::Ops() {
    return {MatrixOp::Scan, MatrixOp::Read, MatrixOp::ProgramSizes, MatrixOp::ProgramCalibration,
            MatrixOp::Flash};
}

std::vector<MatrixCell> CFaultMatrix::Run(const std::string& portDir, bool paced, int parallel,
                                          bool urgentCounters) {
    const std::vector<MatrixFault> faults = Faults();
    const std::vector<MatrixOp> ops = Ops();
    const size_t cells = faults.size() * ops.size();
    std::vector<MatrixCell> results(cells);
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (int slot = 0; slot < parallel; ++slot) {
        // Each worker has a com number of its own; a cell's network ends
        // (and its link goes) before the next cell of the worker begins.
        workers.emplace_back([&, com = 100 + slot] {
            for (size_t i = next++; i < cells; i = next++) {
                CCell cell(faults[i / ops.size()], ops[i % ops.size()], paced, urgentCounters, com,
                           portDir);
                results[i] = cell.Run();
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    return results;
}
