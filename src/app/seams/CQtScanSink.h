#pragma once

#include "discovery/IScanSink.h"

#include <QObject>
#include <mutex>

// The scan sink of the desktop program: turns each report of a scan thread
// into a CScanEvent posted to the target (the main view), so the reports
// are handled on the user-interface thread, in the order each thread made
// them. Callable from any thread. Once detached (the target is going away)
// reports are dropped, and a found record is destroyed with its report.
class CQtScanSink : public IScanSink {
public:
    explicit CQtScanSink(QObject* target) : m_target(target) {}

    void PortOpened(int port) override;
    void SensorFound(std::unique_ptr<CSensor> sensor) override;
    void AddressDone(int port, int address) override;

    // Stops all further posting; the target calls this before it dies.
    void Detach();

private:
    void Post(QEvent* event);

    std::mutex m_mutex;
    QObject* m_target;
};
