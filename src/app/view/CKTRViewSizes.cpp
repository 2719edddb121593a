// The view's size list: adding, editing and deleting channel sizes. The rows
// are always in ascending order of size, while the working copy keeps the
// order in which sizes were loaded and added; each row holds the position of
// its size in the working copy.
#include "app/view/CKTRView.h"

#include "app/dialogs/CSizeDlg.h"
#include "app/dialogs/IDialogRunner.h"
#include "app/widgets/ListRows.h"
#include "app/seams/IMessageDisplay.h"
#include "app/seams/ReasonBoxes.h"
#include "link/Numbers.h"
#include "link/TableRules.h"
#include "res/StringTable.h"

#include <QTreeWidget>

namespace {

// The sort key of a row that holds no position.
constexpr double kNoRowKey = 999.99;

CSizeList::POSITION SizePosition(quintptr data) {
    return reinterpret_cast<CSizeList::POSITION>(data);
}

quintptr SizeRowData(CSizeList::POSITION pos) {
    return reinterpret_cast<quintptr>(pos);
}

} // namespace

QString CKTRView::FormatSize(double size) {
    return QString::fromStdString(FormatSizeField(size));
}

bool CKTRView::SizeExists(double size) const {
    return TableRules::SizeExists(m_sizes, size);
}

int CKTRView::CompareSizeItems(quintptr data1, quintptr data2, quintptr view) {
    const CSizeList& sizes = reinterpret_cast<const CKTRView*>(view)->m_sizes;
    const double a = data1 ? sizes.GetAt(SizePosition(data1)) : kNoRowKey;
    const double b = data2 ? sizes.GetAt(SizePosition(data2)) : kNoRowKey;
    return a < b ? -1 : (a > b ? 1 : 0);
}

void CKTRView::SortSizeList() {
    SortRows(*m_sizeListCtrl, &CompareSizeItems, reinterpret_cast<quintptr>(this));
}

void CKTRView::FillSizeList() {
    m_sizeListCtrl->clear();
    if (!m_currentSensor)
        return;
    int row = 0;
    for (auto pos = m_sizes.GetHeadPosition(); pos;) {
        const auto here = pos;
        InsertRow(*m_sizeListCtrl, row++, {FormatSize(m_sizes.GetNext(pos))}, SizeRowData(here));
    }
    SortSizeList();
}

void CKTRView::OnAddSize() {
    if (!m_currentSensor)
        return;
    if (ShowRefusal(TableRules::CheckRoomForSize(m_sizes)))
        return;
    double size = 0.0;
    if (!AskNewSize(0.0, size))
        return;
    const auto pos = m_sizes.AddTail(size);
    InsertRow(*m_sizeListCtrl, m_sizeListCtrl->topLevelItemCount(), {FormatSize(size)},
              SizeRowData(pos));
    SortSizeList();
    m_sizesChanged = true;
}

// Every working size counts, so confirming a size unchanged in Edit finds
// the size itself and is refused.
bool CKTRView::AskNewSize(double preset, double& size) {
    CSizeDlg dialog(this);
    dialog.SetSize(preset);
    if (DialogRunner().Run(dialog) != QDialog::Accepted)
        return false;
    if (SizeExists(dialog.GetSize())) {
        ShowAppMessage(IDS_SIZE_EXISTS, MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    size = dialog.GetSize();
    return true;
}

void CKTRView::OnEditSize() {
    QTreeWidgetItem* row = m_currentSensor ? SelectedRow(*m_sizeListCtrl) : nullptr;
    if (!row)
        return;
    const auto pos = SizePosition(RowData(*row));
    double size = 0.0;
    if (!AskNewSize(m_sizes.GetAt(pos), size))
        return;
    m_sizes.GetAt(pos) = size;
    row->setText(0, FormatSize(size));
    SortSizeList();
    m_sizesChanged = true;
}

void CKTRView::OnDeleteSize() {
    QTreeWidgetItem* row = m_currentSensor ? SelectedRow(*m_sizeListCtrl) : nullptr;
    if (!row)
        return;
    m_sizes.RemoveAt(SizePosition(RowData(*row)));
    delete row;
    SortSizeList();
    m_sizesChanged = true;
}
