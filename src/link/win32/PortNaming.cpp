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

} // namespace

// The \\.\ form opens every com port; the bare name works only up to COM9.
std::string PortDevicePath(int port) {
    return "\\\\.\\COM" + std::to_string(port);
}

// SERIALCOMM lists each port as a value named by the driver's device
// (\Device\Serial0) whose data is the port's name (COM1).
std::string PortDeviceTarget(int port) {
    const std::wstring name = L"COM" + std::to_wstring(port);
    const CRegistryKey key(HKEY_LOCAL_MACHINE, kSerialComm);
    for (const CRegistryKey::Value& value : key.Values())
        if (SameIgnoringCase(value.text, name))
            return Narrow(value.name);
    return "";
}

std::string PortNamingNote() {
    const CRegistryKey key(HKEY_LOCAL_MACHINE, kSerialComm);
    std::string listed;
    for (const CRegistryKey::Value& value : key.Values())
        if (!value.text.empty())
            listed += (listed.empty() ? "" : ", ") + Narrow(value.text);
    return listed.empty() ? "the system lists no com port" : "the system lists " + listed;
}
