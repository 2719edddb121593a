#include "SimProgramConfig.h"

namespace {

SimCounterConfig Counter(int address, const std::string& modelReply, std::vector<double> sizes,
                         std::vector<std::pair<double, double>> points) {
    SimCounterConfig counter;
    counter.address = address;
    counter.model = modelReply;
    counter.sizes = std::move(sizes);
    counter.points = std::move(points);
    return counter;
}

SimPortConfig FirstPort() {
    SimPortConfig port;
    port.comNumber = 1;
    port.counters.push_back(
        Counter(0, "KTR-100\r\n", {0.3, 0.5, 1.0, 2.5, 5.0, 10.0},
                {{0.3, 100}, {0.5, 150.5}, {1.0, 400}, {2.5, 1200}, {5.0, 2600}, {10.0, 4800}}));
    port.counters.push_back(
        Counter(5, "KTR-100\r\n", {0.5, 1.0, 5.0}, {{0.5, 160}, {1.0, 420}, {5.0, 2500}}));
    port.counters.push_back(Counter(17, "KTR-200\r\n", {0.1, 0.2, 0.3, 0.5, 1.0, 2.0, 5.0, 10.0},
                                    {{0.1, 20},
                                     {0.2, 55},
                                     {0.3, 98},
                                     {0.5, 151},
                                     {1.0, 395},
                                     {2.0, 880},
                                     {5.0, 2450},
                                     {10.0, 4700}}));
    return port;
}

SimPortConfig SecondPort() {
    SimPortConfig port;
    port.comNumber = 2;
    // An older firmware: padded model text and a lower-case checksum.
    SimCounterConfig large =
        Counter(3, "  KTR-300\r\n", {0.3, 0.5, 0.7, 1.0, 2.0, 3.0, 5.0, 10.0, 15.0, 25.0},
                {{0.3, 90}, {0.5, 140}, {1.0, 380}, {3.0, 1500}, {10.0, 4600}, {25.0, 9800}});
    large.lowerCaseChecksum = true;
    port.counters.push_back(large);
    // A model the supported-models file does not list: scans pass it over.
    port.counters.push_back(
        Counter(9, "OPC-50\r\n", {0.5, 5.0}, {{0.5, 200}, {2.0, 900}, {5.0, 2700}}));
    return port;
}

SimPortConfig EmptyPort() {
    SimPortConfig port;
    port.comNumber = 4;
    return port;
}

} // namespace

SimProgramConfig DefaultSimConfig() {
    SimProgramConfig config;
    config.network.ports = {FirstPort(), SecondPort(), EmptyPort()};
    config.supportedModels = {"KTR-100", "KTR-200", "KTR-300"};
    return config;
}
