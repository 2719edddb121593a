#include "link/CSerialPort.h"

#include "link/CStopSignal.h"
#include "link/PortNaming.h"
#include "link/PortOpenError.h"

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

constexpr tcflag_t kFramingMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

enum class Wait { Ready, TimedOut, Failed, Stopped };

timespec ToTimespec(Clock::duration d) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

// The descriptor of a stop signal, or -1 (which poll ignores).
int StopFd(const CStopSignal* stop) {
    return stop ? stop->Fd() : -1;
}

bool Stopped(const CStopSignal* stop) {
    return stop && stop->IsRequested();
}

// Errors by which a terminal says that its device is gone.
bool HungUpError(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

LineFault FaultOf(Wait wait) {
    return wait == Wait::Stopped ? LineFault::Stopped : LineFault::Failed;
}

// Waits until fd is ready or deadline passes (none: no limit), or the stop
// descriptor becomes readable; signals restart the wait for the time left,
// so a wait never ends early. A deadline that has passed still gets one
// look without waiting: what is ready by then counts, however late the
// calling thread came to run. A hang-up reads as ready, so the transfer
// that follows learns of it.
Wait WaitFor(int fd, short events, int stopFd, const Clock::time_point* deadline) {
    for (;;) {
        timespec ts{};
        if (deadline)
            ts = ToTimespec(std::max(Clock::duration::zero(), *deadline - Clock::now()));
        pollfd p[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
        const int n = ::ppoll(p, 2, deadline ? &ts : nullptr, nullptr);
        if (n > 0 && (p[1].revents & POLLIN))
            return Wait::Stopped;
        if (n > 0)
            return (p[0].revents & POLLNVAL) ? Wait::Failed : Wait::Ready;
        if (n == 0)
            return Wait::TimedOut;
        if (errno != EINTR)
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

CSerialPort::CSerialPort() : m_traffic(LineTrafficListener()) {}

CSerialPort::~CSerialPort() {
    Close();
}

bool CSerialPort::IsOpen() const {
    return m_fd >= 0;
}

PortOpenFailure CSerialPort::Open(uint8_t port) {
    if (IsOpen())
        Close();
    m_portNumber = port;
    m_hungUp = false;
    m_fault = LineFault::None;
    const int fd = OpenExclusive(PortDevicePath(port));
    if (fd < 0)
        return OpenFailed(ClassifyPortOpenError(-fd), -fd);
    m_fd = fd;
    const int error = ConfigureLine() ? RequestLowLatency(m_fd) : errno;
    if (error == 0)
        return OpenFailed(PortOpenFailure::None, 0);
    // Ours alone, so drop the exclusive flag; closing releases the lock.
    ::ioctl(m_fd, TIOCNXCL);
    ::close(m_fd);
    m_fd = -1;
    return OpenFailed(ClassifySetupError(error), error);
}

PortOpenFailure CSerialPort::Probe(uint8_t port, int* error) {
    const int fd = OpenExclusive(PortDevicePath(port));
    if (error)
        *error = fd < 0 ? -fd : 0;
    if (fd < 0)
        return ClassifyPortOpenError(-fd);
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
    return PortOpenFailure::None;
}

PortOpenFailure CSerialPort::OpenFailed(PortOpenFailure failure, int error) {
    m_openFailure = failure;
    m_openError = error;
    return failure;
}

// 9600 baud, 8 data bits, no parity, one stop bit, raw, no flow control.
bool CSerialPort::ConfigureLine() {
    termios tio{};
    if (::tcgetattr(m_fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    tio.c_cflag &= ~(kFramingMask | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    // Time-outs are Read's own business; with one byte minimum a read of
    // an idle line reports EAGAIN and a read of 0 means the line hung up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(m_fd, TCSANOW, &tio) != 0)
        return false;
    return LineTook(m_fd, tio);
}

bool CSerialPort::Close() {
    if (!IsOpen())
        return false;
    // Let written bytes leave first: the last one (the release byte) gets no
    // echo to wait for, and flushing the output side would discard it. A
    // device that hung up refuses at once.
    while (::tcdrain(m_fd) != 0 && errno == EINTR) {
    }
    ReportWaitingInput();
    ::tcflush(m_fd, TCIFLUSH);
    // The exclusive flag outlives the descriptor on some terminals.
    ::ioctl(m_fd, TIOCNXCL);
    ::flock(m_fd, LOCK_UN);
    const bool closed = ::close(m_fd) == 0;
    m_fd = -1;
    return closed;
}

bool CSerialPort::Fail(LineFault fault) {
    m_fault = fault;
    if (fault == LineFault::HungUp)
        m_hungUp = true;
    return false;
}

bool CSerialPort::FailFromErrno(int error) {
    return Fail(HungUpError(error) ? LineFault::HungUp : LineFault::Failed);
}

// Clears the last fault; false (with the fault set) when no transfer can
// start: the port is closed or hung up, or a stop was requested.
bool CSerialPort::ReadyForTransfer() {
    m_fault = LineFault::None;
    if (!IsOpen())
        return Fail(LineFault::Failed);
    if (m_hungUp)
        return Fail(LineFault::HungUp);
    if (Stopped(m_stop))
        return Fail(LineFault::Stopped);
    return true;
}

bool CSerialPort::Write(const uint8_t* bytes, size_t count) {
    if (!ReadyForTransfer())
        return false;
    if (count > 0 && !bytes)
        return Fail(LineFault::Failed);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(m_fd, bytes + done, count - done);
        if (n > 0) {
            Report(TrafficDirection::Sent, bytes + done, static_cast<size_t>(n));
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        // The descriptor does not block: wait for room when the queue is full.
        const bool full = n == 0 || errno == EAGAIN || errno == EWOULDBLOCK;
        if (!full)
            return FailFromErrno(errno);
        const Wait wait = WaitWritable(m_fd, StopFd(m_stop));
        if (wait != Wait::Ready)
            return Fail(FaultOf(wait));
    }
    return true;
}

bool CSerialPort::Read(uint8_t* buffer, size_t count) {
    return ReadFramed(buffer, count, nullptr);
}

bool CSerialPort::ReadFramed(uint8_t* buffer, size_t count, FrameTest complete) {
    if (buffer && count > 0)
        std::memset(buffer, 0, count);
    m_lastReadCount = 0;
    m_lastReadEnd = ReadEnd::Failed;
    if (!ReadyForTransfer())
        return false;
    if (count > 0 && !buffer)
        return Fail(LineFault::Failed);
    const Clock::time_point start = Clock::now();
    const uint64_t totalMs = std::min<uint64_t>(uint64_t{kReadTotalTimeoutMultiplier} * count +
                                                    m_timeouts.ReadTotalTimeoutConstant,
                                                kMaxTotalMs);
    const Clock::time_point totalDeadline = start + std::chrono::milliseconds(totalMs);
    const std::chrono::milliseconds interval(m_timeouts.ReadIntervalTimeout);
    Clock::time_point deadline = totalDeadline;
    while (m_lastReadCount < count) {
        const Wait wait = WaitReadable(m_fd, StopFd(m_stop), deadline);
        if (wait == Wait::TimedOut) {
            m_lastReadEnd = deadline < totalDeadline ? ReadEnd::Interval : ReadEnd::Total;
            return true;
        }
        if (wait != Wait::Ready)
            return Fail(FaultOf(wait));
        const ssize_t n = ::read(m_fd, buffer + m_lastReadCount, count - m_lastReadCount);
        if (n == 0)
            return Fail(LineFault::HungUp);
        if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return FailFromErrno(errno);
        if (n < 0)
            continue;
        Report(TrafficDirection::Received, buffer + m_lastReadCount, static_cast<size_t>(n));
        m_lastReadCount += static_cast<size_t>(n);
        if (complete && complete(buffer, m_lastReadCount)) {
            m_lastReadEnd = ReadEnd::Framed;
            return true;
        }
        const Clock::time_point now = Clock::now();
        if (m_lastReadCount < count && now >= totalDeadline) {
            // That was the last look after the total time-out.
            m_lastReadEnd = ReadEnd::Total;
            return true;
        }
        if (interval.count() != 0)
            deadline = std::min(totalDeadline, now + interval);
    }
    m_lastReadEnd = ReadEnd::Count;
    return true;
}

bool CSerialPort::SetReadIntervalTimeout(uint32_t ms) {
    m_timeouts.ReadIntervalTimeout = ms;
    return true;
}

bool CSerialPort::SetReadTotalTimeoutConstant(uint32_t ms) {
    m_timeouts.ReadTotalTimeoutConstant = ms;
    return true;
}

void CSerialPort::DiscardInput() {
    if (!IsOpen() || m_hungUp)
        return;
    ReportWaitingInput();
    ::tcflush(m_fd, TCIFLUSH);
}

// A listener learns of the bytes the flush is about to drop: they are read
// without waiting first.
void CSerialPort::ReportWaitingInput() const {
    if (!m_traffic)
        return;
    uint8_t scratch[256];
    ssize_t n;
    while ((n = ::read(m_fd, scratch, sizeof scratch)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0)
            Report(TrafficDirection::Discarded, scratch, static_cast<size_t>(n));
    }
}

void CSerialPort::Report(TrafficDirection direction, const uint8_t* bytes, size_t count) const {
    if (m_traffic)
        m_traffic->OnTraffic({m_portNumber, direction, Clock::now(), bytes, count});
}

// The first wait ends waitMs after the call (a look without waiting for 0);
// every byte read resets the wait to quietMs.
bool CSerialPort::DrainInput(uint32_t waitMs, uint32_t quietMs, uint32_t limitMs) {
    if (!ReadyForTransfer())
        return false;
    const Clock::time_point start = Clock::now();
    const Clock::time_point limit = start + std::chrono::milliseconds(limitMs);
    Clock::time_point quietUntil = start + std::chrono::milliseconds(waitMs);
    uint8_t scratch[256];
    for (;;) {
        const Wait wait = WaitReadable(m_fd, StopFd(m_stop), std::min(quietUntil, limit));
        if (wait == Wait::TimedOut)
            return true;
        if (wait != Wait::Ready)
            return Fail(FaultOf(wait));
        const ssize_t n = ::read(m_fd, scratch, sizeof scratch);
        if (n == 0)
            return Fail(LineFault::HungUp);
        if (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return FailFromErrno(errno);
        if (n <= 0)
            continue;
        Report(TrafficDirection::Discarded, scratch, static_cast<size_t>(n));
        const Clock::time_point now = Clock::now();
        if (now >= limit)
            return true;
        quietUntil = now + std::chrono::milliseconds(quietMs);
    }
}
