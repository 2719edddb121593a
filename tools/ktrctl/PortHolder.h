#pragma once

#include <string>
#include <vector>

// A process that holds a com port's device.
struct PortHolder {
    long pid = 0;
    std::string command; // its name, as /proc/<pid>/comm gives it
};

// The processes other than this one that hold the device, as far as the
// system tells; one file per system. Linux: the holder of its lock
// (/proc/locks) when there is one, otherwise every process with the device
// open that this user may look at. Windows tells no one the holder of a com
// port, so the list is empty there. Empty when nothing is known.
std::vector<PortHolder> FindPortHolders(const std::string& devicePath);

// The group that owns the device when it is not root's (Linux), empty when
// none or on a system without device groups.
std::string DeviceGroup(const std::string& devicePath);

// "ktrsetup, pid 1234" (several joined by "; "); empty for none.
std::string DescribePortHolders(const std::vector<PortHolder>& holders);
