#pragma once

// A request to stop, made once and seen by every thread that waits on a
// line. Its descriptor becomes readable when the stop is requested, so a
// serial port can poll it next to the line and cut a read in progress.
// Request() is safe in a signal handler and from any thread.
class CStopSignal {
public:
    CStopSignal();
    CStopSignal(const CStopSignal&) = delete;
    CStopSignal& operator=(const CStopSignal&) = delete;
    ~CStopSignal();

    void Request();
    bool IsRequested() const;
    // Readable from the moment of the request on; never read by anyone.
    int Fd() const { return m_fd; }

private:
    int m_fd;
};
