
#include "link/CSerialPort.h"
#include "sim/CSimNetwork.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

namespace {

// Points KTRSETUP_PORT_DIR at a folder while it lives.
class PortDirOverride {
public:
    explicit PortDirOverride(const std::string& dir) {
        if (const char* old = std::getenv("KTRSETUP_PORT_DIR"))
            m_saved = old;
        setenv("KTRSETUP_PORT_DIR", dir.c_str(), 1);
    }
    ~PortDirOverride() {
        if (m_saved)
            setenv("KTRSETUP_PORT_DIR", m_saved->c_str(), 1);
        else
            unsetenv("KTRSETUP_PORT_DIR");
    }

private:
    std::optional<std::string> m_saved;
};

bool EchoOf(CSerialPort& port, uint8_t byte) {
    uint8_t echo = 0;
    return port.Write(&byte, 1) && port.Read(&echo, 1) && echo == byte;
}

} // namespace

// The program's own serial port opens, uses and closes the link again and
// again while the simulator holds its descriptor of the same terminal.
TEST(CSimNetworkWithSerialPort, OpensAndClosesTheLinkRepeatedly) {
    CSimNetwork network;
    SimCounterConfig config;
    config.address = 1;
    network.AddPort(4).AddCounter(config);
    PortDirOverride dir(network.PortDir());
    for (int i = 0; i < 200; ++i) {
        CSerialPort port;
        ASSERT_EQ(port.Open(4), PortOpenFailure::None) << "open " << i;
        ASSERT_TRUE(EchoOf(port, 0x81)) << "select " << i;
        ASSERT_TRUE(EchoOf(port, 'o')) << "echo " << i;
        const uint8_t release = 0xBF;
        ASSERT_TRUE(port.Write(&release, 1));
        ASSERT_TRUE(port.Close());
    }
    ASSERT_TRUE(network.Port(4)->WaitForBytesToCounter(600, 2000));

    // While the program has the port, a second opener is refused as in use.
    CSerialPort first;
    ASSERT_EQ(first.Open(4), PortOpenFailure::None);
    CSerialPort second;
    EXPECT_EQ(second.Open(4), PortOpenFailure::InUse);
}
