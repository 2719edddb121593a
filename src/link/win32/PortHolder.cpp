#include "link/PortHolder.h"

// Windows names no holder of a com port and no owning group: an open that
// fails says only that the port is in use or not permitted.
std::vector<PortHolder> FindPortHolders(const std::string&) {
    return {};
}

std::string PortDeviceGroup(const std::string&) {
    return "";
}
