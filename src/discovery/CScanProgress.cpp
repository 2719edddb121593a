#include "discovery/CScanProgress.h"

#include "discovery/ScanEvent.h"
#include "link/IProgressIndicator.h"

namespace {

constexpr int kAddressesPerPort = 32;

} // namespace

void CScanProgress::Begin(IProgressIndicator& indicator) {
    m_upper = 0;
    indicator.SetRange(0, 0);
    indicator.SetPos(0);
}

void CScanProgress::PortOpened(IProgressIndicator& indicator) {
    m_upper += kAddressesPerPort;
    indicator.SetRange(0, m_upper);
}

void CScanProgress::AddressDone(IProgressIndicator& indicator) {
    indicator.StepIt();
}

void CScanProgress::Apply(const ScanEvent& event, IProgressIndicator& indicator) {
    if (event.kind == ScanEvent::Kind::PortOpened)
        PortOpened(indicator);
    else if (event.kind == ScanEvent::Kind::AddressDone)
        AddressDone(indicator);
}
