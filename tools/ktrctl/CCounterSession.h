#pragma once

#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "link/IProgressIndicator.h"
#include "model/CSensor.h"

#include <string>

class CTerminalMessageDisplay;

// One counter reached through its com port for one ktrctl command. Opens
// the port, runs the counter link on the record of that counter and says on
// stderr why a step was refused, unless the core has already shown a
// message for it. The port closes when the session ends.
class CCounterSession {
public:
    CCounterSession(int port, int address, const CTerminalMessageDisplay& display,
                    IProgressIndicator* progress = nullptr);
    CCounterSession(const CCounterSession&) = delete;
    CCounterSession& operator=(const CCounterSession&) = delete;

    bool Open();
    // Select, identify, read the sizes, read the calibration: what a scan
    // does for one address.
    bool ReadCounter();
    bool ProgramSizes(CSizeList& sizes);
    bool ProgramCalibration(CCalCurve& curve);
    bool SetFlash(bool on);

    const CSensor& Sensor() const { return m_sensor; }

private:
    std::string Where() const;
    bool Refuse(const std::string& why) const;
    bool RefuseIdentify() const;

    const CTerminalMessageDisplay& m_display;
    CNullProgress m_noProgress;
    CSerialPort m_serial;
    CCounterLink m_link;
    CSensor m_sensor;
};
