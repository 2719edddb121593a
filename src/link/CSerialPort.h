#pragma once

#include "link/PortOpenError.h"

#include <cstddef>
#include <cstdint>

class CStopSignal;

// Read time-outs in milliseconds, with the meaning of the classic serial
// time-out rules: a Read of count bytes ends when count bytes arrived, when
// count * multiplier + constant ms passed since it began, or (interval not 0)
// when more than interval ms pass after a byte without the next one.
struct CommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 1;
    uint32_t ReadTotalTimeoutConstant = 50;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
};

// One com port, opened exclusively by number, at 9600 baud 8N1 with no flow
// control. Blocking reads and writes under the time-outs above.
class CSerialPort {
public:
    CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;
    virtual ~CSerialPort();

    // Shows the warning for a port in use or not permitted before returning
    // false; GetOpenFailure() then says why it failed.
    bool Open(uint8_t port);
    bool Close();
    bool IsOpen() const;
    bool Write(const uint8_t* bytes, size_t count);
    // Zero-fills count bytes of buffer, then reads up to count bytes.
    bool Read(uint8_t* buffer, size_t count);
    bool SetReadIntervalTimeout(uint32_t ms);
    bool SetReadTotalTimeoutConstant(uint32_t ms);

    // A stop request cuts a read or a write in progress: it returns false at
    // once, and so does every later one. Null: nothing stops the port.
    void SetStopSignal(const CStopSignal* stop) { m_stop = stop; }
    // Whether the last Read or Write ended because a stop was requested.
    bool WasStopped() const { return m_stopped; }

    // Why the last Open failed (Other when it succeeded).
    PortOpenFailure GetOpenFailure() const { return m_openFailure; }
    uint8_t GetPortNumber() const { return m_portNumber; }
    const CommTimeouts& GetTimeouts() const { return m_timeouts; }
    // Bytes the last Read received (diagnostics and tests).
    size_t GetLastReadCount() const { return m_lastReadCount; }

private:
    bool ConfigureLine();
    bool ApplyTimeouts();
    void ReportOpenError(int error);

    int m_fd = -1;
    uint8_t m_portNumber = 255;
    uint32_t m_baudRate = 9600;
    uint8_t m_parity = 0;
    uint8_t m_dataBits = 8;
    uint8_t m_stopBits = 0;
    CommTimeouts m_timeouts;
    size_t m_lastReadCount = 0;
    PortOpenFailure m_openFailure = PortOpenFailure::Other;
    const CStopSignal* m_stop = nullptr;
    bool m_stopped = false;
};
