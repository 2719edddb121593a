#include "app/widgets/ListRows.h"

#include <QTreeWidget>
#include <algorithm>
#include <vector>

namespace {

constexpr int kDataRole = Qt::UserRole;

} // namespace

QTreeWidgetItem* InsertRow(QTreeWidget& list, int index, const QStringList& texts, quintptr data) {
    auto* row = new QTreeWidgetItem(texts);
    row->setData(0, kDataRole, QVariant::fromValue<quintptr>(data));
    list.insertTopLevelItem(std::clamp(index, 0, list.topLevelItemCount()), row);
    return row;
}

quintptr RowData(const QTreeWidgetItem& row) {
    return row.data(0, kDataRole).value<quintptr>();
}

QTreeWidgetItem* SelectedRow(const QTreeWidget& list) {
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = list.topLevelItem(i);
        if (row->isSelected())
            return RowData(*row) ? row : nullptr;
    }
    return nullptr;
}

void SortRows(QTreeWidget& list, RowCompare compare, quintptr parameter) {
    QTreeWidgetItem* current = list.currentItem();
    QList<QTreeWidgetItem*> selected = list.selectedItems();
    QList<QTreeWidgetItem*> rows = list.invisibleRootItem()->takeChildren();
    std::stable_sort(rows.begin(), rows.end(), [&](QTreeWidgetItem* a, QTreeWidgetItem* b) {
        return compare(RowData(*a), RowData(*b), parameter) < 0;
    });
    list.addTopLevelItems(rows);
    if (current)
        list.setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    for (QTreeWidgetItem* row : selected)
        row->setSelected(true);
}
