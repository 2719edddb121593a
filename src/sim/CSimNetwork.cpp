#include "sim/CSimNetwork.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string MakeTemporaryDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/ktrsim-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    return pattern;
}

} // namespace

CSimNetwork::CSimNetwork(std::string portDir) : m_portDir(std::move(portDir)) {
    if (m_portDir.empty()) {
        m_portDir = MakeTemporaryDir();
        m_ownsDir = true;
    } else {
        std::filesystem::create_directories(m_portDir);
    }
    m_stopEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stopEvent < 0) {
        int error = errno;
        if (m_ownsDir)
            std::filesystem::remove(m_portDir);
        throw std::system_error(error, std::generic_category(), "eventfd");
    }
}

CSimNetwork::CSimNetwork(const SimNetworkConfig& config) : CSimNetwork(config.portDir) {
    Apply(config);
}

CSimNetwork::~CSimNetwork() {
    {
        std::lock_guard lock(m_mutex);
        m_ports.clear();
    }
    close(m_stopEvent);
    if (m_ownsDir) {
        std::error_code ignored;
        std::filesystem::remove_all(m_portDir, ignored);
    }
}

CSimPort& CSimNetwork::AddPort(int comNumber) {
    std::lock_guard lock(m_mutex);
    auto& port = m_ports[comNumber];
    if (!port) {
        try {
            port = std::make_unique<CSimPort>(comNumber, m_portDir);
        } catch (...) {
            m_ports.erase(comNumber);
            throw;
        }
        port->SetPacing(m_pacing);
    }
    return *port;
}

CSimPort* CSimNetwork::Port(int comNumber) {
    std::lock_guard lock(m_mutex);
    auto found = m_ports.find(comNumber);
    return found == m_ports.end() ? nullptr : found->second.get();
}

std::vector<int> CSimNetwork::PortNumbers() const {
    std::lock_guard lock(m_mutex);
    std::vector<int> numbers;
    for (const auto& entry : m_ports)
        numbers.push_back(entry.first);
    return numbers;
}

void CSimNetwork::Apply(const SimNetworkConfig& config) {
    SetPacing(config.pacing);
    for (const SimPortConfig& portConfig : config.ports) {
        CSimPort& port = AddPort(portConfig.comNumber);
        for (const SimCounterConfig& counter : portConfig.counters)
            port.AddCounter(counter);
    }
}

void CSimNetwork::SetPacing(bool on) {
    std::lock_guard lock(m_mutex);
    m_pacing = on;
    for (auto& entry : m_ports)
        entry.second->SetPacing(on);
}

void CSimNetwork::RequestStop() noexcept {
    uint64_t one = 1;
    while (write(m_stopEvent, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool CSimNetwork::WaitForStopRequest(int timeoutMs) {
    pollfd event{m_stopEvent, POLLIN, 0};
    for (;;) {
        int ready = poll(&event, 1, timeoutMs < 0 ? -1 : timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0;
    }
}
