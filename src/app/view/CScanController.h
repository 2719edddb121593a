#pragma once

#include "app/seams/CQtScanSink.h"

#include <QObject>
#include <cstdint>
#include <memory>
#include <vector>

class CQtMessageDisplay;
class CStopSignal;
class QEventLoop;
struct ScanThreadParam;

// The owner of one network scan of the desktop program: its scan threads
// with their start records, the stop signal that ends them early, and the
// sink through which they report to the view.
//
// The view owns the controller and destroys it first, so the order at the
// end is fixed: the stop is requested (a read in progress is cut, a box a
// thread waits for is answered with Cancel), the threads are joined, the
// sink is detached, and only then do the view, the frame and the message
// display go. The user-interface thread never waits for a thread that could
// be waiting for a box: boxes of other threads are refused while it joins.
class CScanController : public QObject {
    Q_OBJECT

public:
    // Reports go to target (the view) as posted CScanEvents.
    explicit CScanController(QObject* target);
    ~CScanController() override;

    CQtScanSink& Sink() { return m_sink; }
    // From Start until Finish.
    bool IsRunning() const { return m_started; }

    // Starts one scan thread per port (ports whose thread cannot be created
    // are passed over).
    void Start(const std::vector<uint8_t>& ports);
    // Runs the event loop, sleeping between events, until every thread has
    // ended; every report of the threads has then been handled. False when
    // the application quit first.
    bool Wait();
    // Asks every thread to end at once and answers their boxes; returns
    // without waiting.
    void Stop();
    // Joins the threads and frees their start records; the scan is over.
    void Finish();

protected:
    void customEvent(QEvent* event) override;

private:
    void RefuseBoxes();

    CQtScanSink m_sink;
    std::unique_ptr<CStopSignal> m_stop;
    std::vector<std::unique_ptr<ScanThreadParam>> m_params;
    bool m_started = false;
    int m_running = 0;
    QEventLoop* m_loop = nullptr;
    CQtMessageDisplay* m_refusedDisplay = nullptr;
};
