#include "link/CSerialDevice.h"

#include "link/CStopSignal.h"
#include "link/PortNaming.h"
#include "link/win32/WideText.h"

#include <algorithm>
#include <windows.h>

namespace {

using Clock = CSerialDevice::Clock;

constexpr DWORD kQueueBytes = 2048;

HANDLE HandleOf(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

HANDLE StopEvent(const CStopSignal* stop) {
    return stop ? reinterpret_cast<HANDLE>(stop->Waitable()) : nullptr;
}

// Errors by which a com port says that its device is gone (a USB adapter
// pulled out, a driver that gave up).
bool HungUpError(DWORD error) {
    return error == ERROR_DEVICE_REMOVED || error == ERROR_DEVICE_NOT_CONNECTED ||
           error == ERROR_BAD_COMMAND || error == ERROR_GEN_FAILURE ||
           error == ERROR_ACCESS_DENIED || error == ERROR_INVALID_HANDLE;
}

DeviceTransfer Failure(DWORD error, size_t count = 0) {
    return {HungUpError(error) ? DeviceStatus::HungUp : DeviceStatus::Failed, count};
}

// Milliseconds until deadline, rounded up so a wait never ends before it.
DWORD MillisecondsUntil(const Clock::time_point* deadline) {
    if (!deadline)
        return INFINITE;
    const auto left = *deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return DWORD(std::min<long long>(ms, INFINITE - 1));
}

// An overlapped transfer with its own event, finished before it goes.
class COverlapped {
public:
    COverlapped() { m_overlapped.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr); }
    ~COverlapped() {
        if (m_overlapped.hEvent)
            ::CloseHandle(m_overlapped.hEvent);
    }
    COverlapped(const COverlapped&) = delete;
    COverlapped& operator=(const COverlapped&) = delete;
    OVERLAPPED* Get() { return &m_overlapped; }
    HANDLE Event() const { return m_overlapped.hEvent; }

private:
    OVERLAPPED m_overlapped{};
};

enum class Wait { Done, TimedOut, Stopped, Failed };

// Waits for the transfer's event or the stop event, until deadline (null:
// no limit). A wait of the system may end a little early; the deadline of
// the clock counts.
Wait WaitForTransfer(COverlapped& transfer, const CStopSignal* stop,
                     const Clock::time_point* deadline) {
    const HANDLE events[2] = {transfer.Event(), StopEvent(stop)};
    const DWORD count = events[1] ? 2 : 1;
    for (;;) {
        const DWORD result = ::WaitForMultipleObjects(count, events, FALSE, MillisecondsUntil(deadline));
        if (result == WAIT_OBJECT_0)
            return Wait::Done;
        if (result == WAIT_OBJECT_0 + 1)
            return Wait::Stopped;
        if (result != WAIT_TIMEOUT)
            return Wait::Failed;
        if (deadline && Clock::now() >= *deadline)
            return Wait::TimedOut;
    }
}

// Cancels the transfer and waits until the system has let go of it; the
// bytes it moved before the cancel still count.
DWORD CancelTransfer(HANDLE device, COverlapped& transfer) {
    ::CancelIoEx(device, transfer.Get());
    DWORD moved = 0;
    ::GetOverlappedResult(device, transfer.Get(), &moved, TRUE);
    return moved;
}

// Bytes waiting in the receive queue; false when the device failed.
bool BytesWaiting(HANDLE device, DWORD& waiting, DWORD& error) {
    COMSTAT status{};
    DWORD errors = 0;
    if (!::ClearCommError(device, &errors, &status)) {
        error = ::GetLastError();
        return false;
    }
    waiting = status.cbInQue;
    return true;
}

// Takes count bytes that are known to wait in the receive queue, so the
// read completes at once.
DeviceTransfer TakeWaiting(HANDLE device, uint8_t* buffer, DWORD count) {
    COverlapped transfer;
    DWORD got = 0;
    if (!::ReadFile(device, buffer, count, &got, transfer.Get())) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING)
            return Failure(error);
        if (!::GetOverlappedResult(device, transfer.Get(), &got, TRUE))
            return Failure(::GetLastError());
    }
    return {got > 0 ? DeviceStatus::Data : DeviceStatus::TimedOut, got};
}

// The longest single wait for a received byte. The system reports a byte
// that came between the look at the queue and the start of the wait at the
// next round at the latest.
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

// Waits until a byte is received, deadline passes or stop is requested.
Wait WaitForByte(HANDLE device, const Clock::time_point* deadline, const CStopSignal* stop) {
    const Clock::time_point slice = Clock::now() + kWaitSlice;
    const Clock::time_point until = deadline ? std::min(*deadline, slice) : slice;
    COverlapped transfer;
    DWORD events = 0;
    if (::WaitCommEvent(device, &events, transfer.Get()))
        return Wait::Done;
    if (::GetLastError() != ERROR_IO_PENDING)
        return Wait::Failed;
    const Wait wait = WaitForTransfer(transfer, stop, &until);
    if (wait != Wait::Done)
        CancelTransfer(device, transfer);
    return wait;
}

// 9600 baud, 8 data bits, no parity, one stop bit, binary, no flow control
// of any kind, no bytes replaced or dropped, and no abort of transfers on a
// line error. A driver that cannot report its settings gets them from the
// mode text.
bool ConfigureLine(HANDLE device) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(device, &dcb)) {
        dcb = DCB{};
        dcb.DCBlength = sizeof dcb;
        if (!::BuildCommDCBW(L"baud=9600 parity=N data=8 stop=1", &dcb))
            return false;
    }
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    // Handshaking is flow control; any other use of DTR and RTS (an RS-485
    // adapter's RTS toggle) stays as the driver holds it.
    if (dcb.fDtrControl == DTR_CONTROL_HANDSHAKE)
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
    if (dcb.fRtsControl == RTS_CONTROL_HANDSHAKE)
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    return ::SetCommState(device, &dcb) != 0;
}

// A read takes what is there and returns at once; the reader waits for a
// received byte first and keeps the time-out rules itself. Writes have no
// time-out.
bool SetTimeouts(HANDLE device) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    return ::SetCommTimeouts(device, &timeouts) != 0 && ::SetCommMask(device, EV_RXCHAR) != 0;
}

// Share mode 0 makes the handle exclusive; overlapped, so that a wait can
// include the stop event.
HANDLE OpenExclusive(uint8_t port) {
    return ::CreateFileW(Widen(PortDevicePath(port)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                         nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
}

} // namespace

CSerialDevice::~CSerialDevice() {
    Close();
}

PortOpenFailure CSerialDevice::Open(uint8_t port, int& error) {
    Close();
    const HANDLE device = OpenExclusive(port);
    if (device == INVALID_HANDLE_VALUE) {
        error = int(::GetLastError());
        return ClassifyPortOpenError(error);
    }
    if (!ConfigureLine(device) || !SetTimeouts(device) ||
        !::SetupComm(device, kQueueBytes, kQueueBytes)) {
        error = int(::GetLastError());
        ::CloseHandle(device);
        return ClassifySetupError(error);
    }
    error = 0;
    ::PurgeComm(device, PURGE_RXCLEAR | PURGE_RXABORT);
    m_handle = reinterpret_cast<std::intptr_t>(device);
    return PortOpenFailure::None;
}

PortOpenFailure CSerialDevice::Probe(uint8_t port, int& error) {
    const HANDLE device = OpenExclusive(port);
    if (device == INVALID_HANDLE_VALUE) {
        error = int(::GetLastError());
        return ClassifyPortOpenError(error);
    }
    // A name that opens but reports no line settings is no serial port.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    error = ::GetCommState(device, &dcb) ? 0 : int(::GetLastError());
    ::CloseHandle(device);
    return error == 0 ? PortOpenFailure::None : ClassifySetupError(error);
}

// Looks at the receive queue and takes what waits there; when it is empty,
// waits for a received byte (EV_RXCHAR) or the stop, a slice at a time, up
// to the deadline, and then looks once more.
DeviceTransfer CSerialDevice::ReadSome(uint8_t* buffer, size_t max,
                                       const Clock::time_point* deadline,
                                       const CStopSignal* stop) {
    const HANDLE device = HandleOf(m_handle);
    for (;;) {
        if (stop && stop->IsRequested())
            return {DeviceStatus::Stopped, 0};
        DWORD waiting = 0, error = 0;
        if (!BytesWaiting(device, waiting, error))
            return Failure(error);
        if (waiting > 0) {
            const DeviceTransfer got =
                TakeWaiting(device, buffer, DWORD(std::min<size_t>(max, waiting)));
            if (got.status != DeviceStatus::TimedOut || (deadline && Clock::now() >= *deadline))
                return got;
            continue; // counted but not handed over yet: look again
        }
        if (deadline && Clock::now() >= *deadline)
            return {DeviceStatus::TimedOut, 0};
        const Wait wait = WaitForByte(device, deadline, stop);
        if (wait == Wait::Stopped)
            return {DeviceStatus::Stopped, 0};
        if (wait == Wait::Failed)
            return Failure(::GetLastError());
    }
}

DeviceTransfer CSerialDevice::WriteSome(const uint8_t* bytes, size_t count,
                                        const CStopSignal* stop) {
    const HANDLE device = HandleOf(m_handle);
    COverlapped transfer;
    DWORD sent = 0;
    const DWORD wanted = DWORD(std::min<size_t>(count, MAXDWORD));
    if (!::WriteFile(device, bytes, wanted, &sent, transfer.Get())) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_IO_PENDING)
            return Failure(error);
        const Wait wait = WaitForTransfer(transfer, stop, nullptr);
        if (wait == Wait::Stopped)
            return {DeviceStatus::Stopped, CancelTransfer(device, transfer)};
        if (wait != Wait::Done || !::GetOverlappedResult(device, transfer.Get(), &sent, FALSE)) {
            const DWORD failure = ::GetLastError();
            return Failure(failure, CancelTransfer(device, transfer));
        }
    }
    return {DeviceStatus::Data, sent};
}

void CSerialDevice::DrainOutput() {
    ::FlushFileBuffers(HandleOf(m_handle));
}

void CSerialDevice::PurgeInput() {
    ::PurgeComm(HandleOf(m_handle), PURGE_RXCLEAR);
}

// The receive side only: purging the transmit side would drop the last
// byte written (the release byte) before it left.
bool CSerialDevice::Close() {
    if (!IsOpen())
        return false;
    PurgeInput();
    const bool closed = ::CloseHandle(HandleOf(m_handle)) != 0;
    m_handle = kClosed;
    return closed;
}
