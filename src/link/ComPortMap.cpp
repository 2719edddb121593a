#include "link/ComPortMap.h"

#include <algorithm>
#include <map>
#include <optional>

namespace {

constexpr int kLastPort = 32;

bool Names(const FoundDevice& device, const std::string& text) {
    return std::find(device.names.begin(), device.names.end(), text) != device.names.end();
}

// The device a line names, if it is on the machine.
std::optional<size_t> Named(const std::vector<FoundDevice>& found, const std::string& text) {
    for (size_t i = 0; i < found.size(); ++i)
        if (Names(found[i], text))
            return i;
    return std::nullopt;
}

// The map under construction: which number is held by what, which found
// device has a number.
class CNumbering {
public:
    explicit CNumbering(const std::vector<FoundDevice>& found)
        : m_found(found), m_numbered(found.size(), false) {}

    bool Held(int port) const { return m_entries.count(port) != 0; }
    bool Numbered(size_t device) const { return m_numbered[device]; }

    void GivePresent(int port, size_t device, ComPortSource source) {
        const FoundDevice& found = m_found[device];
        m_entries[port] = {port, true, found.device, found.openPath, found.stableName, source};
        m_numbered[device] = true;
    }

    void GiveAbsent(int port, const std::string& text, ComPortSource source) {
        const bool isPath = !text.empty() && text[0] == '/';
        m_entries[port] = {port, false, isPath ? text : "", "", isPath ? "" : text, source};
    }

    // What holds the port, for a message: "/dev/ttyS2" or a stable name.
    std::string Holder(int port) const {
        const ComPortEntry& entry = m_entries.at(port);
        return entry.stableName.empty() ? entry.device : entry.stableName;
    }

    std::optional<int> LowestFree() const {
        for (int port = 1; port <= kLastPort; ++port)
            if (!Held(port))
                return port;
        return std::nullopt;
    }

    std::vector<ComPortEntry> Entries() const {
        std::vector<ComPortEntry> entries;
        for (const auto& [port, entry] : m_entries)
            entries.push_back(entry);
        return entries;
    }

private:
    const std::vector<FoundDevice>& m_found;
    std::vector<bool> m_numbered;
    std::map<int, ComPortEntry> m_entries;
};

void NumberByLines(CNumbering& numbering, const std::vector<FoundDevice>& found,
                   const std::vector<PortsFileLine>& lines, ComPortSource source,
                   std::vector<std::string>* conflicts) {
    for (const PortsFileLine& line : lines) {
        const std::optional<size_t> device = Named(found, line.device);
        if (device && numbering.Numbered(*device))
            continue; // the administrator's line for it wins
        if (numbering.Held(line.port)) {
            if (conflicts)
                conflicts->push_back(ComPortName(line.port) + " " + line.device +
                                     " is passed over: " + ComPortName(line.port) + " belongs to " +
                                     numbering.Holder(line.port));
            continue;
        }
        if (device)
            numbering.GivePresent(line.port, *device, source);
        else
            numbering.GiveAbsent(line.port, line.device, source);
    }
}

bool NamedByAny(const FoundDevice& device, const std::vector<PortsFileLine>& lines) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const PortsFileLine& line) { return Names(device, line.device); });
}

// UARTs with their own number; with moved = true, the ones a user line
// wanted elsewhere but could not have.
void NumberUarts(CNumbering& numbering, const std::vector<FoundDevice>& found,
                 const std::vector<PortsFileLine>& user, bool moved) {
    for (size_t i = 0; i < found.size(); ++i) {
        const int port = found[i].uartIndex + 1;
        if (found[i].uartIndex < 0 || port > kLastPort || numbering.Numbered(i) ||
            numbering.Held(port) || NamedByAny(found[i], user) != moved)
            continue;
        numbering.GivePresent(port, i, ComPortSource::BuiltIn);
    }
}

} // namespace

const ComPortEntry* ComPortMap::Find(int port) const {
    for (const ComPortEntry& entry : entries)
        if (entry.port == port)
            return &entry;
    return nullptr;
}

ComPortMap AssignComPorts(const std::vector<FoundDevice>& found,
                          const std::vector<PortsFileLine>& administrator,
                          const std::vector<PortsFileLine>& user) {
    ComPortMap map;
    CNumbering numbering(found);
    NumberByLines(numbering, found, administrator, ComPortSource::Administrator, nullptr);
    NumberUarts(numbering, found, user, false);
    NumberByLines(numbering, found, user, ComPortSource::User, &map.conflicts);
    NumberUarts(numbering, found, user, true);

    std::vector<size_t> fresh;
    for (size_t i = 0; i < found.size(); ++i)
        if (found[i].uartIndex < 0 && !numbering.Numbered(i))
            fresh.push_back(i);
    std::sort(fresh.begin(), fresh.end(),
              [&](size_t a, size_t b) { return found[a].stableName < found[b].stableName; });
    for (size_t i : fresh) {
        const std::optional<int> port = numbering.LowestFree();
        if (!port) {
            map.unnumbered.push_back(found[i]);
            continue;
        }
        numbering.GivePresent(*port, i, ComPortSource::New);
        map.newLines.push_back({*port, found[i].stableName});
    }
    map.entries = numbering.Entries();
    return map;
}

std::vector<PortsFileLine> AssignLine(std::vector<PortsFileLine> user, int port,
                                      const std::string& device) {
    std::erase_if(user, [&](const PortsFileLine& line) {
        return line.port == port || line.device == device;
    });
    const auto at = std::find_if(user.begin(), user.end(),
                                 [&](const PortsFileLine& line) { return line.port > port; });
    user.insert(at, {port, device});
    return user;
}
