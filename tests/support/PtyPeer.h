#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// The far end of a com port for tests: a pseudo-terminal whose slave side is
// linked as <dir>/COM<port> in a fresh temporary folder, with
// KTRSETUP_PORT_DIR pointing at that folder while the peer lives. Both sides
// are raw. The test talks through the master side; the slave is left to the
// code under test.
class PtyPeer {
public:
    explicit PtyPeer(int port);
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;
    ~PtyPeer();

    const std::string& Dir() const { return m_dir; }
    const std::string& SlavePath() const { return m_slavePath; }
    std::string LinkPath() const;

    // Writes all bytes to the line.
    void Send(const std::vector<uint8_t>& bytes);
    // Reads until count bytes arrived or the time-out passed.
    std::vector<uint8_t> Receive(size_t count, std::chrono::milliseconds timeout);
    // Discards whatever the port side has written so far.
    void Drain();
    // Closes the master side: the device is gone for whoever has it open.
    void HangUp();
    // True while some descriptor of the slave has the terminal marked exclusive.
    bool SlaveMarkedExclusive() const;

private:
    int m_master = -1;
    int m_port;
    std::string m_dir;
    std::string m_slavePath;
    std::string m_savedPortDir;
    bool m_hadPortDir = false;
};
