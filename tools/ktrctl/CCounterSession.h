#pragma once

#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "link/IProgressIndicator.h"
#include "model/CSensor.h"

#include <string>

// One counter reached through its com port for one ktrctl command. Opens
// the port, runs the counter link on the record of that counter and says on
// stderr why a step failed, in words ("COM1 address 5: no echo at byte 12
// of the size text (3 attempts)"). The port watches ktrctl's stop signal
// and closes when the session ends.
class CCounterSession {
public:
    CCounterSession(int port, int address, IProgressIndicator* progress = nullptr);
    CCounterSession(const CCounterSession&) = delete;
    CCounterSession& operator=(const CCounterSession&) = delete;

    bool Open();
    // Select, identify, read the sizes, read the calibration: what a scan
    // does for one address.
    bool ReadCounter();
    // Send a text the table rules have prepared (TableRules::PrepareX).
    bool SendSizes(const std::string& text);
    bool SendCalibration(const std::string& text);
    bool SetFlash(bool on);

    const CSensor& Sensor() const { return m_sensor; }
    // "COM1 address 5".
    std::string Where() const;

private:
    bool Report(const LinkResult& result) const;

    CNullProgress m_noProgress;
    CSerialPort m_serial;
    CCounterLink m_link;
    CSensor m_sensor;
};
