// The view's side of a network scan: the Rescan command and the reports of
// the scan threads.
#include "app/view/CKTRView.h"

#include "app/CKTRDoc.h"
#include "app/dialogs/CScanReportDlg.h"
#include "app/dialogs/IDialogRunner.h"
#include "app/seams/CQtProgressIndicator.h"
#include "app/seams/ReasonBoxes.h"
#include "app/view/CScanController.h"
#include "app/widgets/CSensorTree.h"
#include "app/widgets/CStatusProgressBar.h"
#include "discovery/ComPortsToScan.h"
#include "discovery/ScanOutcomeText.h"
#include "model/CSensor.h"

#include <QTreeWidget>

// Scans the com ports, one thread each, and shows what they found. The
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
    if (m_bar) {
        m_bar->ShowScanning();
        m_bar->repaint();
    }
    repaint();
    // The ports are looked for afresh, so an adapter plugged in since the
    // last scan is found.
    const ComPortsToScan ports = FindComPortsToScan();
    ShowPortWarnings(ports.warnings);
    m_scan->Start(ports.ports);
    if (!m_scan->Wait()) {
        // The application is quitting: the view may be going, so nothing
        // more is shown; the threads end now and are joined with the view.
        m_scan->Stop();
        return;
    }
    m_scan->Finish();
    FillTree();
    // Adapters left without a number come first: they could not be scanned.
    m_scanReport.clear();
    for (const ScanOutcomeLine& line : UnnumberedAdapterLines(ports.unnumbered))
        m_scanReport.push_back(line.text);
    for (std::string& line : CScanReportDlg::Lines(m_scan->Outcomes(), m_document.GetSensors()))
        m_scanReport.push_back(std::move(line));
    if (m_bar)
        m_bar->ShowReady();
    // An empty tree alone would give no reason.
    if (m_document.GetSensors().empty())
        OnScanReport();
}

// Ends the selection (the counter's flash switched off, flash timer
// stopped, working copies and change flags cleared) before the records it
// refers to go, then empties the tree, both lists and the document.
void CKTRView::ClearScanResults() {
    setUpdatesEnabled(false);
    m_tree->RemoveAll();
    LoadSensor(nullptr);
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
    if (m_bar) {
        CQtProgressIndicator progress(m_bar->GetProgressCtrl(),
                                      CQtProgressIndicator::Painting::WhenVisible);
        m_scan->Progress().PortOpened(progress);
    }
}

void CKTRView::OnScanAddressDone(int, int) {
    if (m_bar) {
        CQtProgressIndicator progress(m_bar->GetProgressCtrl(),
                                      CQtProgressIndicator::Painting::WhenVisible);
        m_scan->Progress().AddressDone(progress);
    }
}

void CKTRView::OnScanReport() {
    CScanReportDlg dialog(m_scanReport, this);
    DialogRunner().Run(dialog);
}
