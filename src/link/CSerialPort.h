#pragma once

#include "link/CSerialDevice.h"
#include "link/ILineTrafficListener.h"
#include "link/ISerialLine.h"
#include "link/PortOpenError.h"

#include <cstddef>
#include <cstdint>

class CStopSignal;

// Read time-outs in milliseconds, with the meaning of the classic serial
// time-out rules; the multiplier is fixed at 1 ms per byte asked for.
struct CommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutConstant = 50;
};

// One com port, opened exclusively by number, at 9600 baud 8N1 with no flow
// control (the only line the counters speak). Blocking reads and writes
// under the time-outs above.
class CSerialPort : public ISerialLine {
public:
    static constexpr uint32_t kReadTotalTimeoutMultiplier = 1;

    CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;
    ~CSerialPort() override;

    // Opens and configures the port; returns why it failed (None: open).
    // Nothing is shown: the caller turns a failure into its words.
    PortOpenFailure Open(uint8_t port);
    // Whether com port could be opened now, without touching its line:
    // takes the device exclusively as Open does and releases it at once.
    // error receives the system's error code behind a failure (0 when none).
    static PortOpenFailure Probe(uint8_t port, int* error = nullptr);
    bool Close();
    bool IsOpen() const;

    bool Write(const uint8_t* bytes, size_t count) override;
    // Zero-fills count bytes of buffer, then reads up to count bytes. When a
    // time-out passes, what waits in the queue by then is still taken, so a
    // thread that was late to run never misses bytes that came in time.
    bool Read(uint8_t* buffer, size_t count) override;
    // Looks at the bytes after every chunk that arrives.
    bool ReadFramed(uint8_t* buffer, size_t count, FrameTest complete) override;
    bool SetReadIntervalTimeout(uint32_t ms) override;
    bool SetReadTotalTimeoutConstant(uint32_t ms) override;
    void DiscardInput() override;
    bool DrainInput(const DrainRule& rule) override;

    ReadEnd LastReadEnd() const override { return m_lastReadEnd; }
    size_t GetLastReadCount() const override { return m_lastReadCount; }
    // Why the last Read, Write or DrainInput failed. A device that hung up
    // stays hung up: every later transfer fails at once.
    LineFault LastFault() const override { return m_fault; }

    // A stop request cuts a read or a write in progress: it returns false at
    // once, and so does every later one. Null: nothing stops the port.
    void SetStopSignal(const CStopSignal* stop) { m_stop = stop; }
    // Whether the last Read or Write ended because a stop was requested.
    bool WasStopped() const { return m_fault == LineFault::Stopped; }

    // Reports every byte written, read, and read and dropped (DiscardInput,
    // DrainInput) to listener; null: none. A port starts with the
    // process-wide LineTrafficListener().
    void SetTrafficListener(ILineTrafficListener* listener) { m_traffic = listener; }

    // Why the last Open failed (None when it succeeded), and the system's
    // error code behind it.
    PortOpenFailure GetOpenFailure() const { return m_openFailure; }
    int GetOpenError() const { return m_openError; }
    uint8_t GetPortNumber() const { return m_portNumber; }
    const CommTimeouts& GetTimeouts() const { return m_timeouts; }

private:
    PortOpenFailure OpenFailed(PortOpenFailure failure, int error);
    bool Fail(LineFault fault);
    bool FailFrom(DeviceStatus status);
    bool ReadyForTransfer();
    void Report(TrafficDirection direction, const uint8_t* bytes, size_t count) const;
    void ReportWaitingInput();

    CSerialDevice m_device;
    uint8_t m_portNumber = 255;
    CommTimeouts m_timeouts;
    size_t m_lastReadCount = 0;
    ReadEnd m_lastReadEnd = ReadEnd::Failed;
    LineFault m_fault = LineFault::None;
    bool m_hungUp = false;
    PortOpenFailure m_openFailure = PortOpenFailure::None;
    int m_openError = 0;
    const CStopSignal* m_stop = nullptr;
    ILineTrafficListener* m_traffic;
};
