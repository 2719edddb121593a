#include "WinSimPorts.h"

#include <cstdlib>

namespace {

int Number(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : 0;
}

std::string Text(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

const WinSimPorts& SimPorts() {
    static const WinSimPorts ports{Number("KTR_WIN_SIM_PORT"), Number("KTR_WIN_SIM_ADDRESS"),
                                   Text("KTR_WIN_SIM_MODEL"), Number("KTR_WIN_SIM_SILENT_PORT"),
                                   Number("KTR_WIN_SIM_MISSING_PORT")};
    return ports;
}
