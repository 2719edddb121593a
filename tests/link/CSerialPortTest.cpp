#include "link/CSerialPort.h"
#include "link/CStopSignal.h"
#include "link/PortOpenError.h"
#include "res/StringTable.h"
#include "support/PtyPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

long long MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

class SerialPortTest : public testing::Test {
protected:
    PtyPeer m_peer{3};
    CSerialPort m_port;
};

} // namespace

TEST_F(SerialPortTest, ReadOfOneByteWithNothingArrivingWaitsCountPlusConstant) {
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    uint8_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), 0xAA);
    const auto start = Clock::now();
    EXPECT_TRUE(m_port.Read(buffer, 1));
    const long long elapsed = MsSince(start);
    EXPECT_GE(elapsed, 51);
    EXPECT_LT(elapsed, 1000);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 0xAA) << "only count bytes are zero-filled";
    EXPECT_EQ(m_port.GetLastReadCount(), 0u);
}

TEST_F(SerialPortTest, IntervalDoesNotStartBeforeTheFirstByte) {
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    ASSERT_TRUE(m_port.SetReadIntervalTimeout(20));
    ASSERT_TRUE(m_port.SetReadTotalTimeoutConstant(300));
    uint8_t buffer[4];
    const auto start = Clock::now();
    EXPECT_TRUE(m_port.Read(buffer, 4));
    EXPECT_GE(MsSince(start), 304);
}

// A shorter reply in two parts, 150 ms apart: the gap is within the interval,
// so the read keeps both parts and ends an interval after the last byte.
TEST_F(SerialPortTest, LongReadEndsOneIntervalAfterTheLastByte) {
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    ASSERT_TRUE(m_port.SetReadIntervalTimeout(200));
    ASSERT_TRUE(m_port.SetReadTotalTimeoutConstant(500));
    const std::vector<uint8_t> first{'1', '.', '0', ' '}, second{'2', '.', '5', '\r', '\n'};
    Clock::time_point beforeLastSend;
    std::thread sender([&] {
        std::this_thread::sleep_for(20ms);
        m_peer.Send(first);
        std::this_thread::sleep_for(150ms);
        beforeLastSend = Clock::now();
        m_peer.Send(second);
    });
    std::vector<uint8_t> buffer(1024, 0xAA);
    const auto start = Clock::now();
    const bool ok = m_port.Read(buffer.data(), buffer.size());
    const auto end = Clock::now();
    sender.join();
    EXPECT_TRUE(ok);
    EXPECT_GE(end - beforeLastSend, 200ms);
    EXPECT_LT(end - start, 1200ms) << "must end long before 1024 + 500 ms";
    ASSERT_EQ(m_port.GetLastReadCount(), 9u);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 9), "1.0 2.5\r\n");
    EXPECT_TRUE(std::all_of(buffer.begin() + 9, buffer.end(), [](uint8_t b) { return b == 0; }));
}

// Bytes every 60 ms never open an interval gap, yet the total still ends the
// read at count + constant.
TEST_F(SerialPortTest, TotalTimeoutEndsAReadWhileBytesKeepComing) {
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    ASSERT_TRUE(m_port.SetReadIntervalTimeout(200));
    ASSERT_TRUE(m_port.SetReadTotalTimeoutConstant(200));
    std::thread sender([&] {
        for (int i = 0; i < 12; ++i) {
            m_peer.Send({static_cast<uint8_t>('a' + i)});
            std::this_thread::sleep_for(60ms);
        }
    });
    uint8_t buffer[10];
    const auto start = Clock::now();
    const bool ok = m_port.Read(buffer, sizeof buffer);
    const long long elapsed = MsSince(start);
    sender.join();
    EXPECT_TRUE(ok);
    EXPECT_GE(elapsed, 210);
    EXPECT_GE(m_port.GetLastReadCount(), 1u);
    EXPECT_LT(m_port.GetLastReadCount(), sizeof buffer);
}

namespace {

void IgnoreSignal(int) {}

// Handles SIGUSR1 with handler (no SA_RESTART) while it lives.
class CScopedSignalHandler {
public:
    explicit CScopedSignalHandler(void (*handler)(int)) {
        struct sigaction action {};
        action.sa_handler = handler;
        m_ok = ::sigaction(SIGUSR1, &action, &m_previous) == 0;
    }
    ~CScopedSignalHandler() { ::sigaction(SIGUSR1, &m_previous, nullptr); }
    CScopedSignalHandler(const CScopedSignalHandler&) = delete;
    CScopedSignalHandler& operator=(const CScopedSignalHandler&) = delete;
    bool Ok() const { return m_ok; }

private:
    struct sigaction m_previous {};
    bool m_ok = false;
};

} // namespace

// Signals without SA_RESTART interrupt every wait; the read must neither fail
// nor end early.
TEST_F(SerialPortTest, SignalsDuringAReadNeitherFailNorShortenIt) {
    CScopedSignalHandler handler(IgnoreSignal);
    ASSERT_TRUE(handler.Ok());
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    ASSERT_TRUE(m_port.SetReadTotalTimeoutConstant(200));
    const pthread_t reader = ::pthread_self();
    std::atomic<bool> done{false};
    std::thread signaller([&] {
        while (!done) {
            ::pthread_kill(reader, SIGUSR1);
            std::this_thread::sleep_for(3ms);
        }
    });
    uint8_t buffer[2];
    const auto start = Clock::now();
    const bool ok = m_port.Read(buffer, sizeof buffer);
    const long long elapsed = MsSince(start);
    done = true;
    signaller.join();
    EXPECT_TRUE(ok);
    EXPECT_GE(elapsed, 202);
}

TEST_F(SerialPortTest, ReadEndsAsSoonAsCountBytesArrived) {
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    ASSERT_TRUE(m_port.SetReadTotalTimeoutConstant(5000));
    m_peer.Send({0x85, 'T', 0x00, 0xBF, 0x7F});
    uint8_t buffer[4];
    const auto start = Clock::now();
    EXPECT_TRUE(m_port.Read(buffer, 4));
    EXPECT_LT(MsSince(start), 2000);
    EXPECT_EQ(m_port.GetLastReadCount(), 4u);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 4),
              (std::vector<uint8_t>{0x85, 'T', 0x00, 0xBF}));
    EXPECT_TRUE(m_port.Read(buffer, 1));
    EXPECT_EQ(buffer[0], 0x7F) << "the byte beyond count stays queued";
}

// A stop from another thread cuts a long read at once; every later read and
// write refuses at once, and bytes waiting on the line do not count.
TEST_F(SerialPortTest, StopCutsAReadInProgressAndRefusesLaterTransfers) {
    CStopSignal stop;
    m_port.SetStopSignal(&stop);
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    ASSERT_TRUE(m_port.SetReadTotalTimeoutConstant(5000));
    std::thread stopper([&] {
        std::this_thread::sleep_for(50ms);
        stop.Request();
    });
    uint8_t buffer[4];
    const auto start = Clock::now();
    EXPECT_FALSE(m_port.Read(buffer, 4));
    const long long elapsed = MsSince(start);
    stopper.join();
    EXPECT_GE(elapsed, 50);
    EXPECT_LT(elapsed, 2000);
    EXPECT_TRUE(m_port.WasStopped());
    m_peer.Send({0x85});
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(m_port.Read(buffer, 1));
    EXPECT_TRUE(m_port.WasStopped());
    EXPECT_FALSE(m_port.Write(buffer, 1));
    EXPECT_TRUE(m_port.WasStopped());
}

TEST_F(SerialPortTest, SettersOnAClosedPortStoreTheValueAndOpenAppliesIt) {
    EXPECT_TRUE(m_port.SetReadTotalTimeoutConstant(150));
    EXPECT_TRUE(m_port.SetReadIntervalTimeout(30));
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_EQ(m_port.GetTimeouts().ReadTotalTimeoutConstant, 150u);
    EXPECT_EQ(m_port.GetTimeouts().ReadIntervalTimeout, 30u);
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    uint8_t byte = 0xFF;
    const auto start = Clock::now();
    EXPECT_TRUE(m_port.Read(&byte, 1));
    EXPECT_GE(MsSince(start), 151);
    EXPECT_EQ(byte, 0);
}

TEST_F(SerialPortTest, OpenSetsTheLineTo9600EightNoneOneRawWithoutFlowControl) {
    // Opened first, so that the exclusive open does not refuse a non-root user.
    const int fd = ::open(m_peer.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    termios tio{};
    ASSERT_EQ(::tcgetattr(fd, &tio), 0);
    ::close(fd);
    EXPECT_EQ(::cfgetispeed(&tio), B9600);
    EXPECT_EQ(::cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t{CS8});
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), tcflag_t{CLOCAL | CREAD});
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
}

TEST_F(SerialPortTest, ControlAndHighBytesPassUnchangedBothWays) {
    std::vector<uint8_t> bytes{0x00, 0x0D, 0x0A, 0x11, 0x13, 0x03, 0x1A, 0x7F, 0xFF};
    for (int b = 0x80; b <= 0xBF; ++b)
        bytes.push_back(static_cast<uint8_t>(b));
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);

    ASSERT_TRUE(m_port.Write(bytes.data(), bytes.size()));
    EXPECT_EQ(m_peer.Receive(bytes.size() + 1, 300ms), bytes);

    m_peer.Send(bytes);
    std::vector<uint8_t> buffer(bytes.size());
    ASSERT_TRUE(m_port.Read(buffer.data(), buffer.size()));
    EXPECT_EQ(buffer, bytes);
}

TEST_F(SerialPortTest, LargeWriteArrivesWhole) {
    std::vector<uint8_t> bytes(200'000);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7);
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    std::vector<uint8_t> received;
    std::thread reader([&] { received = m_peer.Receive(bytes.size(), 10s); });
    EXPECT_TRUE(m_port.Write(bytes.data(), bytes.size()));
    reader.join();
    EXPECT_EQ(received, bytes);
}

TEST_F(SerialPortTest, SecondOpenOfAnOpenPortFailsAsInUseAndLeavesTheFirstWorking) {
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    {
        CSerialPort second;
        EXPECT_NE(second.Open(3), PortOpenFailure::None);
        EXPECT_EQ(second.GetOpenFailure(), PortOpenFailure::InUse);
        EXPECT_FALSE(second.IsOpen());
        EXPECT_FALSE(second.Close());
    }

    // The failed attempt must not have released the holder's exclusivity.
    EXPECT_TRUE(m_peer.SlaveMarkedExclusive());
    CSerialPort third;
    EXPECT_NE(third.Open(3), PortOpenFailure::None);
    const uint8_t byte = 0x42;
    ASSERT_TRUE(m_port.Write(&byte, 1));
    EXPECT_EQ(m_peer.Receive(1, 500ms), std::vector<uint8_t>{0x42});

    EXPECT_TRUE(m_port.Close());
    EXPECT_FALSE(m_peer.SlaveMarkedExclusive());
    EXPECT_EQ(third.Open(3), PortOpenFailure::None);
}

// Opening an object that is already open must not leak the first descriptor,
// which would keep the port locked until the program ends.
TEST_F(SerialPortTest, OpenOfAnOpenObjectReopensWithoutLeakingThePort) {
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    EXPECT_EQ(m_port.Open(3), PortOpenFailure::None);
    EXPECT_TRUE(m_port.Close());
    CSerialPort other;
    EXPECT_EQ(other.Open(3), PortOpenFailure::None);
}

// Another program holding the terminal exclusively without a lock.
TEST_F(SerialPortTest, PortMarkedExclusiveByAnotherProgramIsInUse) {
    const int foreign = ::open(m_peer.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(foreign, 0);
    ASSERT_EQ(::ioctl(foreign, TIOCEXCL), 0);
    EXPECT_EQ(m_port.Open(3), PortOpenFailure::InUse);
    int exclusive = 0;
    ASSERT_EQ(::ioctl(foreign, TIOCGEXCL, &exclusive), 0);
    EXPECT_NE(exclusive, 0) << "the failed open cleared the other program's flag";
    ::ioctl(foreign, TIOCNXCL);
    ::close(foreign);
    EXPECT_EQ(m_port.Open(3), PortOpenFailure::None);
    EXPECT_EQ(m_port.GetOpenFailure(), PortOpenFailure::None) << "a success clears the reason";
}

TEST_F(SerialPortTest, MissingPortFailsSilentlyAndStaysClosed) {
    EXPECT_NE(m_port.Open(4), PortOpenFailure::None);
    EXPECT_EQ(m_port.GetOpenFailure(), PortOpenFailure::NoSuchPort);
    EXPECT_FALSE(m_port.IsOpen());
    EXPECT_EQ(m_port.GetPortNumber(), 4);
    uint8_t byte = 0x55;
    EXPECT_FALSE(m_port.Read(&byte, 1));
    EXPECT_FALSE(m_port.Write(&byte, 1));
    EXPECT_FALSE(m_port.Close());
}

TEST_F(SerialPortTest, RegularFileInPlaceOfADeviceIsNoPort) {
    const std::string path = m_peer.Dir() + "/COM5";
    const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_NE(m_port.Open(5), PortOpenFailure::None);
    EXPECT_FALSE(m_port.IsOpen());
    ::unlink(path.c_str());
}

TEST(SerialPortClosed, CloseOfAClosedObjectReturnsFalse) {
    CSerialPort port;
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.Close());
    EXPECT_EQ(port.GetPortNumber(), 255);
}

TEST(SerialPortNaming, PortTwelveOpensTheDeviceNamedCom12) {
    PtyPeer peer(12);
    CSerialPort port;
    ASSERT_EQ(port.Open(12), PortOpenFailure::None);
    const uint8_t byte = 0x8C;
    ASSERT_TRUE(port.Write(&byte, 1));
    EXPECT_EQ(peer.Receive(1, 500ms), std::vector<uint8_t>{0x8C});
}

// The release byte ends every exchange with no echo to wait for; Close must
// let it reach the line.
TEST_F(SerialPortTest, LastByteWrittenBeforeCloseReachesThePeerEveryTime) {
    int lost = 0;
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(m_port.Open(3), PortOpenFailure::None) << "reopen " << i;
        const uint8_t release = 0xBF;
        ASSERT_TRUE(m_port.Write(&release, 1));
        EXPECT_TRUE(m_port.Close());
        if (m_peer.Receive(1, 500ms) != std::vector<uint8_t>{0xBF})
            ++lost;
    }
    EXPECT_EQ(lost, 0);
}

TEST_F(SerialPortTest, ReopenAfterCloseKeepsWorking) {
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(m_port.Open(3), PortOpenFailure::None) << "reopen " << i;
        m_peer.Send({static_cast<uint8_t>(0x80 + i % 32)});
        uint8_t byte = 0;
        ASSERT_TRUE(m_port.Read(&byte, 1));
        EXPECT_EQ(byte, 0x80 + i % 32);
        EXPECT_TRUE(m_port.Close());
    }
}

TEST_F(SerialPortTest, CloseDiscardsUnreadInput) {
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    m_peer.Send({'s', 't', 'a', 'l', 'e'});
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(m_port.Close());
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    uint8_t buffer[5];
    EXPECT_TRUE(m_port.Read(buffer, sizeof buffer));
    EXPECT_EQ(m_port.GetLastReadCount(), 0u);
}

TEST(PortOpenError, ErrnoMapsToWhatTheUserIsTold) {
    for (int e : {ENOENT, ENODEV, ENXIO, ENOTTY, EIO})
        EXPECT_EQ(ClassifyPortOpenError(e), PortOpenFailure::NoSuchPort) << e;
    for (int e : {EBUSY, EAGAIN, EWOULDBLOCK})
        EXPECT_EQ(ClassifyPortOpenError(e), PortOpenFailure::InUse) << e;
    for (int e : {EACCES, EPERM})
        EXPECT_EQ(ClassifyPortOpenError(e), PortOpenFailure::AccessDenied) << e;
    EXPECT_EQ(ClassifyPortOpenError(EMFILE), PortOpenFailure::Other);
    EXPECT_EQ(PortOpenMessageId(PortOpenFailure::InUse), unsigned{IDS_PORT_IN_USE});
    EXPECT_EQ(PortOpenMessageId(PortOpenFailure::AccessDenied), unsigned{IDS_PORT_ACCESS_DENIED});
    EXPECT_EQ(PortOpenMessageId(PortOpenFailure::NoSuchPort), 0u);
    EXPECT_EQ(PortOpenMessageId(PortOpenFailure::Other), 0u);
}

namespace {

// Runs in a child process: drops root (which passes every permission check)
// and opens a device its user may not use. Exit code 0 is a pass, 77 means
// the check cannot be made here, anything else names the failed step.
int OpenAsUnprivilegedUser() {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
        return 77;
    CSerialPort port;
    if (port.Open(3) != PortOpenFailure::AccessDenied || port.IsOpen())
        return 1;
    return 0;
}

} // namespace

TEST(SerialPortPermissions, DeviceTheUserMayNotOpenShowsAccessDenied) {
    PtyPeer peer(3);
    ASSERT_EQ(::chmod(peer.Dir().c_str(), 0755), 0);
    // Root's own user needs mode 0 to be refused; the dropped user 0600 will do.
    const mode_t deviceMode = ::geteuid() == 0 ? 0600 : 0;
    ASSERT_EQ(::chmod(peer.SlavePath().c_str(), deviceMode), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(OpenAsUnprivilegedUser());
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "cannot drop privileges here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "failed step in the child";
}

// ------------------------------------------- time-outs judged on what arrived

namespace {

// A reading thread that the scheduler leaves waiting: the signal's handler
// holds the thread for 150 ms while the bytes arrive.
void HoldTheThread(int) {
    timespec pause{0, 150'000'000};
    while (::nanosleep(&pause, &pause) != 0) {
    }
}

struct LateReadCase {
    const char* name;
    uint32_t interval;              // 0: the total time-out ends the read
    size_t count;                   // bytes asked for
    std::vector<uint8_t> before;    // sent before the read
    std::vector<uint8_t> meanwhile; // sent while the reader is held
    size_t expected;                // bytes the read must get
};

} // namespace

// The deadline passes while the reader is held, but the bytes came in time:
// a last look at the queue takes them before the read declares its time-out.
TEST_F(SerialPortTest, ReaderThatRunsLateStillTakesBytesThatCameInTime) {
    const std::vector<LateReadCase> cases = {
        {"echo after the total time-out passed", 0, 1, {}, {0x85}, 1},
        {"rest of a reply after the interval passed", 30, 10, {'a'}, {'b', 'c', 'd'}, 4},
    };
    CScopedSignalHandler handler(HoldTheThread);
    ASSERT_TRUE(handler.Ok());
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    for (const LateReadCase& c : cases) {
        ASSERT_TRUE(m_port.SetReadIntervalTimeout(c.interval));
        ASSERT_TRUE(m_port.SetReadTotalTimeoutConstant(50));
        m_peer.Send(c.before);
        const pthread_t reader = ::pthread_self();
        std::thread other([&] {
            std::this_thread::sleep_for(10ms);
            ::pthread_kill(reader, SIGUSR1);
            std::this_thread::sleep_for(20ms);
            m_peer.Send(c.meanwhile);
        });
        std::vector<uint8_t> buffer(c.count);
        const auto start = Clock::now();
        EXPECT_TRUE(m_port.Read(buffer.data(), buffer.size())) << c.name;
        const long long elapsed = MsSince(start);
        other.join();
        EXPECT_GE(elapsed, 150) << c.name << ": the reader was not held";
        EXPECT_EQ(m_port.GetLastReadCount(), c.expected) << c.name;
    }
}

// ---------------------------------------------------------- discard, drain

TEST_F(SerialPortTest, DrainReadsUntilTheLineHasBeenQuiet) {
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    std::thread sender([&] {
        for (int i = 0; i < 3; ++i) {
            m_peer.Send({'x'});
            std::this_thread::sleep_for(50ms);
        }
    });
    std::this_thread::sleep_for(20ms);
    const auto start = Clock::now();
    EXPECT_TRUE(m_port.DrainInput({20, 80, 80, 2000}));
    const long long elapsed = MsSince(start);
    sender.join();
    EXPECT_GE(elapsed, 100 - 20 + 80) << "quiet counts from the last byte";
    EXPECT_LT(elapsed, 1500);
    uint8_t byte = 0;
    ASSERT_TRUE(m_port.Read(&byte, 1));
    EXPECT_EQ(m_port.GetLastReadCount(), 0u) << "the drained bytes are gone";

    // A line already silent is left at once, without waiting for the quiet.
    const auto silent = Clock::now();
    EXPECT_TRUE(m_port.DrainInput({20, 200, 200, 2000}));
    EXPECT_LT(MsSince(silent), 150);

    // Bytes that end at a line end are followed only by the short quiet;
    // bytes that stop inside a line by the whole one.
    for (const bool lineEnd : {true, false}) {
        m_peer.Send(lineEnd ? std::vector<uint8_t>{'a', '\r', '\n'} : std::vector<uint8_t>{'a'});
        std::this_thread::sleep_for(20ms);
        const auto start = Clock::now();
        EXPECT_TRUE(m_port.DrainInput({20, 600, 30, 2000}));
        const long long took = MsSince(start);
        EXPECT_GE(took, lineEnd ? 30 : 600) << lineEnd;
        EXPECT_LT(took, lineEnd ? 450 : 1500) << lineEnd;
    }

    // A line that never calms down is drained for the limit, no longer.
    std::atomic<bool> done{false};
    std::thread chatter([&] {
        while (!done) {
            m_peer.Send({'y'});
            std::this_thread::sleep_for(10ms);
        }
    });
    std::this_thread::sleep_for(15ms);
    const auto noisy = Clock::now();
    EXPECT_TRUE(m_port.DrainInput({20, 80, 80, 300}));
    const long long drained = MsSince(noisy);
    done = true;
    chatter.join();
    EXPECT_GE(drained, 300);
    EXPECT_LT(drained, 1500);
}

// -------------------------------------------------------------- hang-up

// The device vanishes during a read: the read ends at once as hung up, and
// every later transfer fails at once the same way, without waiting.
TEST_F(SerialPortTest, HangUpEndsAReadAtOnceAndEveryTransferAfterIt) {
    ASSERT_EQ(m_port.Open(3), PortOpenFailure::None);
    ASSERT_TRUE(m_port.SetReadTotalTimeoutConstant(3000));
    // Timed from before the thread starts, so its 50 ms cannot begin earlier.
    const auto start = Clock::now();
    std::thread vanish([&] {
        std::this_thread::sleep_for(50ms);
        m_peer.HangUp();
    });
    uint8_t buffer[8];
    EXPECT_FALSE(m_port.Read(buffer, sizeof buffer));
    const long long elapsed = MsSince(start);
    vanish.join();
    EXPECT_GE(elapsed, 50);
    EXPECT_LT(elapsed, 1500) << "must not wait for the 3 s time-out";
    EXPECT_EQ(m_port.LastFault(), LineFault::HungUp);

    const auto after = Clock::now();
    const uint8_t byte = 0x85;
    EXPECT_FALSE(m_port.Write(&byte, 1));
    EXPECT_EQ(m_port.LastFault(), LineFault::HungUp);
    EXPECT_FALSE(m_port.Read(buffer, 1));
    EXPECT_FALSE(m_port.DrainInput({20, 200, 200, 2000}));
    EXPECT_EQ(m_port.LastFault(), LineFault::HungUp);
    EXPECT_TRUE(m_port.Close());
    EXPECT_LT(MsSince(after), 150);
}

