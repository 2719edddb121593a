#include "link/PortText.h"

#include "link/PortHolder.h"
#include "link/PortNaming.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

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

bool FolderExists(const char* path) {
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace

std::string PortName(int port) {
    return "COM" + std::to_string(port);
}

std::string PortAndDevice(int port) {
    std::string device = PortStableName(port);
    if (device.empty())
        device = PortDevicePath(port);
    return device.empty() ? PortName(port) : PortName(port) + " (" + device + ")";
}

std::string MissingDevicesText(const std::vector<uint8_t>& ports) {
    if (!PortsByFolder())
        return ports.size() == 1 ? "no device present has this number"
                                 : "no device present has these numbers";
    return "no such device (" + PortRunsText(ports, PortDevicePath) + ")";
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
    const char* dir = std::getenv("KTRSETUP_PORT_DIR");
    if (!dir || !*dir)
        return WherePortsAreLookedFor() + " (KTRSETUP_PORT_DIR is not set)";
    const std::string devices = PortRunsText(ports, PortDevicePath);
    return devices + " (KTRSETUP_PORT_DIR=" + dir +
           (FolderExists(dir) ? ")" : ", a folder that does not exist)");
}
