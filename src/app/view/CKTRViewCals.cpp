// The view's calibration list: adding, editing and deleting points.
#include "app/view/CKTRView.h"

#include "link/Numbers.h"

#include <QTreeWidget>

// One row per working point, size and voltage (not sorted yet).
void CKTRView::FillCalList() {
    m_calListCtrl->clear();
    for (auto pos = m_calCurve.GetHeadPosition(); pos;) {
        const CCalPoint& point = m_calCurve.GetNext(pos);
        m_calListCtrl->addTopLevelItem(new QTreeWidgetItem(
            QStringList{QString::fromStdString(FormatCalNumber(point.m_size)),
                        QString::fromStdString(FormatCalNumber(point.m_voltage))}));
    }
}

// Not built yet.
void CKTRView::OnAddCal() {}

// Not built yet.
void CKTRView::OnEditCal() {}

// Not built yet.
void CKTRView::OnDeleteCal() {}
