// The view's calibration list: adding, editing and deleting points.
#include "app/view/CKTRView.h"

// Not built yet.
void CKTRView::OnAddCal() {}

// Not built yet.
void CKTRView::OnEditCal() {}

// Not built yet.
void CKTRView::OnDeleteCal() {}
