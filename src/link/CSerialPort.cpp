#include "link/CSerialPort.h"

#include "link/CStopSignal.h"
#include "link/IMessageDisplay.h"
#include "link/PortNaming.h"
#include "link/PortOpenError.h"
#include "res/StringTable.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// steady_clock reads CLOCK_MONOTONIC on Linux: wall-clock changes never
// stretch or shorten a time-out.
using Clock = std::chrono::steady_clock;

// Longest total read time-out honoured, so deadlines never overflow.
constexpr uint64_t kMaxTotalMs = 5'000'000'000ULL;

enum class Wait { Ready, TimedOut, Failed, Stopped };

timespec ToTimespec(Clock::duration d) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

// The descriptor of a stop signal, or -1 (which poll ignores).
int StopFd(const CStopSignal* stop) {
    return stop ? stop->Fd() : -1;
}

// Waits until fd has data or deadline passes (none: no limit), or the stop
// descriptor becomes readable; signals restart the wait for the time left,
// so a wait never ends early.
Wait WaitFor(int fd, short events, int stopFd, const Clock::time_point* deadline) {
    for (;;) {
        timespec ts{};
        if (deadline) {
            const Clock::duration left = *deadline - Clock::now();
            if (left <= Clock::duration::zero())
                return Wait::TimedOut;
            ts = ToTimespec(left);
        }
        pollfd p[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
        const int n = ::ppoll(p, 2, deadline ? &ts : nullptr, nullptr);
        if (n > 0 && (p[1].revents & POLLIN))
            return Wait::Stopped;
        if (n > 0)
            return (p[0].revents & POLLNVAL) ? Wait::Failed : Wait::Ready;
        if (n < 0 && errno != EINTR)
            return Wait::Failed;
    }
}

Wait WaitReadable(int fd, int stopFd, Clock::time_point deadline) {
    return WaitFor(fd, POLLIN, stopFd, &deadline);
}

// Waits without time limit until fd takes more output.
Wait WaitWritable(int fd, int stopFd) {
    return WaitFor(fd, POLLOUT, stopFd, nullptr);
}

// True when another holder (a program that does not use flock) has already
// marked the terminal exclusive; root could otherwise open it regardless.
bool MarkedExclusiveElsewhere(int fd) {
#ifdef TIOCGEXCL
    int exclusive = 0;
    return ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
#else
    (void)fd;
    return false;
#endif
}

// Takes the advisory lock and the terminal's exclusive flag. Returns 0 or
// the errno that describes the failure (EBUSY for a port marked exclusive).
int TakeExclusive(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        return errno;
    if (MarkedExclusiveElsewhere(fd))
        return EBUSY;
    if (::ioctl(fd, TIOCEXCL) != 0)
        return errno;
    return 0;
}

// Opens the device without waiting for carrier and takes it exclusively.
// Returns the descriptor or -errno. Nothing about the line is touched before
// the port is known to be ours, so a failed open never disturbs its holder.
int OpenExclusive(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -errno;
    const int error = TakeExclusive(fd);
    if (error == 0)
        return fd;
    ::close(fd);
    return -error;
}

// Asks the driver to hand received bytes on at once (a USB adapter would
// otherwise hold them up to its latency timer). Drivers without the request
// and users without the right simply keep the default.
int RequestLowLatency(int fd) {
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) == 0) {
        if (info.flags & ASYNC_LOW_LATENCY)
            return 0;
        info.flags |= ASYNC_LOW_LATENCY;
        if (::ioctl(fd, TIOCSSERIAL, &info) == 0)
            return 0;
    }
    const int error = errno;
    return (error == ENOTTY || error == EINVAL || error == EPERM) ? 0 : error;
}

speed_t SpeedCode(uint32_t baud) {
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B0;
    }
}

tcflag_t DataBitsFlag(uint8_t bits) {
    switch (bits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

// 0 none, 1 odd, 2 even, 3 mark, 4 space.
tcflag_t ParityFlags(uint8_t parity) {
    switch (parity) {
    case 1:
        return PARENB | PARODD;
    case 2:
        return PARENB;
    case 3:
        return PARENB | CMSPAR | PARODD;
    case 4:
        return PARENB | CMSPAR;
    default:
        return 0;
    }
}

// 0 one, 1 one and a half, 2 two; termios has one flag for both longer ones.
tcflag_t StopBitsFlag(uint8_t stopBits) {
    return stopBits == 0 ? 0 : CSTOPB;
}

constexpr tcflag_t kFramingMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

// tcsetattr succeeds when any part of a change took; check the parts that
// matter did.
bool LineTook(int fd, const termios& wanted) {
    termios now{};
    if (::tcgetattr(fd, &now) != 0)
        return false;
    if (::cfgetospeed(&now) == ::cfgetospeed(&wanted) &&
        (now.c_cflag & kFramingMask) == (wanted.c_cflag & kFramingMask))
        return true;
    errno = EINVAL;
    return false;
}

} // namespace

CSerialPort::CSerialPort() = default;

CSerialPort::~CSerialPort() {
    Close();
}

bool CSerialPort::IsOpen() const {
    return m_fd >= 0;
}

bool CSerialPort::Open(uint8_t port) {
    if (IsOpen())
        Close();
    m_portNumber = port;
    m_openFailure = PortOpenFailure::Other;
    const int fd = OpenExclusive(PortDevicePath(port));
    if (fd < 0) {
        ReportOpenError(-fd);
        return false;
    }
    m_fd = fd;
    const int error = (ConfigureLine() && ApplyTimeouts()) ? RequestLowLatency(m_fd) : errno;
    if (error == 0)
        return true;
    // Ours alone, so drop the exclusive flag; closing releases the lock.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
    ReportOpenError(error);
    return false;
}

bool CSerialPort::ConfigureLine() {
    if (!IsOpen())
        return false;
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0)
        return false;
    const speed_t speed = SpeedCode(m_baudRate);
    if (speed == B0) {
        errno = EINVAL;
        return false;
    }
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    tio.c_cflag &= ~(kFramingMask | CRTSCTS);
    tio.c_cflag |= DataBitsFlag(m_dataBits) | ParityFlags(m_parity) | StopBitsFlag(m_stopBits);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    // Time-outs are Read's own business; with one byte minimum a read of
    // an idle line reports EAGAIN and a read of 0 means the line hung up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0)
        return false;
    return LineTook(m_fd, tio);
}

// Read enforces the time-outs itself, so there is nothing to hand to the
// driver; applying them checks that the device still answers, as the driver
// call would.
bool CSerialPort::ApplyTimeouts() {
    termios tio{};
    return IsOpen() && ::tcgetattr(m_fd, &tio) == 0;
}

void CSerialPort::ReportOpenError(int error) {
    m_openFailure = ClassifyPortOpenError(error);
    const unsigned id = PortOpenMessageId(m_openFailure);
    if (id == 0)
        return;
    const std::string caption =
        LoadString(IDS_PORT_OPEN_FAILED) + " " + std::to_string(m_portNumber);
    MessageDisplay().Show(id, LoadString(id), caption, MsgButtons::Ok, MsgIcon::Warning);
}

bool CSerialPort::Close() {
    if (!IsOpen())
        return false;
    // Let written bytes leave first: the last one (the release byte) gets no
    // echo to wait for, and flushing the output side would discard it.
    while (::tcdrain(m_fd) != 0 && errno == EINTR) {
    }
    ::tcflush(m_fd, TCIFLUSH);
    // The exclusive flag outlives the descriptor on some terminals.
    ::ioctl(m_fd, TIOCNXCL);
    ::flock(m_fd, LOCK_UN);
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    return closed;
}

bool CSerialPort::Write(const uint8_t* bytes, size_t count) {
    m_stopped = m_stop && m_stop->IsRequested();
    if (!IsOpen() || (count > 0 && !bytes) || m_stopped)
        return false;
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // The descriptor does not block: wait for room when the queue is full.
        const bool full = n == 0 || errno == EAGAIN || errno == EWOULDBLOCK;
        if (!full)
            return false;
        const Wait wait = WaitWritable(m_fd, StopFd(m_stop));
        m_stopped = wait == Wait::Stopped;
        if (wait != Wait::Ready)
            return false;
    }
    return true;
}

bool CSerialPort::Read(uint8_t* buffer, size_t count) {
    if (buffer && count > 0)
        std::memset(buffer, 0, count);
    m_lastReadCount = 0;
    m_stopped = false;
    if (!IsOpen() || (count > 0 && !buffer))
        return false;
    const Clock::time_point start = Clock::now();
    const uint64_t totalMs =
        std::min<uint64_t>(uint64_t{m_timeouts.ReadTotalTimeoutMultiplier} * count +
                               m_timeouts.ReadTotalTimeoutConstant,
                           kMaxTotalMs);
    const Clock::time_point totalDeadline = start + std::chrono::milliseconds(totalMs);
    const std::chrono::milliseconds interval(m_timeouts.ReadIntervalTimeout);
    Clock::time_point deadline = totalDeadline;
    while (m_lastReadCount < count) {
        const Wait wait = WaitReadable(m_fd, StopFd(m_stop), deadline);
        m_stopped = wait == Wait::Stopped;
        if (wait != Wait::Ready)
            return wait == Wait::TimedOut;
        const ssize_t n = ::read(m_fd, buffer + m_lastReadCount, count - m_lastReadCount);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            return false; // hung up or failed
        if (n > 0) {
            m_lastReadCount += static_cast<size_t>(n);
            if (interval.count() != 0)
                deadline = std::min(totalDeadline, Clock::now() + interval);
        }
    }
    return true;
}

bool CSerialPort::SetReadIntervalTimeout(uint32_t ms) {
    m_timeouts.ReadIntervalTimeout = ms;
    return !IsOpen() || ApplyTimeouts();
}

bool CSerialPort::SetReadTotalTimeoutConstant(uint32_t ms) {
    m_timeouts.ReadTotalTimeoutConstant = ms;
    return !IsOpen() || ApplyTimeouts();
}
