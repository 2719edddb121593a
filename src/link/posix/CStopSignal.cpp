#include "link/CStopSignal.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

CStopSignal::CStopSignal() : m_waitable(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CStopSignal::~CStopSignal() {
    if (m_waitable >= 0)
        ::close(static_cast<int>(m_waitable));
}

// The counter is only ever added to, never read, so the descriptor stays
// readable for good and every later wait sees the stop at once.
void CStopSignal::Request() {
    const uint64_t one = 1;
    while (::write(static_cast<int>(m_waitable), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool CStopSignal::IsRequested() const {
    pollfd p{static_cast<int>(m_waitable), POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}
