#include "Commands.h"

#include "ArgParsing.h"
#include "CTerminalProgress.h"
#include "ExitCode.h"
#include "ModelsFileText.h"
#include "ScanReport.h"
#include "SensorOutput.h"
#include "StopRequest.h"
#include "Terminal.h"
#include "discovery/ComPortsToScan.h"
#include "discovery/ScanOutcomeText.h"
#include "discovery/ScanRunner.h"
#include "link/CSerialPort.h"
#include "link/PortHolder.h"
#include "link/PortNaming.h"
#include "link/PortText.h"

#include <algorithm>
#include <filesystem>

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
    std::string target;     // where the device's link leads, if it is one (port folder)
    std::string name;       // the device's stable name (discovery)
    std::string source;     // why it has its number (discovery)
    bool unplugged = false; // a remembered adapter that is not plugged in
    PortOpenFailure failure = PortOpenFailure::None;
    int error = 0;
};

PortState StateOf(int port) {
    PortState state;
    state.port = port;
    state.device = PortDevicePath(port);
    std::error_code ignored;
    if (std::filesystem::is_symlink(state.device, ignored))
        state.target = std::filesystem::read_symlink(state.device, ignored).string();
    state.failure = CSerialPort::Probe(uint8_t(port), &state.error);
    return state;
}

const char* SourceName(ComPortSource source) {
    switch (source) {
    case ComPortSource::BuiltIn:
        return "built-in";
    case ComPortSource::Administrator:
        return "administrator";
    case ComPortSource::User:
        return "remembered";
    default:
        return "new";
    }
}

// A numbered device; one that is not plugged in is not opened.
PortState StateOf(const ComPortEntry& entry) {
    PortState state;
    state.port = entry.port;
    state.device = entry.device;
    state.name = entry.stableName;
    state.source = SourceName(entry.source);
    state.unplugged = !entry.present;
    state.failure = entry.present ? CSerialPort::Probe(uint8_t(entry.port), &state.error)
                                  : PortOpenFailure::NoSuchPort;
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
        return state.unplugged ? "not plugged in" : "missing";
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
    if (!state.source.empty()) {
        object["name"] = state.name;
        object["source"] = state.source;
    }
    object["state"] = StateName(state.failure);
    if (state.failure == PortOpenFailure::InUse) {
        object["holders"] = nlohmann::ordered_json::array();
        for (const PortHolder& holder : FindPortHolders(PortDevicePath(state.port)))
            object["holders"].push_back({{"pid", holder.pid}, {"command", holder.command}});
    }
    if (state.failure == PortOpenFailure::HungUp || state.failure == PortOpenFailure::Other)
        object["reason"] = DescribePortOpenFailure(state.failure, state.error);
    return object;
}

std::string DeviceText(const PortState& state) {
    return state.device + (state.target.empty() ? "" : " -> " + state.target);
}

// Text cells padded to their column's width, with a blank between columns.
std::string Row(std::vector<std::string> cells, const std::vector<size_t>& widths) {
    std::string row;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (i + 1 < cells.size())
            cells[i].resize(std::max(cells[i].size() + 1, widths[i] + 1), ' ');
        row += cells[i];
    }
    return row + "\n";
}

// Port, device (and name, when the ports were discovered) and state; each
// column as wide as its longest text, so the states line up.
std::string StateTable(const std::vector<PortState>& states, bool discovered) {
    std::vector<std::vector<std::string>> rows;
    rows.push_back({"Port", "Device"});
    for (const PortState& state : states)
        rows.push_back({PortName(state.port), DeviceText(state)});
    for (size_t i = 0; i < rows.size(); ++i) {
        if (discovered)
            rows[i].push_back(i == 0                       ? "Name"
                              : states[i - 1].name.empty() ? "-"
                                                           : states[i - 1].name);
        rows[i].push_back(i == 0 ? "State" : StateText(states[i - 1]));
    }
    std::vector<size_t> widths{6, discovered ? size_t(12) : size_t(31), 4, 0};
    for (const auto& row : rows)
        for (size_t column = 0; column + 1 < row.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    std::string text;
    for (const auto& row : rows)
        text += Row(row, widths);
    return text;
}

void PrintWarnings(const std::vector<std::string>& warnings) {
    for (const std::string& warning : warnings)
        PrintError("warning: " + warning);
}

} // namespace

int RunScanCommand(const std::optional<std::string>& portList, bool json, bool quiet) {
    ComPortsToScan scan = FindComPortsToScan();
    PrintWarnings(scan.warnings);
    std::vector<uint8_t> ports = scan.ports;
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
    return ReportScan(outcomes, sensors, quiet, scan.unnumbered) ? kExitRefused : kExitOk;
}

int RunPortsCommand(bool json) {
    std::vector<PortState> states;
    std::vector<std::string> unnumbered;
    const bool discovered = !PortsByFolder();
    if (discovered) {
        const ComPortDiscovery look = RefreshComPorts();
        PrintWarnings(look.warnings);
        for (const ComPortEntry& entry : look.map.entries)
            states.push_back(StateOf(entry));
        for (const FoundDevice& device : look.map.unnumbered)
            unnumbered.push_back(device.stableName + " (" + device.device + ")");
        if (states.empty())
            PrintError("no com port found: looked for " + WherePortsAreLookedFor());
    } else {
        for (uint8_t port : AllComPorts())
            states.push_back(StateOf(port));
    }
    if (json) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const PortState& state : states)
            list.push_back(StateToJson(state));
        for (const std::string& adapter : unnumbered)
            list.push_back({{"port", nullptr}, {"device", adapter}, {"state", "no-number"}});
        PrintOut(JsonText(list));
        return kExitOk;
    }
    std::string text = StateTable(states, discovered);
    for (const ScanOutcomeLine& line : UnnumberedAdapterLines(unnumbered))
        text += line.text + "\n";
    PrintOut(text);
    return kExitOk;
}

void LookForComPorts() {
    if (!PortsByFolder())
        PrintWarnings(RefreshComPorts().warnings);
}

int RunPortsEditCommand(const std::string& action, int port, const std::string& device) {
    std::string error;
    const bool done =
        action == "assign" ? AssignComPort(port, device, error) : ForgetComPort(port, error);
    if (!done) {
        PrintError(error);
        return kExitRefused;
    }
    // The look after the edit gives a present adapter that lost its number a new one.
    const ComPortDiscovery look = RefreshComPorts();
    PrintWarnings(look.warnings);
    const ComPortEntry* entry = look.map.Find(port);
    PrintOut(PortName(port) + ": " +
             (entry ? (entry->stableName.empty() ? entry->device : entry->stableName)
                    : std::string("no device")) +
             "\n");
    return kExitOk;
}
