#include "Commands.h"

#include "ArgParsing.h"
#include "CTerminalProgress.h"
#include "ExitCode.h"
#include "ModelsFileText.h"
#include "ScanReport.h"
#include "SensorOutput.h"
#include "StopRequest.h"
#include "Terminal.h"
#include "discovery/ScanRunner.h"
#include "link/CSerialPort.h"
#include "link/PortHolder.h"
#include "link/PortNaming.h"
#include "link/PortText.h"

#include <algorithm>

namespace {

void SortByPortAndAddress(std::vector<CSensor>& sensors) {
    std::sort(sensors.begin(), sensors.end(), [](const CSensor& a, const CSensor& b) {
        if (a.GetPort() != b.GetPort())
            return a.GetPort() < b.GetPort();
        return a.GetAddress() < b.GetAddress();
    });
}

void PrintScan(const std::vector<CSensor>& sensors, bool json) {
    if (!json) {
        PrintOut(SensorTable(sensors));
        return;
    }
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const CSensor& sensor : sensors)
        list.push_back(SensorToJson(sensor));
    PrintOut(JsonText(list));
}

// One com port as `ports` shows it.
struct PortState {
    int port = 0;
    std::string device;
    std::string target; // where the system says the device leads, if anywhere
    PortOpenFailure failure = PortOpenFailure::None;
    int error = 0;
};

PortState StateOf(int port) {
    PortState state;
    state.port = port;
    state.device = PortDevicePath(port);
    state.target = PortDeviceTarget(port);
    state.failure = CSerialPort::Probe(uint8_t(port), &state.error);
    return state;
}

const char* StateName(PortOpenFailure failure) {
    switch (failure) {
    case PortOpenFailure::None:
        return "present";
    case PortOpenFailure::NoSuchPort:
        return "missing";
    case PortOpenFailure::InUse:
        return "in-use";
    case PortOpenFailure::AccessDenied:
        return "no-permission";
    default:
        return "error";
    }
}

std::string StateText(const PortState& state) {
    switch (state.failure) {
    case PortOpenFailure::None:
        return "present";
    case PortOpenFailure::NoSuchPort:
        return "missing";
    default:
        return PortOpenFailureReason(state.port, state.failure, state.error);
    }
}

nlohmann::ordered_json StateToJson(const PortState& state) {
    nlohmann::ordered_json object;
    object["port"] = state.port;
    object["device"] = state.device;
    if (!state.target.empty())
        object["target"] = state.target;
    object["state"] = StateName(state.failure);
    if (state.failure == PortOpenFailure::InUse) {
        object["holders"] = nlohmann::ordered_json::array();
        for (const PortHolder& holder : FindPortHolders(state.device))
            object["holders"].push_back({{"pid", holder.pid}, {"command", holder.command}});
    }
    if (state.failure == PortOpenFailure::HungUp || state.failure == PortOpenFailure::Other)
        object["reason"] = DescribePortOpenFailure(state.failure, state.error);
    return object;
}

// Port, device and state in columns of 7 and 32 characters (or more).
std::string DeviceText(const PortState& state) {
    return state.device + (state.target.empty() ? "" : " -> " + state.target);
}

// The device column is as wide as its longest text, so the states line up
// however long the paths are.
std::string Row(std::string port, std::string device, const std::string& state,
                size_t deviceWidth) {
    port.resize(std::max<size_t>(port.size() + 1, 7), ' ');
    device.resize(std::max(device.size() + 1, deviceWidth + 1), ' ');
    return port + device + state + "\n";
}

} // namespace

int RunScanCommand(const std::optional<std::string>& portList, bool json, bool quiet) {
    std::vector<uint8_t> ports = AllComPorts();
    if (portList) {
        std::string error;
        const auto parsed = ParsePortList(*portList, error);
        if (!parsed) {
            PrintError(error);
            return kExitUsage;
        }
        ports = *parsed;
    }
    if (!SupportedModelsAvailable())
        return kExitRefused;
    std::vector<CSensor> sensors;
    std::vector<PortScanOutcome> outcomes;
    {
        CTerminalProgress progress("Scanning");
        sensors = RunScan(ports, &progress, &StopSignal(), &outcomes);
    }
    // A scan cut short lists nothing: what it found is not all there is.
    if (StopSignalNumber() != 0)
        return kExitRefused;
    SortByPortAndAddress(sensors);
    PrintScan(sensors, json);
    return ReportScan(outcomes, sensors, quiet) ? kExitRefused : kExitOk;
}

int RunPortsCommand(bool json) {
    std::vector<PortState> states;
    for (uint8_t port : AllComPorts())
        states.push_back(StateOf(port));
    if (json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const PortState& state : states)
            list.push_back(StateToJson(state));
        PrintOut(JsonText(list));
        return kExitOk;
    }
    size_t deviceWidth = 31;
    for (const PortState& state : states)
        deviceWidth = std::max(deviceWidth, DeviceText(state).size());
    std::string text = Row("Port", "Device", "State", deviceWidth);
    for (const PortState& state : states)
        text += Row(PortName(state.port), DeviceText(state), StateText(state), deviceWidth);
    PrintOut(text);
    return kExitOk;
}
