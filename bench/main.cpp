// ktrbench: wall time of scans and of programming against the simulated
// network at 9600-baud pace, next to the least time the protocol's
// time-outs and the line speed allow. Prints figures; judges nothing.

#include "CForkedSimulator.h"
#include "discovery/ScanRunner.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "link/IProgressIndicator.h"
#include "model/CSensor.h"
#include "model/CSizeList.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
// A counter that answers, beyond its bytes on the line: the identify reply
// read runs to its total time-out (32 + 50 ms) for a model text shorter than
// 32 bytes; the size and calibration reads end 200 ms and 100 ms after the
// last reply byte.
constexpr double kFoundCounterWaitMs = (32 + 50) + 200 + 100;
constexpr int kAddresses = 32;
const std::string kModelReply = "KTR-100\r\n";

struct Figures {
    double wallMs = 0;
    double cpuMs = 0;
};

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

void PrintRow(const char* what, const Figures& figures, double floorMs) {
    std::printf("%-40s %10.1f %10.1f %8.3f %9.1f\n", what, figures.wallMs, floorMs,
                figures.wallMs / floorMs, figures.cpuMs);
}

SimNetworkConfig Network(const std::string& portDir, int ports) {
    SimNetworkConfig config;
    config.portDir = portDir;
    config.pacing = true;
    for (int port = 1; port <= ports; ++port)
        config.ports.push_back(SimPortConfig{port, {}});
    return config;
}

SimCounterConfig Counter(int address, std::vector<double> sizes) {
    SimCounterConfig counter;
    counter.address = address;
    counter.model = kModelReply;
    counter.sizes = std::move(sizes);
    counter.points = {{0.3, 100}, {0.5, 150.5}, {1.0, 400}, {2.5, 1200}, {5.0, 2600}, {10, 4800}};
    return counter;
}

std::vector<uint8_t> Ports(int count) {
    std::vector<uint8_t> ports;
    for (int port = 1; port <= count; ++port)
        ports.push_back(uint8_t(port));
    return ports;
}

void EmptyPorts(const std::string& portDir, int count, const char* what) {
    CForkedSimulator sim(Network(portDir, count));
    const Figures figures = Measure([&] { RunScan(Ports(count)); });
    sim.Stop();
    PrintRow(what, figures, kAddresses * kEmptyAddressMs);
}

void PortWithEightCounters(const std::string& portDir) {
    SimNetworkConfig config = Network(portDir, 1);
    for (int address = 0; address < kAddresses; address += 4)
        config.ports[0].counters.push_back(Counter(address, {0.3, 0.5, 1.0, 2.5, 5.0, 10}));
    CForkedSimulator sim(config);
    size_t found = 0;
    const Figures figures = Measure([&] { found = RunScan({1}).size(); });
    const LineCounts line = sim.Stop().at(1);
    // The model replies arrive inside the identify read's fixed wait.
    const long pacedBytes = line.fromCounters - long(8 * kModelReply.size());
    const double floorMs =
        (kAddresses - 8) * kEmptyAddressMs + 8 * kFoundCounterWaitMs + pacedBytes * kByteMs;
    PrintRow("scan COM1 with 8 counters", figures, floorMs);
    if (found != 8)
        std::printf("  (found %zu counters, not 8)\n", found);
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

void ProgramThirtyTwoSizes(const std::string& portDir) {
    SimNetworkConfig config = Network(portDir, 1);
    config.ports[0].counters.push_back(Counter(0, {1.0}));
    CForkedSimulator sim(config);
    CSerialPort port;
    CNullProgress noProgress;
    CSensor sensor;
    sensor.SetPort(1);
    sensor.SetAddress(0);
    CSizeList sizes;
    for (double size : ThirtyTwoSizes())
        sizes.AddTail(size);
    bool programmed = false;
    Figures figures;
    if (port.Open(1)) {
        CCounterLink link(&port, &noProgress);
        figures = Measure([&] { programmed = link.ProgramSizes(sensor, sizes); });
        port.Close();
    }
    const LineCounts line = sim.Stop().at(1);
    // Every byte but the release byte waits for its echo, which the counter
    // sends at line speed.
    const long echoed = line.toCounters - 1;
    PrintRow("program 32 sizes", figures, echoed * kByteMs);
    std::printf("  (%ld bytes echoed%s)\n", echoed, programmed ? "" : "; programming FAILED");
}

} // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("ktrbench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "supported-models") << "KTR-100\n";
    ::setenv("KTRSETUP_PORT_DIR", (dir / "ports").c_str(), 1);
    ::setenv("KTRSETUP_SUPPORTED_MODELS", (dir / "supported-models").c_str(), 1);
    const std::string portDir = (dir / "ports").string();

    std::printf("Simulated counters at 9600 baud (%.4f ms per byte).\n", kByteMs);
    std::printf("%-40s %10s %10s %8s %9s\n", "", "wall ms", "floor ms", "ratio", "cpu ms");
    EmptyPorts(portDir, 1, "scan COM1, no counters");
    EmptyPorts(portDir, 32, "scan COM1-COM32, no counters");
    std::printf("  (one port after another would take at least %.1f ms)\n",
                32 * kAddresses * kEmptyAddressMs);
    PortWithEightCounters(portDir);
    ProgramThirtyTwoSizes(portDir);
    std::printf("Floors count the counters' bytes at line speed; on a real line the\n"
                "program's own bytes take line time as well.\n");
    fs::remove_all(dir);
    return 0;
}
