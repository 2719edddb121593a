#pragma once

#include <string>
#include <vector>

// Who holds a com port's device or may open it, as far as the system tells;
// the lookups live in one file per system.

// A process that holds a com port's device.
struct PortHolder {
    long pid = 0;
    std::string command; // its name, as /proc/<pid>/comm gives it
};

// The processes other than this one that hold the device, as far as the
// system tells. Linux: the holder of its lock (/proc/locks) when there is
// one, otherwise every process with the device open that this user may look
// at. Windows names no holder of a com port. Empty when nothing is known.
std::vector<PortHolder> FindPortHolders(const std::string& devicePath);

// The group that owns the device, when it is not root's; empty otherwise.
std::string PortDeviceGroup(const std::string& devicePath);

// "ktrsetup, pid 1234" (several joined by "; "); empty for none.
std::string DescribePortHolders(const std::vector<PortHolder>& holders);
