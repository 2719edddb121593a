#pragma once

#include "model/CSensor.h"

#include <QEvent>
#include <memory>

// What a scan thread reports to the view, posted like a window message:
// a port opened, a sensor found (the event owns the record until the view
// takes it; a record never taken dies with the event), an address done.
class CScanEvent : public QEvent {
public:
    static constexpr QEvent::Type PortOpened = static_cast<QEvent::Type>(QEvent::User + 1);
    static constexpr QEvent::Type AddressDone = static_cast<QEvent::Type>(QEvent::User + 2);
    static constexpr QEvent::Type SensorFound = static_cast<QEvent::Type>(QEvent::User + 3);

    CScanEvent(QEvent::Type type, int port, int address, std::unique_ptr<CSensor> sensor = {})
        : QEvent(type), m_port(port), m_address(address), m_sensor(std::move(sensor)) {}

    int Port() const { return m_port; }
    int Address() const { return m_address; }
    std::unique_ptr<CSensor> TakeSensor() { return std::move(m_sensor); }

private:
    int m_port;
    int m_address;
    std::unique_ptr<CSensor> m_sensor;
};
