#pragma once

#include "link/PortOpenError.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

class CStopSignal;

// How a transfer on a serial device ended.
enum class DeviceStatus {
    Data,     // bytes moved (count says how many)
    TimedOut, // the deadline passed and nothing was there, even at a last look
    Stopped,  // a stop was requested
    HungUp,   // the device hung up or vanished
    Failed,   // any other error
};

struct DeviceTransfer {
    DeviceStatus status = DeviceStatus::Failed;
    size_t count = 0;
};

// The operating system's side of one com port: the device of a port number,
// taken exclusively and set to 9600 baud, 8 data bits, no parity, one stop
// bit, raw, without flow control. It moves bytes and waits on the line and
// a stop signal together; the read time-out rules are CSerialPort's, above
// it. One file per operating system implements it.
class CSerialDevice {
public:
    using Clock = std::chrono::steady_clock;

    CSerialDevice() = default;
    CSerialDevice(const CSerialDevice&) = delete;
    CSerialDevice& operator=(const CSerialDevice&) = delete;
    ~CSerialDevice();

    // Opens the device of com port n (PortDevicePath) exclusively and sets
    // the line. error receives the system's error code behind a failure.
    // Nothing about the line is touched before the device is known to be
    // ours, so a failed open never disturbs its holder.
    PortOpenFailure Open(uint8_t port, int& error);
    // Whether the device could be opened now: takes it exclusively as Open
    // does, without touching the line, and releases it at once.
    static PortOpenFailure Probe(uint8_t port, int& error);
    bool IsOpen() const { return m_handle != kClosed; }

    // Waits until bytes are there, deadline passes (null: no limit) or stop
    // (null: none) is requested, then takes up to max bytes. A deadline that
    // has passed still gets one look without waiting, so bytes that arrived
    // in time count however late the caller came to run.
    DeviceTransfer ReadSome(uint8_t* buffer, size_t max, const Clock::time_point* deadline,
                            const CStopSignal* stop);
    // Hands bytes to the device, waiting for room without a time limit; count
    // says how many it took before it ended.
    DeviceTransfer WriteSome(const uint8_t* bytes, size_t count, const CStopSignal* stop);
    // Waits until the bytes written have left the device.
    void DrainOutput();
    // Drops what waits in the receive queue.
    void PurgeInput();
    // Drops the receive queue, gives up exclusivity and closes; the transmit
    // side is left alone (call DrainOutput first). False when not open.
    bool Close();

private:
    static constexpr std::intptr_t kClosed = -1;
    // The file descriptor, or the handle, of the open device.
    std::intptr_t m_handle = kClosed;
};
