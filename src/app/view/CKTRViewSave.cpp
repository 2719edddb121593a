// Saving the view's working copies to the counter.
#include "app/view/CKTRView.h"

void CKTRView::OnSaveSizes() {
    SaveSizes();
}

void CKTRView::OnSavePoints() {
    SavePoints();
}

// Not built yet: programming the counter.
bool CKTRView::SaveSizes() {
    return false;
}

// Not built yet: programming the counter.
bool CKTRView::SavePoints() {
    return false;
}
