#include "CCounterSession.h"

#include "ModelsFileText.h"
#include "StopRequest.h"
#include "Terminal.h"
#include "discovery/ScanOutcomeText.h"
#include "link/PortNaming.h"
#include "link/PortText.h"

CCounterSession::CCounterSession(int port, int address, IProgressIndicator* progress)
    : m_link(&m_serial, progress ? progress : &m_noProgress) {
    m_sensor.SetPort(port);
    m_sensor.SetAddress(address);
    m_serial.SetStopSignal(&StopSignal());
}

// Says in one line why the port did not open; ktrctl shows none of the
// desktop program's boxes for it.
bool CCounterSession::Open() {
    const int port = m_sensor.GetPort();
    const PortOpenFailure failure = m_serial.Open(uint8_t(port));
    if (failure == PortOpenFailure::None)
        return true;
    if (failure == PortOpenFailure::NoSuchPort)
        PrintError(PortName(port) + " does not exist (" +
                   (PortsByFolder() ? "no device " + PortDevicePath(port)
                                    : "no device present has that number; see ktrctl ports") +
                   ")");
    else
        PrintError(PortOpenFailureText(port, failure, m_serial.GetOpenError()));
    return false;
}

bool CCounterSession::ReadCounter() {
    return Report(m_link.ReadCounter(m_sensor));
}

bool CCounterSession::SendSizes(const std::string& text) {
    return Report(m_link.SendSizes(m_sensor, text));
}

bool CCounterSession::SendCalibration(const std::string& text) {
    return Report(m_link.SendCalibration(m_sensor, text));
}

bool CCounterSession::SetFlash(bool on) {
    return Report(m_link.SetFlash(m_sensor, on));
}

std::string CCounterSession::Where() const {
    return PortName(m_sensor.GetPort()) + " address " + std::to_string(m_sensor.GetAddress());
}

// Says why a step failed, in words after the port and address. A stop is
// said once, when ktrctl ends.
bool CCounterSession::Report(const LinkResult& result) const {
    if (result.Ok())
        return true;
    if (result.status != LinkStatus::Stopped)
        PrintError(Where() + ": " + LinkFailureText(result));
    return false;
}
