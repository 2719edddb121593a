#include "link/PortNaming.h"

#include "link/SerialDevices.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <optional>

namespace fs = std::filesystem;

namespace {

// The map of the last look, shared by every thread of the program.
std::mutex g_lookMutex;
std::optional<ComPortMap> g_lastMap;

const char* Variable(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

fs::path DeviceRoot() {
    const char* root = Variable("KTRSETUP_DEV_ROOT");
    return root ? fs::path(root) : fs::path("/");
}

fs::path AdministratorFile() {
    return DeviceRoot() / "etc/ktrsetup/ports";
}

// $XDG_CONFIG_HOME/ktrsetup/ports, or ~/.config/ktrsetup/ports.
fs::path UserFile() {
    const char* config = Variable("XDG_CONFIG_HOME");
    if (config && fs::path(config).is_absolute())
        return fs::path(config) / "ktrsetup/ports";
    const char* home = Variable("HOME");
    return home ? fs::path(home) / ".config/ktrsetup/ports" : fs::path();
}

void WarnDamaged(const fs::path& file, const PortsFileContents& contents,
                 const std::string& consequence, std::vector<std::string>& warnings) {
    if (!contents.error.empty())
        warnings.push_back(file.string() + " " + contents.error + "; " + consequence);
    for (const auto& [number, text] : contents.damaged)
        warnings.push_back(file.string() + " line " + std::to_string(number) +
                           " is not understood: \"" + text + "\"; " + consequence);
}

const char* kUserFileKept = "the line is passed over and the file is left as it is, so new "
                            "numbers are not remembered until it is mended";

// New numbers go into the user's file, unless it is damaged: it is never
// rewritten over lines it could not read.
void Remember(ComPortDiscovery& look, const PortsFileContents& user) {
    if (look.map.newLines.empty() || user.Damaged())
        return;
    if (look.userFile.empty()) {
        look.warnings.push_back("no home folder, so the new COM numbers are not remembered");
        return;
    }
    std::vector<PortsFileLine> lines = user.lines;
    for (const PortsFileLine& line : look.map.newLines)
        lines = AssignLine(lines, line.port, line.device);
    std::string error;
    if (!WritePortsFile(look.userFile, lines, error))
        look.warnings.push_back("the new COM numbers are not remembered: " + error);
}

ComPortDiscovery Look() {
    ComPortDiscovery look;
    if (PortsByFolder())
        return look;
    look.administratorFile = AdministratorFile().string();
    look.userFile = UserFile().string();
    const PortsFileContents administrator = ReadPortsFile(look.administratorFile);
    WarnDamaged(look.administratorFile, administrator, "the line is passed over", look.warnings);
    const PortsFileContents user =
        look.userFile.empty() ? PortsFileContents{} : ReadPortsFile(look.userFile);
    WarnDamaged(look.userFile, user, kUserFileKept, look.warnings);
    look.map = AssignComPorts(FindSerialDevices(DeviceRoot()), administrator.lines, user.lines);
    for (const std::string& conflict : look.map.conflicts)
        look.warnings.push_back(look.userFile + ": " + conflict);
    Remember(look, user);
    return look;
}

// The entry of the port in the last look, looking first if none was made.
std::optional<ComPortEntry> LastEntry(int port) {
    std::lock_guard lock(g_lookMutex);
    if (!g_lastMap)
        g_lastMap = Look().map;
    const ComPortEntry* entry = g_lastMap->Find(port);
    if (!entry || !entry->present)
        return std::nullopt;
    return *entry;
}

// How the user's file names the device the text names: an adapter by its
// stable name, a UART by its device path.
std::string LineDevice(const std::vector<FoundDevice>& found, const std::string& text) {
    for (const FoundDevice& device : found) {
        if (std::find(device.names.begin(), device.names.end(), text) == device.names.end())
            continue;
        if (device.uartIndex >= 0)
            return "/dev/ttyS" + std::to_string(device.uartIndex);
        return device.stableName;
    }
    const std::string byId = "/dev/serial/by-id/";
    return text.rfind(byId, 0) == 0 ? text.substr(byId.size()) : text;
}

// The user's file, ready to be edited; false when it may not be.
bool EditableUserFile(fs::path& file, PortsFileContents& contents, std::string& error) {
    if (PortsByFolder()) {
        error = "KTRSETUP_PORT_DIR is set, so com port n is $KTRSETUP_PORT_DIR/COM<n> and "
                "no ports file is used";
        return false;
    }
    file = UserFile();
    if (file.empty()) {
        error = "no home folder for the ports file";
        return false;
    }
    contents = ReadPortsFile(file);
    std::vector<std::string> damage;
    WarnDamaged(file, contents, "mend it first", damage);
    if (!damage.empty()) {
        error = damage.front();
        return false;
    }
    return true;
}

// Why the port cannot be the user's, when the administrator's file or a
// built-in UART holds it for another device.
std::string HeldElsewhere(const ComPortMap& map, const std::vector<FoundDevice>& found, int port,
                          const std::string& line) {
    const ComPortEntry* entry = map.Find(port);
    if (!entry || entry->stableName == line || entry->device == line)
        return "";
    for (const FoundDevice& device : found)
        if (entry->present && device.openPath == entry->openPath &&
            LineDevice(found, device.openPath) == line)
            return "";
    if (entry->source == ComPortSource::Administrator)
        return ComPortName(port) + " is fixed in " + AdministratorFile().string();
    if (entry->source == ComPortSource::BuiltIn)
        return ComPortName(port) + " is the built-in port " + entry->device;
    return "";
}

} // namespace

bool PortsByFolder() {
    return Variable("KTRSETUP_PORT_DIR") != nullptr;
}

ComPortDiscovery RefreshComPorts() {
    std::lock_guard lock(g_lookMutex);
    ComPortDiscovery look = Look();
    g_lastMap = look.map;
    return look;
}

std::string PortDevicePath(int port) {
    if (const char* dir = Variable("KTRSETUP_PORT_DIR")) {
        std::string path(dir);
        if (path.back() != '/')
            path += '/';
        return path + "COM" + std::to_string(port);
    }
    const std::optional<ComPortEntry> entry = LastEntry(port);
    return entry ? entry->openPath : "";
}

std::string PortStableName(int port) {
    if (PortsByFolder())
        return "";
    const std::optional<ComPortEntry> entry = LastEntry(port);
    return entry ? entry->stableName : "";
}

std::string WherePortsAreLookedFor() {
    const fs::path root = DeviceRoot();
    return "built-in ports with a UART (" + (root / "sys/class/tty").string() +
           ") and adapters in " + (root / "dev/serial/by-id").string();
}

bool AssignComPort(int port, const std::string& device, std::string& error) {
    fs::path file;
    PortsFileContents user;
    if (!EditableUserFile(file, user, error))
        return false;
    const std::vector<FoundDevice> found = FindSerialDevices(DeviceRoot());
    const std::string line = LineDevice(found, device);
    const ComPortMap now =
        AssignComPorts(found, ReadPortsFile(AdministratorFile()).lines, user.lines);
    error = HeldElsewhere(now, found, port, line);
    if (!error.empty())
        return false;
    return WritePortsFile(file, AssignLine(user.lines, port, line), error);
}

bool ForgetComPort(int port, std::string& error) {
    fs::path file;
    PortsFileContents user;
    if (!EditableUserFile(file, user, error))
        return false;
    std::vector<PortsFileLine> lines = user.lines;
    if (std::erase_if(lines, [port](const PortsFileLine& line) { return line.port == port; }) ==
        0) {
        error = ComPortName(port) + " has no line in " + file.string();
        return false;
    }
    return WritePortsFile(file, lines, error);
}
