#include "ScanReport.h"

#include "Terminal.h"
#include "discovery/ScanOutcomeText.h"

bool ReportScan(const std::vector<PortScanOutcome>& outcomes, const std::vector<CSensor>& found,
                bool quiet) {
    bool failed = false;
    for (const ScanOutcomeLine& line : ScanOutcomeLines(outcomes, found)) {
        failed = failed || line.IsFailure();
        if (!quiet || line.IsFailure())
            PrintError(line.text);
    }
    return failed;
}
