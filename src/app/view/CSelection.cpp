#include "app/view/CSelection.h"

#include "app/seams/ReasonBoxes.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "link/IProgressIndicator.h"
#include "model/CSensor.h"

#include <QScopedValueRollback>
#include <QTimerEvent>

CSelection::CSelection(CStatusProgressBar* bar) : m_bar(bar) {}

CSelection::~CSelection() {
    SwitchOff();
}

void CSelection::Select(CSensor* sensor) {
    SwitchOff();
    m_timer.stop();
    m_current = sensor;
    m_flashOn = false;
    if (sensor)
        m_timer.start(kFlashPeriodMs, Qt::PreciseTimer, this);
}

// Once, and without a box: a port that another program took meanwhile
// leaves the counter as it is.
void CSelection::SwitchOff() {
    if (m_current && m_leftOn)
        SendFlash(*m_current, false, true);
    m_leftOn = false;
}

void CSelection::timerEvent(QTimerEvent* event) {
    OnTimer(event->timerId());
}

// Nothing happens while a save holds the port, nor while an earlier tick
// still runs (its port-in-use box is open), so ticks never stack boxes or
// send behind a box's back.
void CSelection::OnTimer(int timerId) {
    if (timerId != m_timer.timerId() || !m_timer.isActive() || m_paused || m_ticking)
        return;
    CSensor* sensor = m_current;
    m_flashOn = !m_flashOn;
    const bool sent = SendFlash(*sensor, m_flashOn, false);
    if (m_current != sensor)
        return; // the selection moved on while a box was open
    if (m_bar)
        m_bar->SetFlashIndicator(sent && m_flashOn);
}

bool CSelection::SendFlash(CSensor& sensor, bool on, bool quiet) {
    QScopedValueRollback<bool> ticking(m_ticking, true);
    CSerialPort port;
    const PortOpenFailure failure = port.Open(uint8_t(sensor.GetPort()));
    if (failure != PortOpenFailure::None && !quiet)
        ShowOpenFailure(sensor.GetPort(), failure);
    if (failure != PortOpenFailure::None || (!quiet && m_current != &sensor))
        return false;
    CNullProgress noProgress;
    CCounterLink link(&port, &noProgress);
    m_leftOn = on;
    return link.SetFlash(sensor, on).Ok();
}
