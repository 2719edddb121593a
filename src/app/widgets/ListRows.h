#pragma once

#include <QStringList>
#include <QtGlobal>

class QTreeWidget;
class QTreeWidgetItem;

// Rows of the view's report-style lists. Each row carries one pointer-sized
// value of item data (0 when none), which the view uses for the position of
// the element the row shows.

// Makes list a list in report style: rows without a tree, one selected at
// most, the whole row highlighted, a header whose sections do nothing when
// clicked. Rows are only selected by clicks; nothing edits them in place.
void SetUpReportList(QTreeWidget& list);

// Inserts a row with these column texts at index (clamped to the row count)
// and gives it its item data; returns the row.
QTreeWidgetItem* InsertRow(QTreeWidget& list, int index, const QStringList& texts, quintptr data);
quintptr RowData(const QTreeWidgetItem& row);

// The first selected row in list order; null when no row is selected or
// that row holds no item data.
QTreeWidgetItem* SelectedRow(const QTreeWidget& list);

// Orders the rows by compare(data of a, data of b, parameter): negative when
// a goes first. Rows that compare equal keep their order. The selected and
// the current row stay so.
using RowCompare = int (*)(quintptr data1, quintptr data2, quintptr parameter);
void SortRows(QTreeWidget& list, RowCompare compare, quintptr parameter);
