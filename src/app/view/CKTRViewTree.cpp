// The view's sensor tree selection and flash timer.
#include "app/view/CKTRView.h"

// Not built yet: asking about unsaved edits before the selection changes.
bool CKTRView::OnTreeSelChanging(QTreeWidgetItem*, QTreeWidgetItem*) {
    return false;
}

// Not built yet: loading the selected sensor and starting its flash timer.
void CKTRView::OnTreeSelChanged(QTreeWidgetItem*, QTreeWidgetItem*) {}

// Not built yet: the flash tick.
void CKTRView::OnTimer(int) {}
