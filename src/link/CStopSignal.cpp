#include "link/CStopSignal.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

CStopSignal::CStopSignal() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CStopSignal::~CStopSignal() {
    if (m_fd >= 0)
        ::close(m_fd);
}

// The counter is only ever added to, never read, so the descriptor stays
// readable for good and every later wait sees the stop at once.
void CStopSignal::Request() {
    const uint64_t one = 1;
    while (::write(m_fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool CStopSignal::IsRequested() const {
    pollfd p{m_fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}
