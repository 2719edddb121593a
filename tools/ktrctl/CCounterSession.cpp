#include "CCounterSession.h"

#include "Terminal.h"
#include "link/PortNaming.h"
#include "link/SupportedModels.h"

CCounterSession::CCounterSession(int port, int address, IProgressIndicator* progress)
    : m_link(&m_serial, progress ? progress : &m_noProgress) {
    m_sensor.SetPort(port);
    m_sensor.SetAddress(address);
}

bool CCounterSession::Open() {
    const int port = m_sensor.GetPort();
    if (m_serial.Open(uint8_t(port)))
        return true;
    const PortOpenFailure failure = m_serial.GetOpenFailure();
    // A port in use or not permitted has been explained by the core's message.
    if (PortOpenMessageId(failure) != 0)
        return false;
    const std::string device = PortDevicePath(port);
    if (failure == PortOpenFailure::NoSuchPort)
        PrintError("COM" + std::to_string(port) + " does not exist (no device " + device + ")");
    else
        PrintError("COM" + std::to_string(port) + " (" + device +
                   "): " + DescribePortOpenFailure(failure, m_serial.GetOpenError()));
    return false;
}

bool CCounterSession::ReadCounter() {
    return Report(m_link.TryReadCounter(m_sensor));
}

bool CCounterSession::ProgramSizes(CSizeList& sizes) {
    return Report(m_link.TryProgramSizes(m_sensor, sizes));
}

bool CCounterSession::ProgramCalibration(CCalCurve& curve) {
    return Report(m_link.TryProgramCalibration(m_sensor, curve));
}

bool CCounterSession::SetFlash(bool on) {
    return Report(m_link.TrySetFlash(m_sensor, on));
}

std::string CCounterSession::Where() const {
    return "COM" + std::to_string(m_sensor.GetPort()) + " address " +
           std::to_string(m_sensor.GetAddress());
}

// Says why a step failed: a refused table with the program's own texts,
// anything else in words after the port and address.
bool CCounterSession::Report(const LinkResult& result) const {
    if (result.Ok())
        return true;
    if (result.status == LinkStatus::Refused) {
        CCounterLink::ShowRefusal(result);
        return false;
    }
    std::string why = Where() + ": " + DescribeLinkResult(result);
    if (result.status == LinkStatus::NotSupported)
        why += SupportedModelsFileReadable()
                   ? " (not listed in " + SupportedModelsPath() + ")"
                   : " (the supported-models file " + SupportedModelsPath() +
                         " is missing or cannot be read)";
    PrintError(why);
    return false;
}
