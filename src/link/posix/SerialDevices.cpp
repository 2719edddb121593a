#include "link/SerialDevices.h"

#include <algorithm>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// k of "ttyS<k>", or -1.
int UartIndex(const std::string& name) {
    if (name.size() < 5 || name.compare(0, 4, "ttyS") != 0 || name.size() > 7)
        return -1;
    if (!std::all_of(name.begin() + 4, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stoi(name.substr(4));
}

// A UART type of 0 means no UART was found at the port's address.
bool HasUart(const fs::path& typeFile) {
    std::ifstream in(typeFile);
    int type = 0;
    return in >> type && type != 0;
}

// The path as the machine names it, when it lies below root.
std::string BelowRoot(const fs::path& path, const fs::path& root) {
    const fs::path relative = path.lexically_relative(root);
    if (relative.empty() || *relative.begin() == "..")
        return "";
    return (fs::path("/") / relative).string();
}

void AddNames(FoundDevice& device, const fs::path& root, const std::vector<fs::path>& paths) {
    for (const fs::path& path : paths)
        for (const std::string& name : {path.string(), BelowRoot(path, root)})
            if (!name.empty() &&
                std::find(device.names.begin(), device.names.end(), name) == device.names.end())
                device.names.push_back(name);
}

std::vector<FoundDevice> Uarts(const fs::path& root) {
    std::vector<FoundDevice> uarts;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(root / "sys/class/tty", error)) {
        const std::string name = entry.path().filename().string();
        const int index = UartIndex(name);
        if (index < 0 || !HasUart(entry.path() / "type"))
            continue;
        FoundDevice uart;
        uart.uartIndex = index;
        const fs::path device = root / "dev" / name;
        uart.device = uart.openPath = device.string();
        AddNames(uart, root, {device});
        uarts.push_back(std::move(uart));
    }
    std::sort(uarts.begin(), uarts.end(),
              [](const FoundDevice& a, const FoundDevice& b) { return a.uartIndex < b.uartIndex; });
    return uarts;
}

std::vector<FoundDevice> Adapters(const fs::path& root) {
    std::vector<FoundDevice> adapters;
    std::error_code error;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(root / "dev/serial/by-id", error)) {
        std::error_code missing;
        if (!fs::exists(entry.path(), missing))
            continue;
        fs::path device = entry.path();
        if (entry.is_symlink(missing)) {
            const fs::path target = fs::read_symlink(entry.path(), missing);
            device = (target.is_absolute() ? target : entry.path().parent_path() / target)
                         .lexically_normal();
        }
        FoundDevice adapter;
        adapter.stableName = entry.path().filename().string();
        adapter.openPath = entry.path().string();
        adapter.device = device.string();
        adapter.names.push_back(adapter.stableName);
        AddNames(adapter, root, {entry.path(), device});
        adapters.push_back(std::move(adapter));
    }
    std::sort(adapters.begin(), adapters.end(), [](const FoundDevice& a, const FoundDevice& b) {
        return a.stableName < b.stableName;
    });
    return adapters;
}

} // namespace

std::vector<FoundDevice> FindSerialDevices(const fs::path& root) {
    std::vector<FoundDevice> found = Uarts(root);
    for (FoundDevice& adapter : Adapters(root))
        found.push_back(std::move(adapter));
    return found;
}
