// The view's side of a network scan: the Rescan command and the reports of
// the scan threads.
#include "app/view/CKTRView.h"

#include "app/CKTRDoc.h"
#include "app/seams/CQtProgressIndicator.h"
#include "app/view/CScanController.h"
#include "app/widgets/CProgressCtrl.h"
#include "app/widgets/CSensorTree.h"
#include "app/widgets/CStatusProgressBar.h"
#include "discovery/ScanRunner.h"
#include "model/CSensor.h"

#include <QTreeWidget>

// Scans com ports 1 to 32, one thread each, and shows what they found. The
// event loop keeps running meanwhile, so the window stays responsive and
// the reports are handled as they come.
void CKTRView::OnRescan() {
    // The running scan's threads hold the ports: a second scan would only
    // find them in use. The button stays enabled and does nothing.
    if (m_scan->IsRunning())
        return;
    if (!AskToLeaveSensor())
        return;
    ClearScanResults();
    CStatusProgressBar* bar = GetStatusBar();
    if (bar) {
        bar->ShowScanning();
        bar->repaint();
    }
    repaint();
    m_scan->Start(AllComPorts());
    if (!m_scan->Wait()) {
        // The application is quitting: the view may be going, so nothing
        // more is shown; the threads end now and are joined with the view.
        m_scan->Stop();
        return;
    }
    m_scan->Finish();
    FillTree();
    if (bar)
        bar->ShowReady();
}

// Ends the selection (flash timer stopped, no current sensor, working copies
// and change flags cleared) before the records it refers to go, then
// empties the tree, both lists and the document.
void CKTRView::ClearScanResults() {
    setUpdatesEnabled(false);
    m_tree->RemoveAll();
    if (m_currentSensor || m_timerId != 0)
        OnTreeSelChanged(nullptr, nullptr);
    m_sizeListCtrl->clear();
    m_calListCtrl->clear();
    m_sizes.RemoveAll();
    m_calCurve.RemoveAll();
    m_document.GetSensors().clear();
    setUpdatesEnabled(true);
}

// Keeps a copy of the reported sensor at the end of the document's list;
// the reported record dies here.
void CKTRView::OnSensorFound(std::unique_ptr<CSensor> sensor) {
    if (sensor)
        m_document.GetSensors().push_back(*sensor);
}

// The status bar's progress runs as every scan's does: each port that opens
// adds its 32 addresses to the range, each address done steps once.
void CKTRView::OnScanPortOpened(int) {
    if (CStatusProgressBar* bar = GetStatusBar()) {
        CQtProgressIndicator progress(bar->GetProgressCtrl());
        m_scan->Progress().PortOpened(progress);
    }
}

void CKTRView::OnScanAddressDone(int, int) {
    if (CStatusProgressBar* bar = GetStatusBar()) {
        CQtProgressIndicator progress(bar->GetProgressCtrl());
        m_scan->Progress().AddressDone(progress);
    }
}
