// What a serial port tells a traffic listener, and a probe of a port that
// leaves its line alone.
#include "link/CSerialPort.h"
#include "link/ILineTrafficListener.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Records traffic as "port:direction:bytes" with > sent, < received and
// x dropped, and checks that the times never go back.
class RecordingTraffic : public ILineTrafficListener {
public:
    void OnTraffic(const LineTraffic& traffic) override {
        std::lock_guard lock(m_mutex);
        const char direction = traffic.direction == TrafficDirection::Sent       ? '>'
                               : traffic.direction == TrafficDirection::Received ? '<'
                                                                                 : 'x';
        const std::string bytes(reinterpret_cast<const char*>(traffic.bytes), traffic.count);
        // Reads and writes may come in pieces; join those of one direction.
        if (!m_entries.empty() && m_entries.back().first == direction)
            m_entries.back().second += bytes;
        else
            m_entries.emplace_back(direction, bytes);
        m_ports += std::to_string(traffic.port) + " ";
        EXPECT_GE(traffic.time, m_last);
        m_last = traffic.time;
    }
    std::vector<std::pair<char, std::string>> Entries() {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }
    std::string Ports() {
        std::lock_guard lock(m_mutex);
        return m_ports;
    }

private:
    std::mutex m_mutex;
    std::vector<std::pair<char, std::string>> m_entries;
    std::string m_ports;
    std::chrono::steady_clock::time_point m_last;
};

// Sends bytes from the far end and waits until they wait in the port's
// receive queue.
void Arrive(PtyPeer& peer, const std::string& text) {
    peer.Send(std::vector<uint8_t>(text.begin(), text.end()));
    std::this_thread::sleep_for(30ms);
}

class SerialPortTrafficTest : public testing::Test {
protected:
    PtyPeer m_peer{3};
    RecordingTraffic m_traffic;
};

} // namespace

// Written, read, and read only to be dropped (before an address byte, while
// the line calms down, at the close): every byte reaches the listener once,
// in order, marked with its port.
TEST_F(SerialPortTrafficTest, ListenerSeesEveryByteOnceInOrder) {
    CSerialPort port;
    port.SetTrafficListener(&m_traffic);
    ASSERT_EQ(port.Open(3), PortOpenFailure::None);
    const uint8_t command[] = {0x85, 'T'};
    ASSERT_TRUE(port.Write(command, sizeof command));
    Arrive(m_peer, "KTR");
    uint8_t reply[8];
    ASSERT_TRUE(port.Read(reply, 3));
    Arrive(m_peer, "late");
    port.DiscardInput();
    Arrive(m_peer, "noise");
    ASSERT_TRUE(port.DrainInput({20, 20, 20, 1000}));
    Arrive(m_peer, "end");
    ASSERT_TRUE(port.Close());

    using Entry = std::pair<char, std::string>;
    EXPECT_EQ(m_traffic.Entries(),
              (std::vector<Entry>{{'>', "\x85T"}, {'<', "KTR"}, {'x', "latenoiseend"}}));
    EXPECT_EQ(m_traffic.Ports().find_first_not_of("3 "), std::string::npos) << m_traffic.Ports();
    EXPECT_EQ(m_peer.Receive(2, 200ms), (std::vector<uint8_t>{0x85, 'T'}));
}

// A probe takes the port as an open would and lets it go at once: it tells
// missing, free and held ports apart, shows nothing, and neither changes
// the line's settings nor disturbs the holder.
TEST_F(SerialPortTrafficTest, ProbeTellsTheStateWithoutTouchingTheLine) {
    int error = -1;
    EXPECT_EQ(CSerialPort::Probe(9, &error), PortOpenFailure::NoSuchPort);
    EXPECT_EQ(error, ENOENT);

    const int slave = ::open(m_peer.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    termios tio{};
    ASSERT_EQ(::tcgetattr(slave, &tio), 0);
    ::cfsetospeed(&tio, B1200);
    ASSERT_EQ(::tcsetattr(slave, TCSANOW, &tio), 0);
    EXPECT_EQ(CSerialPort::Probe(3, &error), PortOpenFailure::None);
    EXPECT_EQ(error, 0);
    ASSERT_EQ(::tcgetattr(slave, &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), speed_t(B1200)) << "the probe set the line up";
    ::close(slave);

    CSerialPort holder;
    ASSERT_EQ(holder.Open(3), PortOpenFailure::None) << "the probe left the port taken";
    EXPECT_EQ(CSerialPort::Probe(3, &error), PortOpenFailure::InUse);
    const uint8_t byte = 0x42;
    EXPECT_TRUE(holder.Write(&byte, 1));
    EXPECT_EQ(m_peer.Receive(1, 200ms), std::vector<uint8_t>{0x42});
    EXPECT_TRUE(m_peer.SlaveMarkedExclusive());
}
