#include "discovery/ScanRunner.h"

#include "discovery/CScanOwner.h"
#include "discovery/CScanProgress.h"
#include "discovery/CScanQueueSink.h"
#include "link/IProgressIndicator.h"

std::vector<uint8_t> AllComPorts() {
    std::vector<uint8_t> ports;
    for (int port = 1; port <= 32; ++port)
        ports.push_back(uint8_t(port));
    return ports;
}

std::vector<CSensor> RunScan(const std::vector<uint8_t>& ports, IProgressIndicator* progress,
                             const CStopSignal* stop, std::vector<PortScanOutcome>* outcomes) {
    CNullProgress none;
    IProgressIndicator& indicator = progress ? *progress : none;
    CScanProgress rule;
    rule.Begin(indicator);
    CScanQueueSink queue;
    CScanOwner owner(queue, stop);
    owner.Start(ports);
    std::vector<CSensor> found;
    for (size_t ended = 0; ended < owner.ThreadCount();) {
        ScanEvent event = queue.Pop();
        rule.Apply(event, indicator);
        if (event.kind == ScanEvent::Kind::SensorFound)
            found.push_back(*event.sensor);
        else if (event.kind == ScanEvent::Kind::ThreadEnded)
            ++ended;
    }
    owner.Join();
    if (outcomes)
        *outcomes = owner.Outcomes();
    return found;
}
