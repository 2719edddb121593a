#include "app/view/CScanController.h"

#include "app/seams/CQtMessageDisplay.h"
#include "discovery/ScanThread.h"
#include "link/CStopSignal.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <system_error>

namespace {

// Posted by each scan thread as its very last action, after its reports.
const QEvent::Type kThreadEnded = static_cast<QEvent::Type>(QEvent::User + 17);

} // namespace

CScanController::CScanController(QObject* target) : m_sink(target) {}

CScanController::~CScanController() {
    Stop();
    Finish();
    m_sink.Detach();
}

void CScanController::Start(const std::vector<uint8_t>& ports) {
    m_stop = std::make_unique<CStopSignal>();
    m_started = true;
    for (uint8_t port : ports) {
        auto param = std::make_unique<ScanThreadParam>();
        param->nPort = port;
        param->pView = &m_sink;
        param->stop = m_stop.get();
        try {
            // The controller outlives the thread (it joins it), so the
            // thread may post to it.
            StartScanThread(*param, [this](unsigned) {
                QCoreApplication::postEvent(this, new QEvent(kThreadEnded));
            });
        } catch (const std::system_error&) {
            continue;
        }
        ++m_running;
        m_params.push_back(std::move(param));
    }
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

void CScanController::customEvent(QEvent* event) {
    if (event->type() != kThreadEnded) {
        QObject::customEvent(event);
        return;
    }
    if (--m_running == 0 && m_loop)
        m_loop->quit();
}

void CScanController::Stop() {
    if (!m_started)
        return;
    m_stop->Request();
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
    for (auto& param : m_params)
        if (param->hThread.joinable())
            param->hThread.join();
    m_params.clear();
    // Ends that a stopped scan left behind; they must not count for the next.
    QCoreApplication::removePostedEvents(this, kThreadEnded);
    if (m_refusedDisplay)
        m_refusedDisplay->AcceptWorkers();
    m_refusedDisplay = nullptr;
    m_running = 0;
    m_started = false;
    m_stop.reset();
}
