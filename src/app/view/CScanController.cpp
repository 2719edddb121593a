#include "app/view/CScanController.h"

#include "app/seams/CQtMessageDisplay.h"
#include "app/seams/CScanEvent.h"
#include "app/seams/ReasonBoxes.h"

#include <QCoreApplication>
#include <QEventLoop>

CScanController::CScanController(QObject* target) : m_target(target), m_owner(*this) {
    // The warning box for a port in use or not permitted, shown from the
    // scan thread, which waits until it is dismissed.
    m_owner.SetOpenFailureHandler(
        [](uint8_t port, PortOpenFailure failure) { ShowOpenFailure(port, failure); });
}

CScanController::~CScanController() {
    Stop();
    Finish();
    std::lock_guard lock(m_mutex);
    m_target = nullptr;
}

void CScanController::Start(const std::vector<uint8_t>& ports) {
    m_progress = {};
    m_owner.Start(ports);
    m_running = m_owner.ThreadCount();
}

// Each thread posts its end after its last report, and posted events keep
// their order, so when the last end arrives every report has been handled.
bool CScanController::Wait() {
    if (m_running > 0) {
        QEventLoop loop;
        m_loop = &loop;
        loop.exec();
        m_loop = nullptr;
    }
    return m_running == 0;
}

void CScanController::Post(ScanEvent event) {
    const bool ended = event.kind == ScanEvent::Kind::ThreadEnded;
    std::lock_guard lock(m_mutex);
    if (!m_target)
        return;
    // Qt takes the event; events still queued when their receiver dies are
    // deleted with it, records included.
    QCoreApplication::postEvent(ended ? this : m_target, new CScanEvent(std::move(event)));
}

void CScanController::customEvent(QEvent* event) {
    if (event->type() != CScanEvent::Type) {
        QObject::customEvent(event);
        return;
    }
    if (m_running > 0 && --m_running == 0 && m_loop)
        m_loop->quit();
}

void CScanController::Stop() {
    if (!m_owner.IsRunning())
        return;
    m_owner.Stop();
    RefuseBoxes();
}

// Boxes stay refused until the threads are joined: a thread that passed its
// last stop check may still be about to ask.
void CScanController::RefuseBoxes() {
    if (m_refusedDisplay)
        return;
    m_refusedDisplay = CQtMessageDisplay::Installed();
    if (m_refusedDisplay)
        m_refusedDisplay->RefuseWorkers();
}

void CScanController::Finish() {
    m_owner.Join();
    // Ends that a stopped scan left behind; they must not count for the next.
    QCoreApplication::removePostedEvents(this, CScanEvent::Type);
    if (m_refusedDisplay)
        m_refusedDisplay->AcceptWorkers();
    m_refusedDisplay = nullptr;
    m_running = 0;
}
