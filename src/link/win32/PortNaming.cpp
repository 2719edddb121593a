#include "link/PortNaming.h"

#include "link/win32/RegistryKey.h"
#include "link/win32/WideText.h"

#include <cwctype>

namespace {

const wchar_t* const kSerialComm = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towupper(a[i]) != std::towupper(b[i]))
            return false;
    return true;
}

const char* const kNumbersOnWindows =
    "on Windows a com port's number is set in Device Manager (the port's properties)";

} // namespace

// Windows numbers its com ports itself: no folder of ports, no ports files.
bool PortsByFolder() {
    return false;
}

// The ports the system lists under SERIALCOMM, COM1 to COM32: each is
// present under its own number.
ComPortDiscovery RefreshComPorts() {
    ComPortDiscovery look;
    const CRegistryKey key(HKEY_LOCAL_MACHINE, kSerialComm);
    for (int port = 1; port <= 32; ++port) {
        const std::wstring name = L"COM" + std::to_wstring(port);
        for (const CRegistryKey::Value& value : key.Values()) {
            if (!SameIgnoringCase(value.text, name))
                continue;
            ComPortEntry entry;
            entry.port = port;
            entry.present = true;
            entry.device = Narrow(value.name);
            entry.openPath = PortDevicePath(port);
            look.map.entries.push_back(entry);
            break;
        }
    }
    return look;
}

std::string PortDevicePath(int port) {
    return "\\\\.\\COM" + std::to_string(port);
}

std::string PortStableName(int port) {
    const std::wstring name = L"COM" + std::to_wstring(port);
    const CRegistryKey key(HKEY_LOCAL_MACHINE, kSerialComm);
    for (const CRegistryKey::Value& value : key.Values())
        if (SameIgnoringCase(value.text, name))
            return Narrow(value.name);
    return "";
}

std::string WherePortsAreLookedFor() {
    return "the com ports listed under HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM";
}

bool AssignComPort(int, const std::string&, std::string& error) {
    error = kNumbersOnWindows;
    return false;
}

bool ForgetComPort(int, std::string& error) {
    error = kNumbersOnWindows;
    return false;
}
