// The view's calibration list: adding, editing and deleting points. The
// rows are always in ascending order of size, while the working copy keeps
// the order in which points were loaded and added; each row holds the
// position of its point in the working copy.
#include "app/view/CKTRView.h"

#include "app/dialogs/CCalDlg.h"
#include "app/dialogs/IDialogRunner.h"
#include "app/widgets/ListRows.h"
#include "app/seams/IMessageDisplay.h"
#include "link/Numbers.h"
#include "link/TableRules.h"
#include "res/StringTable.h"

#include <QTreeWidget>

namespace {

// The sort key of a row that holds no position.
constexpr double kNoRowKey = 999.99;

CCalCurve::POSITION PointPosition(quintptr data) {
    return reinterpret_cast<CCalCurve::POSITION>(data);
}

quintptr PointRowData(CCalCurve::POSITION pos) {
    return reinterpret_cast<quintptr>(pos);
}

} // namespace

QString CKTRView::FormatCalValue(double value) {
    return QString::fromStdString(FormatCalNumber(value));
}

bool CKTRView::CalPointExists(const CCalPoint& point, CCalCurve::POSITION skip) const {
    return TableRules::CalPointExists(m_calCurve, point, skip);
}

int CKTRView::CompareCalItems(quintptr data1, quintptr data2, quintptr view) {
    const CCalCurve& curve = reinterpret_cast<const CKTRView*>(view)->m_calCurve;
    const double a = data1 ? curve.GetAt(PointPosition(data1)).m_size : kNoRowKey;
    const double b = data2 ? curve.GetAt(PointPosition(data2)).m_size : kNoRowKey;
    return a < b ? -1 : (a > b ? 1 : 0);
}

void CKTRView::SortCalList() {
    SortRows(*m_calListCtrl, &CompareCalItems, reinterpret_cast<quintptr>(this));
}

void CKTRView::FillCalList() {
    m_calListCtrl->clear();
    if (!m_currentSensor)
        return;
    int row = 0;
    for (auto pos = m_calCurve.GetHeadPosition(); pos;) {
        const auto here = pos;
        const CCalPoint& point = m_calCurve.GetNext(pos);
        InsertRow(*m_calListCtrl, row++,
                  {FormatCalValue(point.m_size), FormatCalValue(point.m_voltage)},
                  PointRowData(here));
    }
    SortCalList();
}

void CKTRView::OnAddCal() {
    if (!m_currentSensor)
        return;
    CCalPoint point;
    if (!AskNewPoint(CCalPoint(0.0, 0.0), nullptr, point))
        return;
    const auto pos = m_calCurve.AddTail(point);
    InsertRow(*m_calListCtrl, m_calListCtrl->topLevelItemCount(),
              {FormatCalValue(point.m_size), FormatCalValue(point.m_voltage)}, PointRowData(pos));
    SortCalList();
    m_calsChanged = true;
}

// The edited point (skip) is left out of the duplicate test, so confirming
// it unchanged rewrites the same values and counts as a change.
bool CKTRView::AskNewPoint(const CCalPoint& preset, CCalCurve::POSITION skip, CCalPoint& point) {
    CCalDlg dialog(this);
    dialog.SetPoint(preset);
    if (DialogRunner().Run(dialog) != QDialog::Accepted)
        return false;
    if (CalPointExists(dialog.GetPoint(), skip)) {
        ShowAppMessage(IDS_CAL_POINT_EXISTS, MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    point = dialog.GetPoint();
    return true;
}

void CKTRView::OnEditCal() {
    QTreeWidgetItem* row = m_currentSensor ? SelectedRow(*m_calListCtrl) : nullptr;
    if (!row)
        return;
    const auto pos = PointPosition(RowData(*row));
    CCalPoint point;
    if (!AskNewPoint(m_calCurve.GetAt(pos), pos, point))
        return;
    m_calCurve.GetAt(pos) = point;
    row->setText(0, FormatCalValue(point.m_size));
    row->setText(1, FormatCalValue(point.m_voltage));
    SortCalList();
    m_calsChanged = true;
}

void CKTRView::OnDeleteCal() {
    QTreeWidgetItem* row = m_currentSensor ? SelectedRow(*m_calListCtrl) : nullptr;
    if (!row)
        return;
    m_calCurve.RemoveAt(PointPosition(RowData(*row)));
    delete row;
    SortCalList();
    m_calsChanged = true;
}
