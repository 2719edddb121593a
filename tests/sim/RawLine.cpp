#include "RawLine.h"

#include "sim/SimTranscriptEntry.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

int RawLine::Open(const std::string& path) {
    Close();
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    termios tio{};
    int exclusive = 0;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCGEXCL, &exclusive) != 0 ||
        (exclusive && (errno = EBUSY)) || ioctl(fd, TIOCEXCL) != 0 || tcgetattr(fd, &tio) != 0) {
        int error = errno;
        close(fd);
        return error;
    }
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tio.c_cflag |= CLOCAL | CREAD;
    if (tcsetattr(fd, TCSANOW, &tio) != 0) {
        int error = errno;
        close(fd);
        return error;
    }
    m_fd = fd;
    return 0;
}

void RawLine::Close() {
    if (m_fd < 0)
        return;
    tcdrain(m_fd);
    tcflush(m_fd, TCIFLUSH);
    ioctl(m_fd, TIOCNXCL);
    close(m_fd);
    m_fd = -1;
}

bool RawLine::Write(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd out{m_fd, POLLOUT, 0};
            poll(&out, 1, 100);
            continue;
        }
        if (n < 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool RawLine::Write(const std::string& text) {
    return Write(Bytes(text));
}

std::vector<uint8_t> RawLine::Read(size_t count, int timeoutMs) {
    std::vector<uint8_t> bytes;
    const int64_t deadline = SimMonotonicNs() + int64_t{timeoutMs} * 1000000;
    while (bytes.size() < count) {
        int64_t left = (deadline - SimMonotonicNs()) / 1000000;
        if (left < 0)
            break;
        pollfd in{m_fd, POLLIN, 0};
        int ready = poll(&in, 1, static_cast<int>(left) + 1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        uint8_t buffer[256];
        size_t want = std::min(sizeof buffer, count - bytes.size());
        ssize_t n = read(m_fd, buffer, want);
        if (n > 0)
            bytes.insert(bytes.end(), buffer, buffer + n);
        else if (n == 0 || (errno != EINTR && errno != EAGAIN))
            break;
    }
    return bytes;
}

std::vector<uint8_t> RawLine::ReadUntilQuiet(int quietMs, int maxMs) {
    std::vector<uint8_t> bytes;
    const int64_t deadline = SimMonotonicNs() + int64_t{maxMs} * 1000000;
    while (SimMonotonicNs() < deadline) {
        std::vector<uint8_t> more = Read(4096, quietMs);
        if (more.empty())
            break;
        bytes.insert(bytes.end(), more.begin(), more.end());
    }
    return bytes;
}

std::vector<uint8_t> RawLine::Exchange(const std::string& text, int timeoutMs) {
    std::vector<uint8_t> echoes;
    for (char c : text) {
        Write(std::vector<uint8_t>{static_cast<uint8_t>(c)});
        std::vector<uint8_t> echo = Read(1, timeoutMs);
        if (echo.empty())
            break;
        echoes.push_back(echo[0]);
    }
    return echoes;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string Text(const std::vector<uint8_t>& bytes) {
    return {bytes.begin(), bytes.end()};
}
