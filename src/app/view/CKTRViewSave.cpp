// Saving the view's working copies to the counter. A save runs on the
// user-interface thread and blocks it for the whole transfer; the status bar
// shows the Programming layout, whose progress bar is painted at every byte.
#include "app/view/CKTRView.h"

#include "app/seams/CQtProgressIndicator.h"
#include "app/seams/IMessageDisplay.h"
#include "app/seams/ReasonBoxes.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
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
// the table rules. The list is refilled in every case, since the sort moved
// values under the positions that its rows hold.
bool CKTRView::SaveSizes() {
    bool taken = m_currentSensor && RunSave(
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
    bool taken = m_currentSensor && RunSave(
                                        [this](CCounterLink& link) {
                                            return link.ProgramCalibration(*m_currentSensor,
                                                                           m_calCurve);
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
// until the user has read it. The reason picks the one box: the port's own
// warning, the table rules' messages, or the table not taken.
bool CKTRView::RunSave(const std::function<LinkResult(CCounterLink&)>& program,
                       unsigned notTakenId) {
    const int port = m_currentSensor->GetPort();
    const int address = m_currentSensor->GetAddress();
    m_busy = true;
    CStatusProgressBar* bar = GetStatusBar();
    if (bar) {
        bar->ShowProgramming(port, address);
        // The transfer keeps the event loop from painting the new layout.
        bar->repaint();
    }
    PortOpenFailure openFailure = PortOpenFailure::None;
    const LinkResult result = Transfer(program, openFailure);
    if (!result.Ok() && !ShowOpenFailure(port, openFailure) && !ShowRefusal(result))
        ShowAppMessage(notTakenId, MsgButtons::Ok, MsgIcon::Warning);
    if (bar)
        bar->ShowFlashing(port, address);
    m_busy = false;
    return result.Ok();
}

// The port is open only here; the link checks the table under the table
// rules before it sends anything.
LinkResult CKTRView::Transfer(const std::function<LinkResult(CCounterLink&)>& program,
                              PortOpenFailure& openFailure) {
    CSerialPort serial;
    openFailure = serial.Open(static_cast<uint8_t>(m_currentSensor->GetPort()));
    if (openFailure != PortOpenFailure::None) {
        LinkResult failed;
        failed.status = LinkStatus::PortFailed;
        return failed;
    }
    std::optional<CQtProgressIndicator> progress;
    if (CStatusProgressBar* bar = GetStatusBar())
        progress.emplace(bar->GetProgressCtrl());
    CCounterLink link(&serial, progress ? &*progress : nullptr);
    return program(link);
}
