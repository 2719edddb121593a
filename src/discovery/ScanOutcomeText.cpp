#include "discovery/ScanOutcomeText.h"

#include "link/PortNaming.h"
#include "link/PortText.h"
#include "link/SupportedModels.h"

#include <algorithm>

namespace {

using Kind = ScanOutcomeLine::Kind;

bool Missing(const PortScanOutcome& outcome) {
    return outcome.openFailure == PortOpenFailure::NoSuchPort;
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

// A port that opened: how many counters were listed and passed over, why
// each was passed over, and whether the port went during the scan.
void OpenPortLines(const PortScanOutcome& outcome, const std::vector<CSensor>& found,
                   std::vector<ScanOutcomeLine>& lines) {
    const auto listed = std::count_if(found.begin(), found.end(), [&](const CSensor& sensor) {
        return sensor.GetPort() == outcome.port;
    });
    std::string counts = Counted(size_t(listed), "counter listed", "counters listed");
    if (!outcome.passedOver.empty())
        counts += ", " + std::to_string(outcome.passedOver.size()) + " passed over";
    lines.push_back({Kind::PortScanned, PortAndDevice(outcome.port) + ": " + counts});
    for (const PassedOver& counter : outcome.passedOver)
        lines.push_back({Kind::PassedOver, PassedOverText(outcome.port, counter)});
    if (outcome.ended == LinkStatus::PortGone)
        lines.push_back({Kind::PortFailed, PortAndDevice(outcome.port) +
                                               ": port gone during the scan (the device hung up)"});
}

void MissingLine(std::vector<uint8_t>& ports, std::vector<ScanOutcomeLine>& lines) {
    if (!ports.empty())
        lines.push_back(
            {Kind::NoSuchPorts, PortRunsText(ports, PortName) + ": " + MissingDevicesText(ports)});
    ports.clear();
}

void PortLines(const std::vector<PortScanOutcome>& outcomes, const std::vector<CSensor>& found,
               std::vector<ScanOutcomeLine>& lines) {
    std::vector<uint8_t> missing;
    for (const PortScanOutcome& outcome : outcomes) {
        if (Missing(outcome)) {
            missing.push_back(outcome.port);
            continue;
        }
        MissingLine(missing, lines);
        if (outcome.openFailure == PortOpenFailure::None)
            OpenPortLines(outcome, found, lines);
        else
            lines.push_back(
                {Kind::PortFailed,
                 PortOpenFailureText(outcome.port, outcome.openFailure, outcome.openError)});
    }
    MissingLine(missing, lines);
}

void NoPortLine(const std::vector<PortScanOutcome>& outcomes, std::vector<ScanOutcomeLine>& lines) {
    std::vector<uint8_t> ports;
    for (const PortScanOutcome& outcome : outcomes) {
        if (!Missing(outcome))
            return;
        ports.push_back(outcome.port);
    }
    lines.push_back(
        {Kind::ScanFailed, "no com port exists: looked for " + WhereDevicesWereLookedFor(ports)});
}

// Counters answered, but the file lists nothing they could match.
void NoModelLine(const std::vector<PortScanOutcome>& outcomes,
                 std::vector<ScanOutcomeLine>& lines) {
    if (!ListedModels().empty())
        return;
    size_t answered = 0;
    for (const PortScanOutcome& outcome : outcomes)
        answered += size_t(std::count_if(
            outcome.passedOver.begin(), outcome.passedOver.end(),
            [](const PassedOver& c) { return c.result.status == LinkStatus::NotSupported; }));
    const std::string so = answered == 0   ? "no counter can be listed"
                           : answered == 1 ? "the counter that answered is not listed"
                                           : "none of the " + std::to_string(answered) +
                                                 " counters that answered is listed";
    lines.push_back({Kind::ScanFailed, "the " + SupportedModelsPlace() + " lists no model, so " + so});
}

} // namespace

std::vector<ScanOutcomeLine> ScanOutcomeLines(const std::vector<PortScanOutcome>& outcomes,
                                              const std::vector<CSensor>& found) {
    std::vector<ScanOutcomeLine> lines;
    PortLines(outcomes, found, lines);
    NoPortLine(outcomes, lines);
    NoModelLine(outcomes, lines);
    return lines;
}

std::string NotListedNote() {
    const ModelList list = ReadSupportedModels();
    if (!list.readable)
        return " (the " + SupportedModelsPlace() + " is missing or cannot be read)";
    if (list.models.empty())
        return " (the " + SupportedModelsPlace() + " lists no model)";
    return " (not listed in " + SupportedModelsPath() + ")";
}

std::string LinkFailureText(const LinkResult& result) {
    std::string text = DescribeLinkResult(result);
    if (result.status == LinkStatus::NotSupported)
        text += NotListedNote();
    return text;
}

std::vector<ScanOutcomeLine> UnnumberedAdapterLines(const std::vector<std::string>& adapters) {
    std::vector<ScanOutcomeLine> lines;
    for (const std::string& adapter : adapters)
        lines.push_back({ScanOutcomeLine::Kind::PortFailed,
                         adapter + ": not scanned, no com port number is left (COM1 to COM32 "
                                   "are all taken; ktrctl ports forget frees one)"});
    return lines;
}
