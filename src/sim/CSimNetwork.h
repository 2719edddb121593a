#pragma once

#include "sim/CSimPort.h"
#include "sim/SimNetworkConfig.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// A simulated counter network: one pseudo-terminal per com port, each
// linked as <PortDir()>/COM<n>, so that a program with KTRSETUP_PORT_DIR set
// to PortDir() finds the simulated counters on COM<n>.
class CSimNetwork {
public:
    // portDir empty: a fresh temporary folder, removed again at the end.
    // A given folder is created if missing and kept; only the links go.
    explicit CSimNetwork(std::string portDir = "");
    // Builds every port and counter of the configuration.
    explicit CSimNetwork(const SimNetworkConfig& config);
    CSimNetwork(const CSimNetwork&) = delete;
    CSimNetwork& operator=(const CSimNetwork&) = delete;
    // Stops every thread, closes the pseudo-terminals, removes the links.
    ~CSimNetwork();

    const std::string& PortDir() const { return m_portDir; }

    // Adds com port comNumber (1 to 255; std::out_of_range otherwise), or
    // returns the one already there. References stay valid as long as the network.
    CSimPort& AddPort(int comNumber);
    CSimPort* Port(int comNumber);
    std::vector<int> PortNumbers() const;
    // Adds the ports and counters of a configuration (pacing included).
    void Apply(const SimNetworkConfig& config);

    void SetPacing(bool on);

    // Asks a WaitForStopRequest to return. Only writes to an event
    // descriptor, so a signal handler may call it.
    void RequestStop() noexcept;
    // Blocks until RequestStop (true) or until timeoutMs pass (false);
    // timeoutMs < 0 waits without limit.
    bool WaitForStopRequest(int timeoutMs = -1);

private:
    std::string m_portDir;
    bool m_ownsDir = false;
    bool m_pacing = false;
    int m_stopEvent = -1;
    mutable std::mutex m_mutex;
    std::map<int, std::unique_ptr<CSimPort>> m_ports;
};
