// The Windows serial port against the simulator's ports under Wine: the
// read time-out rules, a stop that cuts a read, opening and releasing, and
// the whole exchange with a counter.

#include "WinSimPorts.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "link/CStopSignal.h"
#include "model/CSensor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool AllZero(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes)
        if (b != 0)
            return false;
    return true;
}

// The supported models for these tests come from a file, so the registry
// tests are free to change the key.
class WinSerialPortTest : public testing::Test {
protected:
    void SetUp() override {
        KTR_REQUIRE_SIM_PORTS();
        m_models = std::string(std::getenv("TEMP") ? std::getenv("TEMP") : ".") +
                   "\\ktr-win-models.txt";
        std::ofstream(m_models) << SimPorts().counterModel << "\n";
        _putenv_s("KTRSETUP_SUPPORTED_MODELS", m_models.c_str());
    }
    void TearDown() override {
        _putenv_s("KTRSETUP_SUPPORTED_MODELS", "");
        std::remove(m_models.c_str());
    }
    // The simulated counter's record, before anything is read.
    static CSensor Counter() {
        CSensor sensor;
        sensor.SetPort(SimPorts().counterPort);
        sensor.SetAddress(SimPorts().counterAddress);
        return sensor;
    }
    std::string m_models;
};

} // namespace

// A read of a silent line ends after count x 1 ms + the total constant,
// never before, with the buffer all zeros.
TEST_F(WinSerialPortTest, SilentReadEndsAtTheTotalTimeOut) {
    struct Case {
        size_t count;
        uint32_t constant;
    };
    CSerialPort port;
    ASSERT_EQ(port.Open(uint8_t(SimPorts().silentPort)), PortOpenFailure::None);
    for (const Case c : {Case{1, 50}, Case{16, 200}, Case{300, 0}}) {
        std::vector<uint8_t> buffer(c.count, 0xAA);
        port.SetReadTotalTimeoutConstant(c.constant);
        const auto start = Clock::now();
        EXPECT_TRUE(port.Read(buffer.data(), buffer.size()));
        const long long elapsed = MsSince(start);
        const long long total = static_cast<long long>(c.count + c.constant);
        EXPECT_GE(elapsed, total) << c.count;
        EXPECT_LT(elapsed, total + 1000) << c.count;
        EXPECT_EQ(port.LastReadEnd(), ReadEnd::Total);
        EXPECT_EQ(port.GetLastReadCount(), 0u);
        EXPECT_TRUE(AllZero(buffer));
    }
}

// After a reply, a long read ends one interval after its last byte, long
// before its total time-out.
TEST_F(WinSerialPortTest, ReplyReadEndsOneIntervalAfterItsLastByte) {
    CSerialPort port;
    ASSERT_EQ(port.Open(uint8_t(SimPorts().counterPort)), PortOpenFailure::None);
    CCounterLink link(&port);
    ASSERT_TRUE(link.SelectAddress(Counter()).Ok());
    const uint8_t identify = 'T';
    ASSERT_TRUE(port.Write(&identify, 1));
    port.SetReadIntervalTimeout(200);
    port.SetReadTotalTimeoutConstant(3000);
    std::vector<uint8_t> reply(1024);
    const auto start = Clock::now();
    ASSERT_TRUE(port.Read(reply.data(), reply.size()));
    const long long elapsed = MsSince(start);
    EXPECT_EQ(port.LastReadEnd(), ReadEnd::Interval);
    EXPECT_GT(port.GetLastReadCount(), 1u);
    EXPECT_GE(elapsed, 200);
    EXPECT_LT(elapsed, 2000);
}

// A stop from another thread cuts a read that would wait seconds; a port
// whose stop was requested refuses every later transfer at once.
TEST_F(WinSerialPortTest, StopCutsAReadAndRefusesWhatFollows) {
    CSerialPort port;
    ASSERT_EQ(port.Open(uint8_t(SimPorts().silentPort)), PortOpenFailure::None);
    CStopSignal stop;
    port.SetStopSignal(&stop);
    port.SetReadTotalTimeoutConstant(10000);
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        stop.Request();
    });
    uint8_t buffer[8];
    const auto start = Clock::now();
    EXPECT_FALSE(port.Read(buffer, sizeof buffer));
    const long long elapsed = MsSince(start);
    stopper.join();
    EXPECT_TRUE(port.WasStopped());
    EXPECT_GE(elapsed, 150);
    EXPECT_LT(elapsed, 3000);
    const uint8_t byte = 0x80;
    EXPECT_FALSE(port.Write(&byte, 1));
    EXPECT_TRUE(port.WasStopped());
    EXPECT_TRUE(stop.IsRequested());
}

TEST_F(WinSerialPortTest, MissingPortIsNoSuchPortAndStaysClosed) {
    CSerialPort port;
    EXPECT_EQ(port.Open(uint8_t(SimPorts().missingPort)), PortOpenFailure::NoSuchPort);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.Close());
    int error = 0;
    EXPECT_EQ(CSerialPort::Probe(uint8_t(SimPorts().missingPort), &error),
              PortOpenFailure::NoSuchPort);
    EXPECT_NE(error, 0);
}

// Close releases the port: the next open of it succeeds, again and again.
TEST_F(WinSerialPortTest, ClosedPortOpensAgain) {
    for (int round = 0; round < 3; ++round) {
        CSerialPort port;
        ASSERT_EQ(port.Open(uint8_t(SimPorts().counterPort)), PortOpenFailure::None) << round;
        EXPECT_TRUE(port.Close());
        EXPECT_FALSE(port.IsOpen());
    }
}

// Select, identify (model from the supported-models file), sizes and
// calibration over the Windows port, as a scan does for one address; then
// the flash command.
TEST_F(WinSerialPortTest, CounterIsReadWholeAndItsFlashSwitches) {
    CSerialPort port;
    ASSERT_EQ(port.Open(uint8_t(SimPorts().counterPort)), PortOpenFailure::None);
    CCounterLink link(&port);
    CSensor sensor = Counter();
    const LinkResult read = link.ReadCounter(sensor);
    ASSERT_TRUE(read.Ok()) << DescribeLinkResult(read);
    EXPECT_EQ(sensor.GetModel(), SimPorts().counterModel);
    EXPECT_GT(sensor.GetSizes().GetCount(), 0);
    EXPECT_GE(sensor.GetCalCurve().GetCount(), 3);
    EXPECT_TRUE(link.SetFlash(sensor, true).Ok());
    EXPECT_TRUE(link.SetFlash(sensor, false).Ok());
}

