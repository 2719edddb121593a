#include "app/seams/CQtScanSink.h"

#include "app/seams/CScanEvent.h"

#include <QCoreApplication>

void CQtScanSink::PortOpened(int port) {
    Post(new CScanEvent(CScanEvent::PortOpened, port, -1));
}

void CQtScanSink::SensorFound(std::unique_ptr<CSensor> sensor) {
    if (!sensor)
        return;
    int port = sensor->GetPort();
    int address = sensor->GetAddress();
    Post(new CScanEvent(CScanEvent::SensorFound, port, address, std::move(sensor)));
}

void CQtScanSink::AddressDone(int port, int address) {
    Post(new CScanEvent(CScanEvent::AddressDone, port, address));
}

void CQtScanSink::Detach() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_target = nullptr;
}

void CQtScanSink::Post(QEvent* event) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_target) {
        delete event;
        return;
    }
    // Qt takes the event; events still queued when the target dies are
    // deleted with it, records included.
    QCoreApplication::postEvent(m_target, event);
}
