// The view's side of a network scan: the Rescan command and the reports of
// the scan threads.
#include "app/view/CKTRView.h"

#include "app/CKTRDoc.h"
#include "app/widgets/CProgressCtrl.h"
#include "app/widgets/CStatusProgressBar.h"
#include "model/CSensor.h"

// Not built yet: clearing the tree, lists and document, running the scan
// threads and building the tree are a later step.
void CKTRView::OnRescan() {}

// Keeps a copy of the reported sensor at the end of the document's list;
// the reported record dies here.
void CKTRView::OnSensorFound(std::unique_ptr<CSensor> sensor) {
    if (sensor)
        m_document.GetSensors().push_back(*sensor);
}

// Every port that opens adds its 32 addresses to the progress range.
void CKTRView::OnScanPortOpened(int) {
    if (CStatusProgressBar* bar = GetStatusBar()) {
        CProgressCtrl& progress = bar->GetProgressCtrl();
        progress.SetRange(progress.GetLower(), progress.GetUpper() + 32);
    }
}

void CKTRView::OnScanAddressDone(int, int) {
    if (CStatusProgressBar* bar = GetStatusBar())
        bar->GetProgressCtrl().StepIt();
}
