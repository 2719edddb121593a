#include "link/CStopSignal.h"

#include <windows.h>

namespace {

HANDLE EventOf(std::intptr_t waitable) {
    return reinterpret_cast<HANDLE>(waitable);
}

} // namespace

// Manual reset: once set, the event stays signalled, so every later wait
// sees the stop at once.
CStopSignal::CStopSignal()
    : m_waitable(reinterpret_cast<std::intptr_t>(::CreateEventW(nullptr, TRUE, FALSE, nullptr))) {}

CStopSignal::~CStopSignal() {
    if (m_waitable)
        ::CloseHandle(EventOf(m_waitable));
}

void CStopSignal::Request() {
    ::SetEvent(EventOf(m_waitable));
}

bool CStopSignal::IsRequested() const {
    return ::WaitForSingleObject(EventOf(m_waitable), 0) == WAIT_OBJECT_0;
}
