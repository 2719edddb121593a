#pragma once

#include "sim/SimNetworkConfig.h"

#include <nlohmann/json.hpp>

#include <stdexcept>
#include <string>
#include <vector>

// What ktrsim runs: the simulated network and the models its
// supported-models file lists.
struct SimProgramConfig {
    SimNetworkConfig network;
    std::vector<std::string> supportedModels;
};

// A configuration that cannot be used; what() says where and why.
class SimConfigError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a configuration file (format in docs/simulator.md). Unknown keys, values
// of the wrong type, port numbers outside 1 to 32, addresses outside 0 to 31
// and an address used twice on one port are errors.
SimProgramConfig ReadSimConfigFile(const std::string& path);
SimProgramConfig ParseSimConfig(const nlohmann::json& document);

// The network ktrsim runs when it is given no configuration: a few ports
// with counters holding realistic tables, one counter of a model that is
// not listed, and one port without counters.
SimProgramConfig DefaultSimConfig();
