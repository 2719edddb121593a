#include "Commands.h"

#include "ArgParsing.h"
#include "CCounterSession.h"
#include "CTerminalMessageDisplay.h"
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

int RunScanCommand(const std::string& portList, bool json, CTerminalMessageDisplay& display) {
    std::vector<uint8_t> ports = AllComPorts();
    if (!portList.empty()) {
        std::string error;
        const auto parsed = ParsePortList(portList, error);
        if (!parsed) {
            PrintError(error);
            return kExitUsage;
        }
        ports = *parsed;
    }
    if (!SupportedModelsAvailable())
        return kExitRefused;
    std::vector<CSensor> sensors;
    {
        CTerminalProgress progress("Scanning");
        sensors = RunScan(ports, &progress);
    }
    SortByPortAndAddress(sensors);
    PrintScan(sensors, json);
    // A port that refused to open has shown its message; the scan of the
    // others still stands, but the caller must learn of the refusal.
    return display.ShownCount() > 0 ? kExitRefused : kExitOk;
}

int RunReadCommand(int port, int address, bool json, CTerminalMessageDisplay& display) {
    if (!SupportedModelsAvailable())
        return kExitRefused;
    CCounterSession session(port, address, display);
    if (!session.Open() || !session.ReadCounter())
        return kExitRefused;
    PrintSensor(session.Sensor(), json);
    return kExitOk;
}

int RunProgramSizesCommand(int port, int address, const std::vector<std::string>& texts, bool json,
                           CTerminalMessageDisplay& display) {
    auto sizes = ParseSizes(texts);
    if (!sizes)
        return kExitUsage;
    // Refuse broken tables before a single byte goes to the counter.
    if (!CCounterLink::ValidateSizes(*sizes) || !SupportedModelsAvailable())
        return kExitRefused;
    CSensor programmed;
    {
        CTerminalProgress progress("Programming");
        CCounterSession session(port, address, display, &progress);
        if (!session.Open() || !session.ReadCounter() || !session.ProgramSizes(*sizes))
            return kExitRefused;
        programmed = session.Sensor();
    }
    PrintSensor(programmed, json);
    return kExitOk;
}

int RunProgramCalCommand(int port, int address, const std::vector<std::string>& texts, bool json,
                         CTerminalMessageDisplay& display) {
    auto curve = ParseCurve(texts);
    if (!curve)
        return kExitUsage;
    if (!CCounterLink::ValidateCalibration(*curve) || !SupportedModelsAvailable())
        return kExitRefused;
    CSensor programmed;
    {
        CTerminalProgress progress("Programming");
        CCounterSession session(port, address, display, &progress);
        if (!session.Open() || !session.ReadCounter() || !session.ProgramCalibration(*curve))
            return kExitRefused;
        programmed = session.Sensor();
    }
    PrintSensor(programmed, json);
    return kExitOk;
}

int RunFlashCommand(int port, int address, bool on, CTerminalMessageDisplay& display) {
    CCounterSession session(port, address, display);
    if (!session.Open() || !session.SetFlash(on))
        return kExitRefused;
    PrintOut("COM" + std::to_string(port) + " address " + std::to_string(address) + ": flash " +
             (on ? "on" : "off") + "\n");
    return kExitOk;
}
