#include "link/PortNaming.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

std::string PortDevicePath(int port) {
    const char* dir = std::getenv("KTRSETUP_PORT_DIR");
    if (dir && *dir) {
        std::string path(dir);
        if (path.back() != '/')
            path += '/';
        return path + "COM" + std::to_string(port);
    }
    return "/dev/ttyS" + std::to_string(port - 1);
}

std::string PortDeviceTarget(int port) {
    const std::string device = PortDevicePath(port);
    std::error_code ignored;
    if (!std::filesystem::is_symlink(device, ignored))
        return "";
    return std::filesystem::read_symlink(device, ignored).string();
}

std::string PortNamingNote() {
    const char* dir = std::getenv("KTRSETUP_PORT_DIR");
    if (!dir || !*dir)
        return "KTRSETUP_PORT_DIR is not set";
    std::error_code ignored;
    return std::string("KTRSETUP_PORT_DIR=") + dir +
           (std::filesystem::is_directory(dir, ignored) ? "" : ", a folder that does not exist");
}
