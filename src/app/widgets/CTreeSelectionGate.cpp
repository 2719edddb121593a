#include "app/widgets/CTreeSelectionGate.h"

#include <QTimer>

CTreeSelectionGate::CTreeSelectionGate(QAbstractItemModel* model, QObject* parent)
    : QItemSelectionModel(model, parent) {}

QModelIndex CTreeSelectionGate::SelectedRow() const {
    QModelIndexList rows = selectedRows(0);
    return rows.isEmpty() ? QModelIndex() : rows.first();
}

QModelIndex CTreeSelectionGate::RowAfter(const QItemSelection& selection,
                                         QItemSelectionModel::SelectionFlags command) const {
    QModelIndex before = SelectedRow();
    QModelIndex after = command.testFlag(Clear) ? QModelIndex() : before;
    if (selection.isEmpty())
        return after;
    QModelIndex row = QModelIndex(selection.first().topLeft()).siblingAtColumn(0);
    if (command.testFlag(Select))
        return row;
    if (command.testFlag(Deselect) && selection.contains(before))
        return QModelIndex();
    if (command.testFlag(Toggle))
        return row == before ? QModelIndex() : row;
    return after;
}

void CTreeSelectionGate::ClearUnasked() {
    m_unasked = true;
    clearSelection();
    m_unasked = false;
}

void CTreeSelectionGate::select(const QItemSelection& selection,
                                QItemSelectionModel::SelectionFlags command) {
    QModelIndex before = SelectedRow();
    QModelIndex after = RowAfter(selection, command);
    // While the question is open (a message box runs its own event loop)
    // further attempts are refused, so only one question is ever asked.
    if (after != before && m_question && !m_unasked) {
        bool allowed = false;
        if (!m_asking) {
            m_asking = true;
            allowed = m_question(before, after);
            m_asking = false;
        }
        if (!allowed) {
            KeepCurrentAt(before);
            return;
        }
    }
    QItemSelectionModel::select(selection, command);
}

// A click moves the current index before it selects, a key after; put it
// back now and once more when the caller has finished.
void CTreeSelectionGate::KeepCurrentAt(const QModelIndex& row) {
    QPersistentModelIndex keep(row);
    if (currentIndex() != keep)
        setCurrentIndex(keep, NoUpdate);
    bool valid = keep.isValid();
    QTimer::singleShot(0, this, [this, keep, valid] {
        // A row deleted in the meantime is not brought back.
        if (keep.isValid() == valid && currentIndex() != keep)
            setCurrentIndex(keep, NoUpdate);
    });
}
