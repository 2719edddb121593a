#include "link/CSerialDevice.h"

#include "link/CStopSignal.h"
#include "link/PortNaming.h"

#include <algorithm>
#include <cerrno>
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
using Clock = CSerialDevice::Clock;

constexpr tcflag_t kFramingMask = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

enum class Wait { Ready, TimedOut, Failed, Stopped };

timespec ToTimespec(Clock::duration d) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(d).count();
    return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

// The descriptor of a stop signal, or -1 (which poll ignores).
int StopFd(const CStopSignal* stop) {
    return stop ? static_cast<int>(stop->Waitable()) : -1;
}

// Errors by which a terminal says that its device is gone.
bool HungUpError(int error) {
    return error == EIO || error == ENXIO || error == ENODEV;
}

DeviceTransfer Failure(int error, size_t count = 0) {
    return {HungUpError(error) ? DeviceStatus::HungUp : DeviceStatus::Failed, count};
}

DeviceTransfer Ended(Wait wait, size_t count = 0) {
    switch (wait) {
    case Wait::TimedOut:
        return {DeviceStatus::TimedOut, count};
    case Wait::Stopped:
        return {DeviceStatus::Stopped, count};
    default:
        return {DeviceStatus::Failed, count};
    }
}

// Waits until fd is ready or deadline passes (none: no limit), or the stop
// descriptor becomes readable; signals restart the wait for the time left,
// so a wait never ends early. A deadline that has passed still gets one
// look without waiting. A hang-up reads as ready, so the transfer that
// follows learns of it.
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
// Returns the descriptor or -errno.
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

// Gives up exclusivity (the flag outlives the descriptor on some terminals)
// and closes.
bool Release(int fd) {
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    return ::close(fd) == 0;
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

// 9600 baud, 8 data bits, no parity, one stop bit, raw, no flow control.
bool ConfigureLine(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        return false;
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    tio.c_cflag &= ~(kFramingMask | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    // Time-outs are the reader's business; with one byte minimum a read of
    // an idle line reports EAGAIN and a read of 0 means the line hung up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) != 0)
        return false;
    return LineTook(fd, tio);
}

} // namespace

CSerialDevice::~CSerialDevice() {
    Close();
}

PortOpenFailure CSerialDevice::Open(uint8_t port, int& error) {
    Close();
    const int fd = OpenExclusive(PortDevicePath(port));
    error = fd < 0 ? -fd : 0;
    if (fd < 0)
        return ClassifyPortOpenError(error);
    error = ConfigureLine(fd) ? RequestLowLatency(fd) : errno;
    if (error != 0) {
        Release(fd);
        return ClassifySetupError(error);
    }
    m_handle = fd;
    return PortOpenFailure::None;
}

PortOpenFailure CSerialDevice::Probe(uint8_t port, int& error) {
    const int fd = OpenExclusive(PortDevicePath(port));
    error = fd < 0 ? -fd : 0;
    if (fd < 0)
        return ClassifyPortOpenError(error);
    Release(fd);
    return PortOpenFailure::None;
}

DeviceTransfer CSerialDevice::ReadSome(uint8_t* buffer, size_t max,
                                       const Clock::time_point* deadline,
                                       const CStopSignal* stop) {
    const int fd = static_cast<int>(m_handle);
    for (;;) {
        const Wait wait = WaitFor(fd, POLLIN, StopFd(stop), deadline);
        if (wait != Wait::Ready)
            return Ended(wait);
        const ssize_t n = ::read(fd, buffer, max);
        if (n > 0)
            return {DeviceStatus::Data, static_cast<size_t>(n)};
        if (n == 0)
            return {DeviceStatus::HungUp, 0};
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)
            return Failure(errno);
    }
}

DeviceTransfer CSerialDevice::WriteSome(const uint8_t* bytes, size_t count,
                                        const CStopSignal* stop) {
    const int fd = static_cast<int>(m_handle);
    for (;;) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n > 0 || count == 0)
            return {DeviceStatus::Data, static_cast<size_t>(std::max<ssize_t>(n, 0))};
        if (n < 0 && errno == EINTR)
            continue;
        // The descriptor does not block: wait for room when the queue is full.
        const bool full = n == 0 || errno == EAGAIN || errno == EWOULDBLOCK;
        if (!full)
            return Failure(errno);
        const Wait wait = WaitFor(fd, POLLOUT, StopFd(stop), nullptr);
        if (wait != Wait::Ready)
            return Ended(wait);
    }
}

void CSerialDevice::DrainOutput() {
    // A device that hung up refuses at once.
    while (::tcdrain(static_cast<int>(m_handle)) != 0 && errno == EINTR) {
    }
}

void CSerialDevice::PurgeInput() {
    ::tcflush(static_cast<int>(m_handle), TCIFLUSH);
}

bool CSerialDevice::Close() {
    if (!IsOpen())
        return false;
    PurgeInput();
    const bool closed = Release(static_cast<int>(m_handle));
    m_handle = kClosed;
    return closed;
}
