#include "discovery/CScanOwner.h"

#include "discovery/IScanSink.h"
#include "discovery/ScanThread.h"
#include "link/CStopSignal.h"

#include <cerrno>
#include <system_error>
#include <thread>

struct CScanOwner::PortThread {
    ScanThreadParam param;
    std::thread thread;
};

CScanOwner::CScanOwner(IScanSink& sink, const CStopSignal* stop)
    : m_sink(sink), m_callerStop(stop) {}

CScanOwner::~CScanOwner() {
    Stop();
    Join();
}

const CStopSignal& CScanOwner::StopSignal() const {
    return m_callerStop ? *m_callerStop : *m_ownStop;
}

void CScanOwner::Start(const std::vector<uint8_t>& ports) {
    Join();
    // A stop signal fires once: every scan gets a fresh one.
    m_ownStop = std::make_unique<CStopSignal>();
    m_running = true;
    m_started = 0;
    m_outcomes.clear();
    for (uint8_t port : ports) {
        auto thread = std::make_unique<PortThread>();
        thread->param.nPort = port;
        thread->param.pView = &m_sink;
        thread->param.stop = &StopSignal();
        thread->param.onOpenFailure = [this](uint8_t p, PortOpenFailure f) { OpenFailed(p, f); };
        thread->param.outcome.port = port;
        try {
            thread->thread = std::thread([this, t = thread.get()] { Run(*t); });
            ++m_started;
        } catch (const std::system_error&) {
            thread->param.outcome.openFailure = PortOpenFailure::Other;
            thread->param.outcome.openError = EAGAIN;
        }
        m_threads.push_back(std::move(thread));
    }
}

void CScanOwner::Run(PortThread& thread) {
    const int port = int(ScanThreadProc(&thread.param));
    ScanEvent outcome = ScanEvent::Of(ScanEvent::Kind::PortOutcome, port);
    outcome.outcome = thread.param.outcome;
    m_sink.Post(std::move(outcome));
    m_sink.Post(ScanEvent::Of(ScanEvent::Kind::ThreadEnded, port));
}

void CScanOwner::OpenFailed(uint8_t port, PortOpenFailure failure) const {
    if (m_onOpenFailure && PortOpenMessageId(failure) != 0 && !StopSignal().IsRequested())
        m_onOpenFailure(port, failure);
}

void CScanOwner::Stop() {
    if (m_running && m_ownStop)
        m_ownStop->Request();
}

void CScanOwner::Join() {
    if (!m_running)
        return;
    for (auto& thread : m_threads)
        if (thread->thread.joinable())
            thread->thread.join();
    for (auto& thread : m_threads)
        m_outcomes.push_back(std::move(thread->param.outcome));
    m_threads.clear();
    m_running = false;
}
