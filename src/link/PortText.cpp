#include "link/PortText.h"

#include "link/PortHolder.h"
#include "link/PortNaming.h"

namespace {

std::string InUseText(const std::string& device) {
    const std::string holders = DescribePortHolders(FindPortHolders(device));
    return "in use by another program" + (holders.empty() ? "" : " (" + holders + ")");
}

std::string NoPermissionText(const std::string& device) {
    const std::string group = PortDeviceGroup(device);
    return "no permission" +
           (group.empty() ? "" : " (the device belongs to group '" + group + "')");
}

} // namespace

std::string PortName(int port) {
    return "COM" + std::to_string(port);
}

std::string PortAndDevice(int port) {
    return PortName(port) + " (" + PortDevicePath(port) + ")";
}

std::string PortOpenFailureReason(int port, PortOpenFailure failure, int error) {
    switch (failure) {
    case PortOpenFailure::InUse:
        return InUseText(PortDevicePath(port));
    case PortOpenFailure::AccessDenied:
        return NoPermissionText(PortDevicePath(port));
    default:
        return DescribePortOpenFailure(failure, error);
    }
}

std::string PortOpenFailureText(int port, PortOpenFailure failure, int error) {
    return PortAndDevice(port) + ": " + PortOpenFailureReason(port, failure, error);
}

std::string PortRunsText(const std::vector<uint8_t>& ports,
                         const std::function<std::string(int)>& name) {
    std::string text;
    for (size_t i = 0; i < ports.size();) {
        size_t end = i + 1;
        while (end < ports.size() && ports[end] == ports[end - 1] + 1)
            ++end;
        if (!text.empty())
            text += ", ";
        if (end - i >= 3)
            text += name(ports[i]) + " to " + name(ports[end - 1]);
        else
            for (size_t k = i; k < end; ++k)
                text += (k > i ? ", " : "") + name(ports[k]);
        i = end;
    }
    return text;
}

std::string WhereDevicesWereLookedFor(const std::vector<uint8_t>& ports) {
    return PortRunsText(ports, PortDevicePath) + " (" + PortNamingNote() + ")";
}
