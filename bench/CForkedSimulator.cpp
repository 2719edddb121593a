#include "CForkedSimulator.h"

#include "sim/CSimNetwork.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The child: serves the network until the control pipe closes, then writes
// "port toCounters fromCounters" lines.
[[noreturn]] void RunChild(const SimNetworkConfig& config, int control, int results) {
    std::string report;
    {
        CSimNetwork network(config);
        char ready = 'R';
        if (::write(results, &ready, 1) != 1)
            ::_exit(1);
        char byte;
        while (::read(control, &byte, 1) > 0) {
        }
        for (int port : network.PortNumbers()) {
            CSimPort* line = network.Port(port);
            report += std::to_string(port) + " " + std::to_string(line->BytesToCounter().size()) +
                      " " + std::to_string(line->BytesFromCounter().size()) + "\n";
        }
    }
    if (::write(results, report.data(), report.size()) < 0)
        ::_exit(1);
    ::_exit(0);
}

} // namespace

CForkedSimulator::CForkedSimulator(const SimNetworkConfig& config) {
    int control[2], results[2];
    if (::pipe(control) != 0 || ::pipe(results) != 0)
        throw std::runtime_error("pipe failed");
    std::fflush(nullptr);
    m_pid = ::fork();
    if (m_pid < 0)
        throw std::runtime_error("fork failed");
    if (m_pid == 0) {
        ::close(control[1]);
        ::close(results[0]);
        RunChild(config, control[0], results[1]);
    }
    ::close(control[0]);
    ::close(results[1]);
    m_control = control[1];
    m_results = results[0];
    char ready = 0;
    if (::read(m_results, &ready, 1) != 1 || ready != 'R')
        throw std::runtime_error("the simulator did not start");
}

CForkedSimulator::~CForkedSimulator() {
    Stop();
}

std::map<int, LineCounts> CForkedSimulator::Stop() {
    std::map<int, LineCounts> counts;
    if (m_pid <= 0)
        return counts;
    ::close(m_control);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(m_results, buffer, sizeof buffer)) > 0;)
        report.append(buffer, size_t(n));
    ::close(m_results);
    ::waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    int port = 0;
    long to = 0, from = 0;
    for (const char* p = report.c_str(); std::sscanf(p, "%d %ld %ld", &port, &to, &from) == 3;) {
        counts[port] = {to, from};
        p = std::strchr(p, '\n');
        if (!p)
            break;
        ++p;
    }
    return counts;
}
