#include "discovery/ComPortsToScan.h"

#include "discovery/ScanRunner.h"
#include "link/PortNaming.h"

ComPortsToScan FindComPortsToScan() {
    ComPortsToScan scan;
    if (PortsByFolder()) {
        scan.ports = AllComPorts();
        return scan;
    }
    ComPortDiscovery look = RefreshComPorts();
    for (const ComPortEntry& entry : look.map.entries)
        if (entry.present)
            scan.ports.push_back(uint8_t(entry.port));
    for (const FoundDevice& device : look.map.unnumbered)
        scan.unnumbered.push_back(device.stableName + " (" + device.device + ")");
    scan.warnings = std::move(look.warnings);
    return scan;
}
