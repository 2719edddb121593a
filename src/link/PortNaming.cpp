#include "link/PortNaming.h"

#include <cstdlib>

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
