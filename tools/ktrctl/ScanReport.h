#pragma once

#include "discovery/ScanRunner.h"
#include "model/CSensor.h"

#include <vector>

// After a scan, says on stderr how each port fared, in port order:
//
//   ktrctl: COM1 (/dev/ttyS0): 2 counters listed, 1 passed over
//   ktrctl: COM1 address 4: passed over: model "XYZ-9" is not supported (not listed in ...)
//   ktrctl: COM2 (/dev/ttyS1): in use by another program (ktrsetup, pid 1234)
//   ktrctl: COM3 to COM32: no such device (/dev/ttyS2 to /dev/ttyS31)
//
// quiet leaves out ports that were scanned or do not exist and the counters
// passed over; a port that failed (in use, no permission, gone) is always
// named. A scan where no port exists, or whose supported-models file lists
// no model, says so in any case. Returns true when the scan failed: a port
// failed, no port exists, or no model is listed.
// unnumbered: adapters that got no com port number ("<name> (<device>)"),
// named first as failures.
bool ReportScan(const std::vector<PortScanOutcome>& outcomes, const std::vector<CSensor>& found,
                bool quiet, const std::vector<std::string>& unnumbered = {});
