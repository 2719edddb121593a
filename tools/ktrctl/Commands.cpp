#include "Commands.h"

#include "ArgParsing.h"
#include "CCounterSession.h"
#include "CTerminalProgress.h"
#include "ExitCode.h"
#include "SensorOutput.h"
#include "Terminal.h"
#include "discovery/ScanRunner.h"
#include "link/SupportedModels.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

void PrintOut(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// Without a readable list of models no counter can be identified, so there
// is no point in asking any.
bool SupportedModelsAvailable() {
    if (SupportedModelsFileReadable())
        return true;
    PrintError("the supported-models file " + SupportedModelsPath() +
               " is missing or cannot be read, so no counter model is supported"
               " (set KTRSETUP_SUPPORTED_MODELS to the file to use)");
    return false;
}

std::optional<CSizeList> ParseSizes(const std::vector<std::string>& texts) {
    CSizeList sizes;
    std::string error;
    for (const std::string& text : texts) {
        const auto value = ParseNumber(text, error);
        if (!value) {
            PrintError(error);
            return std::nullopt;
        }
        sizes.AddTail(*value);
    }
    return sizes;
}

std::optional<CCalCurve> ParseCurve(const std::vector<std::string>& texts) {
    CCalCurve curve;
    std::string error;
    for (const std::string& text : texts) {
        const auto point = ParsePoint(text, error);
        if (!point) {
            PrintError(error);
            return std::nullopt;
        }
        curve.AddTail(CCalPoint(point->first, point->second));
    }
    return curve;
}

// Says why ports failed: those in use or not permitted have shown the
// program's message; a port that does not exist is passed over, as in
// the desktop program. True when any port failed.
bool ReportPortFailures(const std::vector<PortScanOutcome>& outcomes) {
    bool failed = false;
    for (const PortScanOutcome& outcome : outcomes) {
        const std::string port = "COM" + std::to_string(outcome.port);
        if (outcome.ended == LinkStatus::PortGone)
            PrintError(port + ": port gone during the scan (the device hung up)");
        else if (outcome.openFailure == PortOpenFailure::NoSuchPort)
            continue;
        else if (outcome.openFailure != PortOpenFailure::None &&
                 PortOpenMessageId(outcome.openFailure) == 0)
            PrintError(port + ": " +
                       DescribePortOpenFailure(outcome.openFailure, outcome.openError));
        failed = failed || outcome.openFailure != PortOpenFailure::None ||
                 outcome.ended != LinkStatus::Done;
    }
    return failed;
}

void PrintSensor(const CSensor& sensor, bool json) {
    PrintOut(json ? JsonText(SensorToJson(sensor)) : SensorDetails(sensor));
}

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

} // namespace

int RunScanCommand(const std::optional<std::string>& portList, bool json) {
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
        sensors = RunScan(ports, &progress, nullptr, &outcomes);
    }
    SortByPortAndAddress(sensors);
    PrintScan(sensors, json);
    // The scan of the other ports still stands, but the caller must learn
    // of a port that failed.
    return ReportPortFailures(outcomes) ? kExitRefused : kExitOk;
}

int RunReadCommand(int port, int address, bool json) {
    if (!SupportedModelsAvailable())
        return kExitRefused;
    CCounterSession session(port, address);
    if (!session.Open() || !session.ReadCounter())
        return kExitRefused;
    PrintSensor(session.Sensor(), json);
    return kExitOk;
}

int RunProgramSizesCommand(int port, int address, const std::vector<std::string>& texts,
                           bool json) {
    auto sizes = ParseSizes(texts);
    if (!sizes)
        return kExitUsage;
    // Refuse broken tables before a single byte goes to the counter.
    if (!CCounterLink::ValidateSizes(*sizes) || !SupportedModelsAvailable())
        return kExitRefused;
    CSensor programmed;
    {
        CTerminalProgress progress("Programming");
        CCounterSession session(port, address, &progress);
        if (!session.Open() || !session.ReadCounter() || !session.ProgramSizes(*sizes))
            return kExitRefused;
        programmed = session.Sensor();
    }
    PrintSensor(programmed, json);
    return kExitOk;
}

int RunProgramCalCommand(int port, int address, const std::vector<std::string>& texts, bool json) {
    auto curve = ParseCurve(texts);
    if (!curve)
        return kExitUsage;
    if (!CCounterLink::ValidateCalibration(*curve) || !SupportedModelsAvailable())
        return kExitRefused;
    CSensor programmed;
    {
        CTerminalProgress progress("Programming");
        CCounterSession session(port, address, &progress);
        if (!session.Open() || !session.ReadCounter() || !session.ProgramCalibration(*curve))
            return kExitRefused;
        programmed = session.Sensor();
    }
    PrintSensor(programmed, json);
    return kExitOk;
}

int RunFlashCommand(int port, int address, bool on) {
    CCounterSession session(port, address);
    if (!session.Open() || !session.SetFlash(on))
        return kExitRefused;
    PrintOut("COM" + std::to_string(port) + " address " + std::to_string(address) + ": flash " +
             (on ? "on" : "off") + "\n");
    return kExitOk;
}
