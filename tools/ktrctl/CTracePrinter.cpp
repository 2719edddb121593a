#include "CTracePrinter.h"

#include "Terminal.h"

#include <cstdio>

namespace {

// The character after the hex digits: the byte itself when printable, the
// name of a line end, nothing otherwise.
std::string Shown(uint8_t byte) {
    if (byte == '\r')
        return " CR";
    if (byte == '\n')
        return " LF";
    if (byte >= 0x20 && byte < 0x7F)
        return std::string(" ") + static_cast<char>(byte);
    return "";
}

} // namespace

CTracePrinter::CTracePrinter() : m_start(std::chrono::steady_clock::now()) {}

// Integer arithmetic keeps the text free of the locale's decimal separator.
std::string CTracePrinter::Line(uint8_t port, TrafficDirection direction,
                                std::chrono::steady_clock::time_point time, uint8_t byte) const {
    const long long us =
        std::chrono::duration_cast<std::chrono::microseconds>(time - m_start).count();
    char head[64];
    std::snprintf(head, sizeof head, "trace COM%u +%7lld.%03lld ms %c %02X", unsigned(port),
                  us / 1000, us % 1000, direction == TrafficDirection::Sent ? '>' : '<', byte);
    std::string line = head + Shown(byte);
    if (direction == TrafficDirection::Discarded)
        line += " dropped";
    return line;
}

void CTracePrinter::OnTraffic(const LineTraffic& traffic) {
    std::string text;
    for (size_t i = 0; i < traffic.count; ++i)
        text += Line(traffic.port, traffic.direction, traffic.time, traffic.bytes[i]) + "\n";
    std::lock_guard lock(TerminalMutex());
    ClearProgressLine();
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}
