#include "SimProgramConfig.h"

#include <fstream>
#include <set>

namespace {

using nlohmann::json;

constexpr int kFirstPort = 1;
constexpr int kLastPort = 32;
constexpr int kLastAddress = 31;

void CheckKeys(const json& object, const std::set<std::string>& allowed, const std::string& where) {
    if (!object.is_object())
        throw SimConfigError(where + ": expected an object");
    for (const auto& item : object.items()) {
        if (!allowed.count(item.key()))
            throw SimConfigError(where + ": unknown key \"" + item.key() + "\"");
    }
}

template <typename T> void Take(const json& object, const char* key, T& target) {
    if (object.contains(key))
        target = object.at(key).get<T>();
}

SimFaults ParseFaults(const json& object, const std::string& where) {
    CheckKeys(object,
              {"echoStopsAfter", "wrongEchoAt", "badChecksum", "noMarker", "noReply",
               "replyDelayMs", "gapAfterByte", "gapMs", "noise", "overlongBytes", "replyFaultsOn",
               "replyFaultsFor", "lateEchoAt", "lateEchoMs", "echoNoiseAt", "echoNoise", "releaseNoise", "hangUpAt"},
              where);
    SimFaults faults;
    Take(object, "echoStopsAfter", faults.echoStopsAfter);
    Take(object, "wrongEchoAt", faults.wrongEchoAt);
    Take(object, "badChecksum", faults.badChecksum);
    Take(object, "noMarker", faults.noMarker);
    Take(object, "noReply", faults.noReply);
    Take(object, "replyDelayMs", faults.replyDelayMs);
    Take(object, "gapAfterByte", faults.gapAfterByte);
    Take(object, "gapMs", faults.gapMs);
    Take(object, "noise", faults.noise);
    Take(object, "overlongBytes", faults.overlongBytes);
    Take(object, "replyFaultsOn", faults.replyFaultsOn);
    Take(object, "replyFaultsFor", faults.replyFaultsFor);
    Take(object, "lateEchoAt", faults.lateEchoAt);
    Take(object, "lateEchoMs", faults.lateEchoMs);
    Take(object, "echoNoiseAt", faults.echoNoiseAt);
    Take(object, "echoNoise", faults.echoNoise);
    Take(object, "releaseNoise", faults.releaseNoise);
    Take(object, "hangUpAt", faults.hangUpAt);
    return faults;
}

SimCounterConfig ParseCounter(const json& object, const std::string& where) {
    CheckKeys(object,
              {"address", "model", "modelReply", "sizes", "calibration", "lowerCaseChecksum",
               "sizesReply", "calibrationReply", "faults"},
              where);
    SimCounterConfig counter;
    if (!object.contains("address"))
        throw SimConfigError(where + ": \"address\" is missing");
    counter.address = object.at("address").get<int>();
    if (counter.address < 0 || counter.address > kLastAddress)
        throw SimConfigError(where + ": address must be 0 to 31");
    std::string model;
    Take(object, "model", model);
    counter.model = model.empty() ? "" : model + "\r\n";
    Take(object, "modelReply", counter.model);
    Take(object, "sizes", counter.sizes);
    Take(object, "calibration", counter.points);
    Take(object, "lowerCaseChecksum", counter.lowerCaseChecksum);
    Take(object, "sizesReply", counter.sizesReplyOverride);
    Take(object, "calibrationReply", counter.calibrationReplyOverride);
    if (object.contains("faults"))
        counter.faults = ParseFaults(object.at("faults"), where + ".faults");
    return counter;
}

SimPortConfig ParsePort(const json& object, const std::string& where) {
    CheckKeys(object, {"port", "counters"}, where);
    SimPortConfig port;
    if (!object.contains("port"))
        throw SimConfigError(where + ": \"port\" is missing");
    port.comNumber = object.at("port").get<int>();
    if (port.comNumber < kFirstPort || port.comNumber > kLastPort)
        throw SimConfigError(where + ": port must be 1 to 32");
    std::set<int> addresses;
    const json counters = object.value("counters", json::array());
    for (size_t i = 0; i < counters.size(); ++i) {
        const std::string at = where + ".counters[" + std::to_string(i) + "]";
        port.counters.push_back(ParseCounter(counters.at(i), at));
        if (!addresses.insert(port.counters.back().address).second)
            throw SimConfigError(at + ": address used twice on this port");
    }
    return port;
}

// The model names as a scan reports them: without spaces, CRs and LFs at
// either end.
std::string StrippedModel(const std::string& reply) {
    const size_t first = reply.find_first_not_of(" \r\n");
    if (first == std::string::npos)
        return "";
    return reply.substr(first, reply.find_last_not_of(" \r\n") - first + 1);
}

std::vector<std::string> ModelsOf(const SimNetworkConfig& network) {
    std::vector<std::string> models;
    std::set<std::string> seen;
    for (const SimPortConfig& port : network.ports) {
        for (const SimCounterConfig& counter : port.counters) {
            const std::string model = StrippedModel(counter.model);
            if (!model.empty() && seen.insert(model).second)
                models.push_back(model);
        }
    }
    return models;
}

} // namespace

SimProgramConfig ParseSimConfig(const json& document) {
    CheckKeys(document, {"ports", "supportedModels"}, "config");
    SimProgramConfig config;
    std::set<int> ports;
    const json portList = document.value("ports", json::array());
    for (size_t i = 0; i < portList.size(); ++i) {
        const std::string at = "ports[" + std::to_string(i) + "]";
        config.network.ports.push_back(ParsePort(portList.at(i), at));
        if (!ports.insert(config.network.ports.back().comNumber).second)
            throw SimConfigError(at + ": port listed twice");
    }
    if (document.contains("supportedModels"))
        config.supportedModels = document.at("supportedModels").get<std::vector<std::string>>();
    else
        config.supportedModels = ModelsOf(config.network);
    return config;
}

SimProgramConfig ReadSimConfigFile(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        throw SimConfigError(path + ": cannot be read");
    try {
        return ParseSimConfig(json::parse(in));
    } catch (const json::exception& error) {
        throw SimConfigError(path + ": " + error.what());
    } catch (const SimConfigError& error) {
        throw SimConfigError(path + ": " + error.what());
    }
}
