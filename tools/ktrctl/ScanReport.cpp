#include "ScanReport.h"

#include "Terminal.h"
#include "discovery/ScanOutcomeText.h"

bool ReportScan(const std::vector<PortScanOutcome>& outcomes, const std::vector<CSensor>& found,
                bool quiet, const std::vector<std::string>& unnumbered) {
    bool failed = false;
    std::vector<ScanOutcomeLine> lines = UnnumberedAdapterLines(unnumbered);
    for (ScanOutcomeLine& line : ScanOutcomeLines(outcomes, found))
        lines.push_back(std::move(line));
    for (const ScanOutcomeLine& line : lines) {
        failed = failed || line.IsFailure();
        if (!quiet || line.IsFailure())
            PrintError(line.text);
    }
    return failed;
}
