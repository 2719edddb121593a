// The view's size list: adding, editing and deleting channel sizes.
#include "app/view/CKTRView.h"

#include "link/Numbers.h"

#include <QTreeWidget>

// One row per working size, as its 3-character field (not sorted yet).
void CKTRView::FillSizeList() {
    m_sizeListCtrl->clear();
    for (auto pos = m_sizes.GetHeadPosition(); pos;) {
        const double size = m_sizes.GetNext(pos);
        m_sizeListCtrl->addTopLevelItem(
            new QTreeWidgetItem(QStringList{QString::fromStdString(FormatSizeField(size))}));
    }
}

// Not built yet.
void CKTRView::OnAddSize() {}

// Not built yet.
void CKTRView::OnEditSize() {}

// Not built yet.
void CKTRView::OnDeleteSize() {}
