#include "link/CSerialPort.h"

#include "link/CStopSignal.h"
#include "link/PortOpenError.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

namespace {

using Clock = CSerialDevice::Clock;

// Longest total read time-out honoured, so deadlines never overflow.
constexpr uint64_t kMaxTotalMs = 5'000'000'000ULL;

bool Stopped(const CStopSignal* stop) {
    return stop && stop->IsRequested();
}

} // namespace

CSerialPort::CSerialPort() : m_traffic(LineTrafficListener()) {}

CSerialPort::~CSerialPort() {
    Close();
}

bool CSerialPort::IsOpen() const {
    return m_device.IsOpen();
}

PortOpenFailure CSerialPort::Open(uint8_t port) {
    if (IsOpen())
        Close();
    m_portNumber = port;
    m_hungUp = false;
    m_fault = LineFault::None;
    int error = 0;
    const PortOpenFailure failure = m_device.Open(port, error);
    return OpenFailed(failure, error);
}

PortOpenFailure CSerialPort::Probe(uint8_t port, int* error) {
    int code = 0;
    const PortOpenFailure failure = CSerialDevice::Probe(port, code);
    if (error)
        *error = code;
    return failure;
}

PortOpenFailure CSerialPort::OpenFailed(PortOpenFailure failure, int error) {
    m_openFailure = failure;
    m_openError = error;
    return failure;
}

bool CSerialPort::Close() {
    if (!IsOpen())
        return false;
    // Let written bytes leave first: the last one (the release byte) gets no
    // echo to wait for, and flushing the output side would discard it.
    m_device.DrainOutput();
    ReportWaitingInput();
    return m_device.Close();
}

bool CSerialPort::Fail(LineFault fault) {
    m_fault = fault;
    if (fault == LineFault::HungUp)
        m_hungUp = true;
    return false;
}

bool CSerialPort::FailFrom(DeviceStatus status) {
    switch (status) {
    case DeviceStatus::Stopped:
        return Fail(LineFault::Stopped);
    case DeviceStatus::HungUp:
        return Fail(LineFault::HungUp);
    default:
        return Fail(LineFault::Failed);
    }
}

// Clears the last fault; false (with the fault set) when no transfer can
// start: the port is closed or hung up, or a stop was requested.
bool CSerialPort::ReadyForTransfer() {
    m_fault = LineFault::None;
    if (!IsOpen())
        return Fail(LineFault::Failed);
    if (m_hungUp)
        return Fail(LineFault::HungUp);
    if (Stopped(m_stop))
        return Fail(LineFault::Stopped);
    return true;
}

bool CSerialPort::Write(const uint8_t* bytes, size_t count) {
    if (!ReadyForTransfer())
        return false;
    if (count > 0 && !bytes)
        return Fail(LineFault::Failed);
    size_t done = 0;
    while (done < count) {
        const DeviceTransfer sent = m_device.WriteSome(bytes + done, count - done, m_stop);
        if (sent.count > 0)
            Report(TrafficDirection::Sent, bytes + done, sent.count);
        done += sent.count;
        if (sent.status != DeviceStatus::Data)
            return FailFrom(sent.status);
    }
    return true;
}

bool CSerialPort::Read(uint8_t* buffer, size_t count) {
    return ReadFramed(buffer, count, nullptr);
}

// The three time-out rules: a read ends when count bytes arrived, when
// count x multiplier + total constant ms passed since it began, or (interval
// not 0) when the interval passes after a byte without the next one.
bool CSerialPort::ReadFramed(uint8_t* buffer, size_t count, FrameTest complete) {
    if (buffer && count > 0)
        std::memset(buffer, 0, count);
    m_lastReadCount = 0;
    m_lastReadEnd = ReadEnd::Failed;
    if (!ReadyForTransfer())
        return false;
    if (count > 0 && !buffer)
        return Fail(LineFault::Failed);
    const Clock::time_point start = Clock::now();
    const uint64_t totalMs = std::min<uint64_t>(uint64_t{kReadTotalTimeoutMultiplier} * count +
                                                    m_timeouts.ReadTotalTimeoutConstant,
                                                kMaxTotalMs);
    const Clock::time_point totalDeadline = start + std::chrono::milliseconds(totalMs);
    const std::chrono::milliseconds interval(m_timeouts.ReadIntervalTimeout);
    Clock::time_point deadline = totalDeadline;
    while (m_lastReadCount < count) {
        const DeviceTransfer got =
            m_device.ReadSome(buffer + m_lastReadCount, count - m_lastReadCount, &deadline, m_stop);
        if (got.status == DeviceStatus::TimedOut) {
            m_lastReadEnd = deadline < totalDeadline ? ReadEnd::Interval : ReadEnd::Total;
            return true;
        }
        if (got.status != DeviceStatus::Data)
            return FailFrom(got.status);
        Report(TrafficDirection::Received, buffer + m_lastReadCount, got.count);
        m_lastReadCount += got.count;
        if (complete && complete(buffer, m_lastReadCount)) {
            m_lastReadEnd = ReadEnd::Framed;
            return true;
        }
        const Clock::time_point now = Clock::now();
        if (m_lastReadCount < count && now >= totalDeadline) {
            // That was the last look after the total time-out.
            m_lastReadEnd = ReadEnd::Total;
            return true;
        }
        if (interval.count() != 0)
            deadline = std::min(totalDeadline, now + interval);
    }
    m_lastReadEnd = ReadEnd::Count;
    return true;
}

bool CSerialPort::SetReadIntervalTimeout(uint32_t ms) {
    m_timeouts.ReadIntervalTimeout = ms;
    return true;
}

bool CSerialPort::SetReadTotalTimeoutConstant(uint32_t ms) {
    m_timeouts.ReadTotalTimeoutConstant = ms;
    return true;
}

void CSerialPort::DiscardInput() {
    if (!IsOpen() || m_hungUp)
        return;
    ReportWaitingInput();
    m_device.PurgeInput();
}

// A listener learns of the bytes the purge is about to drop: they are read
// without waiting first.
void CSerialPort::ReportWaitingInput() {
    if (!m_traffic)
        return;
    uint8_t scratch[256];
    const Clock::time_point now = Clock::now();
    DeviceTransfer got;
    while ((got = m_device.ReadSome(scratch, sizeof scratch, &now, nullptr)).status ==
           DeviceStatus::Data)
        Report(TrafficDirection::Discarded, scratch, got.count);
}

void CSerialPort::Report(TrafficDirection direction, const uint8_t* bytes, size_t count) const {
    if (m_traffic)
        m_traffic->OnTraffic({m_portNumber, direction, Clock::now(), bytes, count});
}

// The first wait ends waitMs after the call (a look without waiting for 0);
// every chunk read resets the wait to the quiet its last byte calls for.
bool CSerialPort::DrainInput(const DrainRule& rule) {
    if (!ReadyForTransfer())
        return false;
    const Clock::time_point start = Clock::now();
    const Clock::time_point limit = start + std::chrono::milliseconds(rule.limitMs);
    Clock::time_point quietUntil = start + std::chrono::milliseconds(rule.waitMs);
    uint8_t scratch[256];
    for (;;) {
        const Clock::time_point deadline = std::min(quietUntil, limit);
        const DeviceTransfer got = m_device.ReadSome(scratch, sizeof scratch, &deadline, m_stop);
        if (got.status == DeviceStatus::TimedOut)
            return true;
        if (got.status != DeviceStatus::Data)
            return FailFrom(got.status);
        Report(TrafficDirection::Discarded, scratch, got.count);
        const Clock::time_point now = Clock::now();
        if (now >= limit)
            return true;
        const bool lineEnd = scratch[got.count - 1] == '\n';
        quietUntil = now + std::chrono::milliseconds(lineEnd ? rule.lineEndQuietMs : rule.quietMs);
    }
}
