#include "CCounterSession.h"

#include "CTerminalMessageDisplay.h"
#include "Terminal.h"
#include "link/PortNaming.h"
#include "link/SupportedModels.h"

#include <sys/stat.h>

CCounterSession::CCounterSession(int port, int address, const CTerminalMessageDisplay& display,
                                 IProgressIndicator* progress)
    : m_display(display), m_link(&m_serial, progress ? progress : &m_noProgress) {
    m_sensor.SetPort(port);
    m_sensor.SetAddress(address);
}

bool CCounterSession::Open() {
    const int shownBefore = m_display.ShownCount();
    if (m_serial.Open(uint8_t(m_sensor.GetPort())))
        return true;
    // A port in use has already been explained by the core's message.
    if (m_display.ShownCount() != shownBefore)
        return false;
    const std::string device = PortDevicePath(m_sensor.GetPort());
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0)
        return Refuse("COM" + std::to_string(m_sensor.GetPort()) + " does not exist (no device " +
                      device + ")");
    return Refuse("unable to open COM" + std::to_string(m_sensor.GetPort()) + " (" + device + ")");
}

bool CCounterSession::ReadCounter() {
    if (!m_link.SelectAddress(m_sensor))
        return Refuse("no counter answers at " + Where());
    if (!m_link.Identify(m_sensor))
        return RefuseIdentify();
    if (!m_link.ReadSizes(m_sensor))
        return Refuse("the counter at " + Where() + " did not send valid sizes");
    if (!m_link.ReadCalibration(m_sensor))
        return Refuse("the counter at " + Where() + " did not send a valid calibration");
    return true;
}

bool CCounterSession::ProgramSizes(CSizeList& sizes) {
    const int shownBefore = m_display.ShownCount();
    if (m_link.ProgramSizes(m_sensor, sizes))
        return true;
    if (m_display.ShownCount() != shownBefore)
        return false;
    return Refuse("the counter at " + Where() + " did not take the sizes (its echo failed)");
}

bool CCounterSession::ProgramCalibration(CCalCurve& curve) {
    const int shownBefore = m_display.ShownCount();
    if (m_link.ProgramCalibration(m_sensor, curve))
        return true;
    if (m_display.ShownCount() != shownBefore)
        return false;
    return Refuse("the counter at " + Where() + " did not take the calibration (its echo failed)");
}

bool CCounterSession::SetFlash(bool on) {
    if (m_link.SetFlash(m_sensor, on))
        return true;
    return Refuse("no counter at " + Where() + " took the flash command");
}

std::string CCounterSession::Where() const {
    return "COM" + std::to_string(m_sensor.GetPort()) + " address " +
           std::to_string(m_sensor.GetAddress());
}

bool CCounterSession::Refuse(const std::string& why) const {
    PrintError(why);
    return false;
}

bool CCounterSession::RefuseIdentify() const {
    if (!SupportedModelsFileReadable())
        return Refuse("the supported-models file " + SupportedModelsPath() +
                      " is missing or cannot be read, so no counter model is supported");
    return Refuse("the counter at " + Where() + " does not report a model listed in " +
                  SupportedModelsPath());
}
