#pragma once

#include "discovery/CScanOwner.h"
#include "discovery/CScanProgress.h"
#include "discovery/IScanSink.h"

#include <QObject>
#include <cstdint>
#include <mutex>
#include <vector>

class CQtMessageDisplay;
class QEventLoop;

// The desktop program's side of a network scan: a CScanOwner whose reports
// are posted to the view (target) as CScanEvents, so they are handled on
// the user-interface thread in the order each thread made them, and whose
// threads show the in-use box through the message display.
//
// The view owns the controller and destroys it first, so the order at the
// end is fixed: the stop is requested (a read in progress is cut, a box a
// thread waits for is answered with Cancel), the threads are joined, the
// view is detached, and only then do the view, the frame and the message
// display go. The user-interface thread never waits for a thread that could
// be waiting for a box: boxes of other threads are refused while it joins.
class CScanController : public QObject, public IScanSink {
    Q_OBJECT

public:
    explicit CScanController(QObject* target);
    ~CScanController() override;

    // From Start until Finish.
    bool IsRunning() const { return m_owner.IsRunning(); }
    // The progress rule of the scan under way; Start begins it anew.
    CScanProgress& Progress() { return m_progress; }

    // Starts one scan thread per port.
    void Start(const std::vector<uint8_t>& ports);
    // Runs the event loop, sleeping between events, until every thread has
    // ended; every report of the threads has then been handled. False when
    // the application quit first.
    bool Wait();
    // Asks every thread to end at once and answers their boxes; returns
    // without waiting.
    void Stop();
    // Joins the threads; the scan is over.
    void Finish();
    // How each port fared, after Finish.
    const std::vector<PortScanOutcome>& Outcomes() const { return m_owner.Outcomes(); }

    // From the scan threads: posts the event to the view (its end to the
    // controller itself); dropped once the controller is going.
    void Post(ScanEvent event) override;

protected:
    void customEvent(QEvent* event) override;

private:
    void RefuseBoxes();

    std::mutex m_mutex;
    QObject* m_target;
    CScanOwner m_owner;
    CScanProgress m_progress;
    size_t m_running = 0;
    QEventLoop* m_loop = nullptr;
    CQtMessageDisplay* m_refusedDisplay = nullptr;
};
