#include "app/widgets/ListRows.h"

#include <QHeaderView>
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

void SetUpReportList(QTreeWidget& list) {
    list.setRootIsDecorated(false);
    list.setItemsExpandable(false);
    list.setExpandsOnDoubleClick(false);
    list.setUniformRowHeights(true);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setSelectionBehavior(QAbstractItemView::SelectRows);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.setAllColumnsShowFocus(true);
    // The columns fill the list but for a pixel or two of its border; a
    // scroll bar for those would cover the last row.
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list.setSortingEnabled(false);
    list.header()->setSectionsClickable(false);
    list.header()->setSectionsMovable(false);
    list.header()->setStretchLastSection(false);
    list.header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}
