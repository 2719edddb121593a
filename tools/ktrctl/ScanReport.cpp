#include "ScanReport.h"

#include "ModelsFileText.h"
#include "PortText.h"
#include "Terminal.h"
#include "link/PortNaming.h"
#include "link/SupportedModels.h"

#include <algorithm>

namespace {

bool Missing(const PortScanOutcome& outcome) {
    return outcome.openFailure == PortOpenFailure::NoSuchPort;
}

bool Failed(const PortScanOutcome& outcome) {
    return (outcome.openFailure != PortOpenFailure::None && !Missing(outcome)) ||
           outcome.ended == LinkStatus::PortGone;
}

std::string Counted(size_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

const char* StageText(ReadStage stage) {
    switch (stage) {
    case ReadStage::Identify:
        return "identification failed: ";
    case ReadStage::Sizes:
        return "sizes unreadable: ";
    case ReadStage::Calibration:
        return "calibration unreadable: ";
    case ReadStage::Select:
        break;
    }
    return "";
}

std::string PassedOverText(int port, const PassedOver& counter) {
    const bool model = counter.result.status == LinkStatus::NotSupported;
    return PortName(port) + " address " + std::to_string(counter.address) +
           ": passed over: " + (model ? "" : StageText(counter.stage)) +
           LinkFailureText(counter.result);
}

// A port that opened: how many counters were listed and passed over, and
// why each was passed over.
void ReportOpenPort(const PortScanOutcome& outcome, const std::vector<CSensor>& found, bool quiet) {
    const auto listed = std::count_if(found.begin(), found.end(), [&](const CSensor& sensor) {
        return sensor.GetPort() == outcome.port;
    });
    if (!quiet) {
        std::string counts = Counted(size_t(listed), "counter listed", "counters listed");
        if (!outcome.passedOver.empty())
            counts += ", " + std::to_string(outcome.passedOver.size()) + " passed over";
        PrintError(PortAndDevice(outcome.port) + ": " + counts);
        for (const PassedOver& counter : outcome.passedOver)
            PrintError(PassedOverText(outcome.port, counter));
    }
    if (outcome.ended == LinkStatus::PortGone)
        PrintError(PortAndDevice(outcome.port) +
                   ": port gone during the scan (the device hung up)");
}

void ReportMissing(const std::vector<uint8_t>& ports) {
    if (ports.empty())
        return;
    PrintError(PortRunsText(ports, PortName) + ": no such device (" +
               PortRunsText(ports, PortDevicePath) + ")");
}

// Each port in order; runs of ports that do not exist on one line.
void ReportPorts(const std::vector<PortScanOutcome>& outcomes, const std::vector<CSensor>& found,
                 bool quiet) {
    std::vector<uint8_t> missing;
    for (const PortScanOutcome& outcome : outcomes) {
        if (Missing(outcome)) {
            missing.push_back(outcome.port);
            continue;
        }
        if (!quiet)
            ReportMissing(missing);
        missing.clear();
        if (outcome.openFailure == PortOpenFailure::None)
            ReportOpenPort(outcome, found, quiet);
        else
            PrintError(PortOpenFailureText(outcome.port, outcome.openFailure, outcome.openError));
    }
    if (!quiet)
        ReportMissing(missing);
}

bool NoPortExists(const std::vector<PortScanOutcome>& outcomes) {
    std::vector<uint8_t> ports;
    for (const PortScanOutcome& outcome : outcomes) {
        if (!Missing(outcome))
            return false;
        ports.push_back(outcome.port);
    }
    PrintError("no com port exists: looked for " + WhereDevicesWereLookedFor(ports));
    return true;
}

// Counters answered, but the file lists nothing they could match.
bool NoModelListed(const std::vector<PortScanOutcome>& outcomes) {
    if (!ListedModels().empty())
        return false;
    size_t answered = 0;
    for (const PortScanOutcome& outcome : outcomes)
        answered += size_t(std::count_if(
            outcome.passedOver.begin(), outcome.passedOver.end(),
            [](const PassedOver& c) { return c.result.status == LinkStatus::NotSupported; }));
    const std::string so = answered == 0   ? "no counter can be listed"
                           : answered == 1 ? "the counter that answered is not listed"
                                           : "none of the " + std::to_string(answered) +
                                                 " counters that answered is listed";
    PrintError("the " + SupportedModelsPlace() + " lists no model, so " + so);
    return true;
}

} // namespace

bool ReportScan(const std::vector<PortScanOutcome>& outcomes, const std::vector<CSensor>& found,
                bool quiet) {
    ReportPorts(outcomes, found, quiet);
    const bool portFailed = std::any_of(outcomes.begin(), outcomes.end(), Failed);
    const bool noPort = NoPortExists(outcomes);
    const bool noModel = NoModelListed(outcomes);
    return portFailed || noPort || noModel;
}
