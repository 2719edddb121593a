// Saving the view's working copies to the counter. A save runs on the
// user-interface thread and blocks it for the whole transfer; the status bar
// shows the Programming layout, whose progress bar is painted at every byte.
#include "app/view/CKTRView.h"

#include "app/seams/CQtProgressIndicator.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "link/IMessageDisplay.h"
#include "link/PortOpenError.h"
#include "model/CSensor.h"
#include "res/StringTable.h"

#include <optional>

void CKTRView::OnSaveSizes() {
    SaveSizes();
}

void CKTRView::OnSavePoints() {
    SavePoints();
}

// On success the working copy becomes the sizes as sent (sorted, each the
// value of its 3-character field); otherwise it keeps the edits, sorted by
// the validation. The list is refilled in every case, since the sort moved
// values under the positions that its rows hold.
bool CKTRView::SaveSizes() {
    bool taken = m_currentSensor && RunSave([this] { return CCounterLink::ValidateSizes(m_sizes); },
                                            [this](CCounterLink& link) {
                                                return link.ProgramSizes(*m_currentSensor, m_sizes);
                                            },
                                            IDS_SIZES_NOT_TAKEN);
    if (taken) {
        m_sizes.Copy(m_currentSensor->GetSizes());
        m_sizesChanged = false;
    }
    FillSizeList();
    return taken;
}

bool CKTRView::SavePoints() {
    bool taken =
        m_currentSensor && RunSave([this] { return CCounterLink::ValidateCalibration(m_calCurve); },
                                   [this](CCounterLink& link) {
                                       return link.ProgramCalibration(*m_currentSensor, m_calCurve);
                                   },
                                   IDS_CALS_NOT_TAKEN);
    if (taken) {
        m_calCurve.Copy(m_currentSensor->GetCalCurve());
        m_calsChanged = false;
    }
    FillCalList();
    return taken;
}

// A table that did not reach the counter is reported while the Programming
// layout still shows how far the last attempt got; the flash timer rests
// until the user has read it.
bool CKTRView::RunSave(const std::function<bool()>& validate,
                       const std::function<bool(CCounterLink&)>& program, unsigned notTakenId) {
    const int port = m_currentSensor->GetPort();
    const int address = m_currentSensor->GetAddress();
    m_busy = true;
    CStatusProgressBar* bar = GetStatusBar();
    if (bar) {
        bar->ShowProgramming(port, address);
        // The transfer keeps the event loop from painting the new layout.
        bar->repaint();
    }
    const SaveOutcome outcome = Transfer(validate, program);
    if (outcome == SaveOutcome::NotTaken)
        ShowAppMessage(notTakenId, MsgButtons::Ok, MsgIcon::Warning);
    if (bar)
        bar->ShowFlashing(port, address);
    m_busy = false;
    return outcome == SaveOutcome::Taken;
}

// The port is open only here. A port that did not open has already been
// reported when the serial port showed its box (in use, permission); a
// validation that refused the table has shown its own messages. Every other
// failure is silent so far, and is the caller's to report.
CKTRView::SaveOutcome CKTRView::Transfer(const std::function<bool()>& validate,
                                         const std::function<bool(CCounterLink&)>& program) {
    CSerialPort serial;
    if (!serial.Open(static_cast<uint8_t>(m_currentSensor->GetPort())))
        return PortOpenMessageId(serial.GetOpenFailure()) ? SaveOutcome::Told
                                                          : SaveOutcome::NotTaken;
    // The checks sort the working copy and show their messages; the link
    // checks again (silently, since they pass) before it sends.
    if (!validate())
        return SaveOutcome::Told;
    std::optional<CQtProgressIndicator> progress;
    if (CStatusProgressBar* bar = GetStatusBar())
        progress.emplace(bar->GetProgressCtrl());
    CCounterLink link(&serial, progress ? &*progress : nullptr);
    return program(link) ? SaveOutcome::Taken : SaveOutcome::NotTaken;
}
