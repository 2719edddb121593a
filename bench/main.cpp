// ktrbench: wall time of scans and of programming against the simulated
// network at 9600-baud pace, with both reply timings (strict: a reply read
// ends by its time-out rules only; framed: a size or calibration read ends
// as soon as its reply is complete), next to two floors: the least time the
// time-out rules allow, and the least time the line allows. Prints figures;
// judges nothing.
// Usage: ktrbench [RUNS]   (each figure is the median of RUNS runs, default 3)

#include "BenchTable.h"
#include "CForkedSimulator.h"
#include "discovery/ScanRunner.h"
#include "sim/SimFaults.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "link/IProgressIndicator.h"
#include "link/ReplyTiming.h"
#include "model/CCalCurve.h"
#include "model/CSensor.h"
#include "model/CSizeList.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

// One byte at 9600 baud, 8N1: 10 bits.
constexpr double kByteMs = 10.0 * 1000.0 / 9600.0;
// An address nobody answers: the echo read of the address byte, 1 byte
// under a total constant of 50 ms.
constexpr double kEmptyAddressMs = 1 + 50;
// The identify reply read of a counter runs to its total time-out (32 + 50
// ms) for a model text shorter than 32 bytes, in both timings.
constexpr double kIdentifyWindowMs = 32 + 50;
// What the strict rules add after the last byte of a size reply (200 ms)
// and of a calibration reply (100 ms).
constexpr double kReplyIntervalsMs = 200 + 100;
constexpr int kAddresses = 32;
const std::string kModelReply = "KTR-100\r\n";

const std::vector<std::pair<ReplyTiming, const char*>> kTimings = {{ReplyTiming::Strict, "strict"},
                                                                   {ReplyTiming::Framed, "framed"}};

double CpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

template <typename Work> Figures Measure(Work work) {
    const double cpuBefore = CpuMs();
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;
    return {wall.count(), CpuMs() - cpuBefore};
}

// The run with the median wall time.
Figures Median(std::vector<Figures> runs) {
    std::sort(runs.begin(), runs.end(),
              [](const Figures& a, const Figures& b) { return a.wallMs < b.wallMs; });
    return runs[runs.size() / 2];
}

// The floors of one port's scan, from the bytes its counters sent: empty
// addresses wait out their echo, found counters their identify window
// (which holds the model reply), and every other byte of the counters takes
// its time on the line; the strict rules add the reply intervals.
Floors ScanFloors(long bytesFromCounters, int found) {
    const long paced = bytesFromCounters - found * long(kModelReply.size());
    const double line =
        (kAddresses - found) * kEmptyAddressMs + found * kIdentifyWindowMs + paced * kByteMs;
    return {line + found * kReplyIntervalsMs, line};
}

SimNetworkConfig Network(const std::string& portDir, int ports, int counters) {
    SimNetworkConfig config;
    config.portDir = portDir;
    config.pacing = true;
    for (int port = 1; port <= ports; ++port) {
        SimPortConfig line{port, {}};
        // Spread over the addresses, the last one included.
        for (int i = 0; i < counters; ++i) {
            SimCounterConfig counter;
            counter.address = kAddresses - 1 - i * (kAddresses / counters);
            counter.model = kModelReply;
            counter.sizes = {0.3, 0.5, 0.7, 1.0, 2.5, 5.0, 10, 25};
            counter.points = {{0.3, 100},  {0.5, 150.5}, {1.0, 400},
                              {2.5, 1200}, {5.0, 2600},  {10, 4800}};
            line.counters.push_back(counter);
        }
        config.ports.push_back(line);
    }
    return config;
}

std::vector<uint8_t> Ports(int count) {
    std::vector<uint8_t> ports;
    for (int port = 1; port <= count; ++port)
        ports.push_back(uint8_t(port));
    return ports;
}

// What a scan found, as text, in port and address order.
std::string Describe(std::vector<CSensor> sensors) {
    std::sort(sensors.begin(), sensors.end(), [](const CSensor& a, const CSensor& b) {
        return std::pair(a.GetPort(), a.GetAddress()) < std::pair(b.GetPort(), b.GetAddress());
    });
    std::string text;
    for (const CSensor& s : sensors) {
        text += std::to_string(s.GetPort()) + "/" + std::to_string(s.GetAddress()) + " " +
                s.GetModel() + ":";
        for (auto pos = s.GetSizes().GetHeadPosition(); pos;)
            text += " " + std::to_string(s.GetSizes().GetNext(pos));
        for (auto pos = s.GetCalCurve().GetHeadPosition(); pos;) {
            const CCalPoint& p = s.GetCalCurve().GetNext(pos);
            text += " " + std::to_string(p.m_size) + "/" + std::to_string(p.m_voltage);
        }
        text += "\n";
    }
    return text;
}

// What the time-out rules make a scan wait for on a port, beyond the
// counters' bytes at line speed.
using FloorRule = std::function<Floors(long bytesFromCounters, int found)>;

// One paced port with five faulty counters between three healthy ones: a
// model that is not supported, size replies that always fail their
// checksum, a counter that misses its first two size replies, a size reply
// with a 120 ms gap inside, and command letters that come back wrong.
struct FaultyCounter {
    int address;
    std::string model;
    SimFaults faults;
    // The waits of the time-out rules for this counter, strict and framed.
    double strictWaitMs;
    double framedWaitMs;
};

std::vector<FaultyCounter> FaultyCounters() {
    const double sizesTotalMs = CCounterLink::kSizesReplySize + 500;
    std::vector<FaultyCounter> counters;
    auto add = [&](int address, std::string model, SimFaults faults, double strict,
                   double framed) {
        counters.push_back({address, std::move(model), std::move(faults), strict, framed});
    };
    add(2, kModelReply, {}, kIdentifyWindowMs + kReplyIntervalsMs, kIdentifyWindowMs);
    add(6, "OPC-50\r\n", {}, kIdentifyWindowMs, kIdentifyWindowMs);
    SimFaults checksum;
    checksum.badChecksum = true;
    checksum.replyFaultsOn = "P";
    // Three attempts, each ending 200 ms after its reply when strict.
    add(10, kModelReply, checksum, kIdentifyWindowMs + 3 * 200, kIdentifyWindowMs);
    SimFaults missing;
    missing.noReply = true;
    missing.replyFaultsOn = "P";
    missing.replyFaultsFor = 2;
    add(14, kModelReply, missing, kIdentifyWindowMs + 2 * sizesTotalMs + kReplyIntervalsMs,
        kIdentifyWindowMs + 2 * sizesTotalMs);
    add(18, kModelReply, {}, kIdentifyWindowMs + kReplyIntervalsMs, kIdentifyWindowMs);
    SimFaults gap;
    gap.gapAfterByte = 5;
    gap.gapMs = 120;
    gap.replyFaultsOn = "P";
    add(22, kModelReply, gap, kIdentifyWindowMs + kReplyIntervalsMs + 120,
        kIdentifyWindowMs + 120);
    SimFaults echo;
    echo.wrongEchoAt = 1;
    add(26, kModelReply, echo, 0, 0);
    add(30, kModelReply, {}, kIdentifyWindowMs + kReplyIntervalsMs, kIdentifyWindowMs);
    return counters;
}

SimNetworkConfig FaultyNetwork(const std::string& portDir) {
    SimNetworkConfig config = Network(portDir, 1, 0);
    for (const FaultyCounter& faulty : FaultyCounters()) {
        SimCounterConfig counter;
        counter.address = faulty.address;
        counter.model = faulty.model;
        counter.sizes = {0.3, 0.5, 0.7, 1.0, 2.5, 5.0, 10, 25};
        counter.points = {{0.3, 100}, {0.5, 150.5}, {1.0, 400}, {2.5, 1200}};
        counter.faults = faulty.faults;
        config.ports[0].counters.push_back(counter);
    }
    return config;
}

// The faulty port's floors: empty addresses wait out their echo, every
// counter its own waits, and the counters' other bytes take their time on
// the line (the model replies lie within the identify windows).
Floors FaultyFloors(long bytesFromCounters, int) {
    Floors floors;
    const std::vector<FaultyCounter> counters = FaultyCounters();
    long modelBytes = 0;
    for (const FaultyCounter& c : counters) {
        floors.rulesMs += c.strictWaitMs;
        floors.lineMs += c.framedWaitMs;
        if (c.strictWaitMs > 0)
            modelBytes += long(c.model.size());
    }
    const double rest = (kAddresses - double(counters.size())) * kEmptyAddressMs +
                        double(bytesFromCounters - modelBytes) * kByteMs;
    floors.rulesMs += rest;
    floors.lineMs += rest;
    return floors;
}

struct ScanResult {
    Row row;
    std::string found;
    size_t count = 0;
};

// Scans the network's ports runs times under timing; the floors are those
// of the slowest port.
ScanResult MeasureScan(const SimNetworkConfig& config, ReplyTiming timing, int runs,
                       const FloorRule& floorRule) {
    SetDefaultReplyTiming(timing);
    ScanResult result;
    std::vector<Figures> figures;
    for (int run = 0; run < runs; ++run) {
        CForkedSimulator sim(config);
        std::vector<CSensor> sensors;
        figures.push_back(Measure([&] { sensors = RunScan(Ports(int(config.ports.size()))); }));
        const std::map<int, LineCounts> lines = sim.Stop();
        std::map<int, int> foundOnPort;
        for (const CSensor& s : sensors)
            ++foundOnPort[s.GetPort()];
        result.row.floors = Floors{};
        for (const auto& [port, counts] : lines) {
            const Floors f = floorRule(counts.fromCounters, foundOnPort[port]);
            result.row.floors.rulesMs = std::max(result.row.floors.rulesMs, f.rulesMs);
            result.row.floors.lineMs = std::max(result.row.floors.lineMs, f.lineMs);
        }
        result.found = Describe(sensors);
        result.count = sensors.size();
    }
    result.row.figures = Median(figures);
    return result;
}

// Both timings of one scan; returns the framed and strict wall times.
std::map<ReplyTiming, double> ScanBoth(CBenchTable& table, const char* what,
                                       const SimNetworkConfig& config, size_t expected, int runs,
                                       const FloorRule& floorRule = ScanFloors) {
    std::map<ReplyTiming, double> wall;
    std::map<ReplyTiming, std::string> found;
    for (const auto& [timing, name] : kTimings) {
        ScanResult result = MeasureScan(config, timing, runs, floorRule);
        result.row.mode = name;
        table.Add(what, result.row);
        wall[timing] = result.row.figures.wallMs;
        found[timing] = result.found;
        if (result.count != expected)
            table.Note(std::string(name) + ": found " + std::to_string(result.count) +
                       " counters, not " + std::to_string(expected));
    }
    if (found[ReplyTiming::Strict] != found[ReplyTiming::Framed])
        table.Note("the two timings found DIFFERENT counters or tables");
    return wall;
}

std::vector<double> ThirtyTwoSizes() {
    std::vector<double> sizes;
    for (int i = 1; i <= 9; ++i)
        sizes.push_back(i / 10.0);
    for (int i = 1; i <= 9; ++i)
        sizes.push_back(i);
    for (int i = 1; i <= 14; ++i)
        sizes.push_back(i * 10);
    return sizes;
}

// 32 points whose reply still fits the counter's 256-byte buffer.
CCalCurve ThirtyTwoPoints() {
    CCalCurve curve;
    for (int i = 1; i <= 32; ++i)
        curve.AddTail(CCalPoint(i, 50.0 * i));
    return curve;
}

// Programs the counter of the network's COM1 runs times under timing; both
// floors are the time of the echoes on the line, since every byte but the
// release byte waits for its echo.
Row MeasureProgramming(const SimNetworkConfig& config, ReplyTiming timing, int runs,
                       const std::function<LinkResult(CCounterLink&, CSensor&)>& program) {
    Row row;
    std::vector<Figures> figures;
    for (int run = 0; run < runs; ++run) {
        CForkedSimulator sim(config);
        CSerialPort port;
        CNullProgress noProgress;
        CSensor sensor;
        sensor.SetPort(1);
        sensor.SetAddress(config.ports[0].counters[0].address);
        bool programmed = false;
        if (port.Open(1) == PortOpenFailure::None) {
            CCounterLink link(&port, &noProgress);
            link.SetReplyTiming(timing);
            figures.push_back(Measure([&] { programmed = program(link, sensor).Ok(); }));
            port.Close();
        }
        // The counter sends nothing but the echoes.
        const long echoed = sim.Stop().at(1).fromCounters;
        row.floors = {echoed * kByteMs, echoed * kByteMs};
        row.failed = row.failed || !programmed;
    }
    row.figures = figures.empty() ? Figures{} : Median(figures);
    return row;
}

void ProgramBoth(CBenchTable& table, const char* what, const std::string& portDir, int runs,
                 const std::function<LinkResult(CCounterLink&, CSensor&)>& program) {
    const SimNetworkConfig config = Network(portDir, 1, 1);
    for (const auto& [timing, name] : kTimings) {
        Row row = MeasureProgramming(config, timing, runs, program);
        row.mode = name;
        table.Add(what, row);
        if (row.failed)
            table.Note(std::string(name) + ": programming FAILED");
    }
}

void Run(const std::string& portDir, int runs) {
    CBenchTable table;
    table.Title(runs);
    ScanBoth(table, "scan 1 port, no counters", Network(portDir, 1, 0), 0, runs);
    const auto one = ScanBoth(table, "scan 1 port, 8 counters", Network(portDir, 1, 8), 8, runs);
    ScanBoth(table, "scan 1 port, 32 counters", Network(portDir, 1, 32), 32, runs);
    // Found: the three healthy ones, the one that misses two replies and the
    // one with the gap.
    const auto faulty = ScanBoth(table, "scan 1 port, 5 faulty + 3 healthy counters",
                                 FaultyNetwork(portDir), 5, runs, FaultyFloors);
    table.Note("faulty port: framed takes " +
               CBenchTable::Ratio(faulty.at(ReplyTiming::Framed) / faulty.at(ReplyTiming::Strict)) +
               " x strict");
    const auto all =
        ScanBoth(table, "scan 32 ports, 8 counters each", Network(portDir, 32, 8), 256, runs);
    for (const auto& [timing, name] : kTimings)
        table.Note(std::string(name) + ": 32 ports take " +
                   CBenchTable::Ratio(all.at(timing) / one.at(timing)) + " x one port");
    ProgramBoth(table, "program 32 sizes", portDir, runs, [](CCounterLink& link, CSensor& s) {
        CSizeList sizes;
        for (double size : ThirtyTwoSizes())
            sizes.AddTail(size);
        return link.ProgramSizes(s, sizes);
    });
    ProgramBoth(table, "program 32 calibration points", portDir, runs,
                [](CCounterLink& link, CSensor& s) {
                    CCalCurve curve = ThirtyTwoPoints();
                    return link.ProgramCalibration(s, curve);
                });
    table.Footer();
}

} // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path dir = fs::temp_directory_path() / ("ktrbench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "supported-models") << "KTR-100\n";
    ::setenv("KTRSETUP_PORT_DIR", (dir / "ports").c_str(), 1);
    ::setenv("KTRSETUP_SUPPORTED_MODELS", (dir / "supported-models").c_str(), 1);
    Run((dir / "ports").string(), runs);
    fs::remove_all(dir);
    return 0;
}
