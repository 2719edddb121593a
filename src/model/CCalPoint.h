#pragma once

// One point of a counter's calibration curve: a particle size in
// micrometres and the voltage, in millivolts, that the counter sees for it.
class CCalPoint {
public:
    CCalPoint() = default;
    CCalPoint(double size, double voltage) : m_size(size), m_voltage(voltage) {}
    CCalPoint(const CCalPoint&) = default;
    CCalPoint& operator=(const CCalPoint&) = default;
    virtual ~CCalPoint() = default;

    double GetSize() const { return m_size; }
    void SetSize(double size) { m_size = size; }
    double GetVoltage() const { return m_voltage; }
    void SetVoltage(double voltage) { m_voltage = voltage; }

    double m_size = 0.0;
    double m_voltage = 0.0;
};
