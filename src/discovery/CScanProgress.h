#pragma once

class IProgressIndicator;
struct ScanEvent;

// How a scan shows its progress: the range starts at 0 to 0, grows by the
// 32 addresses of every port that opens, and the position steps once for
// every address probed, so the bar is full when every open port is done.
// The indicator is given with each call, so the front end may reach its
// control anew every time.
class CScanProgress {
public:
    // Range 0 to 0, position 0: nothing opened yet.
    void Begin(IProgressIndicator& indicator);
    void PortOpened(IProgressIndicator& indicator);
    void AddressDone(IProgressIndicator& indicator);
    // PortOpened or AddressDone for those events; others change nothing.
    void Apply(const ScanEvent& event, IProgressIndicator& indicator);

private:
    int m_upper = 0;
};
