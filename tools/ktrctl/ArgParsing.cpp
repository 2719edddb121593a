#include "ArgParsing.h"

#include "link/PortsFile.h"

#include <charconv>
#include <cmath>
#include <set>
#include <sstream>

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, separator))
        parts.push_back(part);
    if (!text.empty() && text.back() == separator)
        parts.emplace_back();
    return parts;
}

// A port of a list: "7" or "COM7".
std::optional<int> ParsePort(const std::string& text) {
    const int port = ParseComPortName(text);
    return port == 0 ? std::nullopt : std::optional<int>(port);
}

// "7", "COM7", "1-4" or "COM1-COM4" into the set; false for anything else.
bool AddPortItem(const std::string& item, std::set<uint8_t>& ports) {
    const size_t dash = item.find('-');
    const auto first = ParsePort(item.substr(0, dash));
    const auto last = dash == std::string::npos ? first : ParsePort(item.substr(dash + 1));
    if (!first || !last || *first > *last)
        return false;
    for (int port = *first; port <= *last; ++port)
        ports.insert(uint8_t(port));
    return true;
}

} // namespace

std::optional<double> ParseNumber(const std::string& text, std::string& error) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(value)) {
        error = "'" + text + "' is not a number (write decimals with a point, e.g. 0.3)";
        return std::nullopt;
    }
    return value;
}

std::optional<std::pair<double, double>> ParsePoint(const std::string& text, std::string& error) {
    const size_t colon = text.find(':');
    if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos) {
        error = "'" + text + "' is not a calibration point SIZE:VOLTAGE (e.g. 0.5:150.5)";
        return std::nullopt;
    }
    const auto size = ParseNumber(text.substr(0, colon), error);
    if (!size)
        return std::nullopt;
    const auto voltage = ParseNumber(text.substr(colon + 1), error);
    if (!voltage)
        return std::nullopt;
    return std::make_pair(*size, *voltage);
}

std::optional<std::vector<uint8_t>> ParsePortList(const std::string& text, std::string& error) {
    std::set<uint8_t> ports;
    for (const std::string& item : Split(text, ',')) {
        if (!AddPortItem(item, ports)) {
            error = "'" + text + "' is not a list of com ports 1 to 32 (e.g. 1-4,7)";
            return std::nullopt;
        }
    }
    if (ports.empty()) {
        error = "the list of com ports is empty";
        return std::nullopt;
    }
    return std::vector<uint8_t>(ports.begin(), ports.end());
}
