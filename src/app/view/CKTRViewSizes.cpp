// The view's size list: adding, editing and deleting channel sizes.
#include "app/view/CKTRView.h"

// Not built yet.
void CKTRView::OnAddSize() {}

// Not built yet.
void CKTRView::OnEditSize() {}

// Not built yet.
void CKTRView::OnDeleteSize() {}
