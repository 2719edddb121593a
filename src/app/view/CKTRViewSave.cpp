// Saving the view's working copies to the counter.
#include "app/view/CKTRView.h"

// Not built yet.
void CKTRView::OnSaveSizes() {}

// Not built yet.
void CKTRView::OnSavePoints() {}
