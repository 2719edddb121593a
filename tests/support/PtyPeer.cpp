#include "support/PtyPeer.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

void MakeRaw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0)
        throw std::runtime_error("tcgetattr failed");
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
}

} // namespace

PtyPeer::PtyPeer(int port) : m_port(port) {
    int slave = -1;
    char name[256] = {};
    if (::openpty(&m_master, &slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    MakeRaw(m_master);
    MakeRaw(slave);
    ::close(slave); // the code under test opens it by path
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = name;
    char dirTemplate[] = "/tmp/ktr-pty-XXXXXX";
    if (!::mkdtemp(dirTemplate))
        throw std::runtime_error("mkdtemp failed");
    m_dir = dirTemplate;
    if (::symlink(m_slavePath.c_str(), LinkPath().c_str()) != 0)
        throw std::runtime_error("symlink failed");
    const char* saved = std::getenv("KTRSETUP_PORT_DIR");
    m_hadPortDir = saved != nullptr;
    m_savedPortDir = saved ? saved : "";
    ::setenv("KTRSETUP_PORT_DIR", m_dir.c_str(), 1);
}

PtyPeer::~PtyPeer() {
    if (m_hadPortDir)
        ::setenv("KTRSETUP_PORT_DIR", m_savedPortDir.c_str(), 1);
    else
        ::unsetenv("KTRSETUP_PORT_DIR");
    ::unlink(LinkPath().c_str());
    ::rmdir(m_dir.c_str());
    HangUp();
}

void PtyPeer::HangUp() {
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

std::string PtyPeer::LinkPath() const {
    return m_dir + "/COM" + std::to_string(m_port);
}

void PtyPeer::Send(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (errno == EAGAIN) {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else if (errno != EINTR) {
            throw std::runtime_error("write to pty master failed");
        }
    }
}

// While nobody has the slave open the master reports a hang-up (and reads
// fail with EIO) once its queue is empty; keep polling until the deadline.
std::vector<uint8_t> PtyPeer::Receive(size_t count, std::chrono::milliseconds timeout) {
    std::vector<uint8_t> got;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
        uint8_t chunk[4096];
        const ssize_t n = ::read(m_master, chunk, std::min(sizeof chunk, count - got.size()));
        if (n > 0) {
            got.insert(got.end(), chunk, chunk + n);
            continue;
        }
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, 5) > 0 && !(p.revents & POLLIN))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return got;
}

void PtyPeer::Drain() {
    uint8_t chunk[4096];
    while (::read(m_master, chunk, sizeof chunk) > 0) {
    }
}

bool PtyPeer::SlaveMarkedExclusive() const {
    // Root may open an exclusive terminal, which is what lets this look.
    const int fd = ::open(m_slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EBUSY;
    int exclusive = 0;
    const bool marked = ::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    ::close(fd);
    return marked;
}
