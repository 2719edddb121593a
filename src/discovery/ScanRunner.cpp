#include "discovery/ScanRunner.h"

#include "discovery/CScanQueueSink.h"
#include "discovery/ScanThread.h"
#include "link/IProgressIndicator.h"

#include <memory>

namespace {

constexpr int kAddressesPerPort = 32;

std::vector<std::unique_ptr<ScanThreadParam>>
StartThreads(const std::vector<uint8_t>& ports, CScanQueueSink& queue, const CStopSignal* stop) {
    std::vector<std::unique_ptr<ScanThreadParam>> params;
    for (uint8_t port : ports) {
        auto param = std::make_unique<ScanThreadParam>();
        param->nPort = port;
        param->pView = &queue;
        param->stop = stop;
        StartScanThread(*param, [&queue](unsigned ended) { queue.ThreadEnded(int(ended)); });
        params.push_back(std::move(param));
    }
    return params;
}

// Takes the reports until every thread has said it ends.
std::vector<CSensor> Collect(CScanQueueSink& queue, size_t threads, IProgressIndicator* progress) {
    std::vector<CSensor> found;
    int upper = 0;
    for (size_t ended = 0; ended < threads;) {
        ScanEvent event = queue.Pop();
        switch (event.kind) {
        case ScanEvent::Kind::PortOpened:
            upper += kAddressesPerPort;
            if (progress)
                progress->SetRange(0, upper);
            break;
        case ScanEvent::Kind::SensorFound:
            found.push_back(*event.sensor);
            break;
        case ScanEvent::Kind::AddressDone:
            if (progress)
                progress->StepIt();
            break;
        case ScanEvent::Kind::ThreadEnded:
            ++ended;
            break;
        }
    }
    return found;
}

} // namespace

std::vector<uint8_t> AllComPorts() {
    std::vector<uint8_t> ports;
    for (int port = 1; port <= 32; ++port)
        ports.push_back(uint8_t(port));
    return ports;
}

std::vector<CSensor> RunScan(const std::vector<uint8_t>& ports, IProgressIndicator* progress,
                             const CStopSignal* stop, std::vector<PortScanOutcome>* outcomes) {
    if (progress) {
        progress->SetRange(0, 0);
        progress->SetPos(0);
    }
    CScanQueueSink queue;
    auto params = StartThreads(ports, queue, stop);
    std::vector<CSensor> found = Collect(queue, params.size(), progress);
    if (outcomes)
        outcomes->clear();
    for (auto& param : params) {
        param->hThread.join();
        if (outcomes)
            outcomes->push_back({param->nPort, param->openFailure, param->openError, param->ended,
                                 std::move(param->passedOver)});
    }
    return found;
}
