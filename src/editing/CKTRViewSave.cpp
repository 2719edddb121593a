// Saving the view's working copies to the counter.
#include "app/CKTRView.h"

// Not built yet.
void CKTRView::OnSaveSizes() {}

// Not built yet.
void CKTRView::OnSavePoints() {}
