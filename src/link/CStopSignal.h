#pragma once

#include <cstdint>

// A request to stop, made once and seen by every thread that waits on a
// line. Its waitable object becomes signalled when the stop is requested,
// so a serial port can wait on it next to the line and cut a read in
// progress. Request() is safe in a signal handler, in a console control
// handler and from any thread.
class CStopSignal {
public:
    CStopSignal();
    CStopSignal(const CStopSignal&) = delete;
    CStopSignal& operator=(const CStopSignal&) = delete;
    ~CStopSignal();

    void Request();
    bool IsRequested() const;
    // Signalled from the moment of the request on: a descriptor that turns
    // readable (POSIX) or a manual-reset event (Windows).
    std::intptr_t Waitable() const { return m_waitable; }

private:
    std::intptr_t m_waitable;
};
