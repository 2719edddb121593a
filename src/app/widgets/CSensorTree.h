#pragma once

#include "model/CSensor.h"

#include <QTreeWidget>
#include <functional>

class CTreeSelectionGate;

// The sensor tree: no header, branch lines and expand buttons below the top
// level only, the selection kept visible when the tree loses the focus, and
// single expansion (selecting an item expands it and collapses the branch of
// the item selected before).
//
// Selection changes are reported twice: SelectionChanging before anything
// has changed, with the old item still selected, so a handler can refuse the
// change by returning true; SelectionChanged after the change. Both get the
// old and the new item, either of which may be null.
class CSensorTree : public QTreeWidget {
    Q_OBJECT

public:
    using ChangingHandler = std::function<bool(QTreeWidgetItem* from, QTreeWidgetItem* to)>;
    using ChangedHandler = std::function<void(QTreeWidgetItem* from, QTreeWidgetItem* to)>;

    explicit CSensorTree(QWidget* parent = nullptr);

    void SetSelectionHandlers(ChangingHandler changing, ChangedHandler changed);
    // Rebuilds the tree from the sensors of a scan: one "Comport n" item per
    // port, in the order of each port's first sensor, with one
    // "Sensor:NN   Model: ..." item per sensor in list order; only the first
    // port item is expanded and nothing is selected.
    void Fill(CSensorList& sensors);
    QTreeWidgetItem* FindPortItem(int port) const;
    QTreeWidgetItem* InsertPortItem(int port);
    QTreeWidgetItem* InsertSensorItem(QTreeWidgetItem* portItem, CSensor& sensor);
    // The sensor record of a sensor item; null for a port item or none.
    static CSensor* SensorOf(const QTreeWidgetItem* item);
    QTreeWidgetItem* SelectedItem() const;
    // Names the device of a port item's com port (an adapter's stable name,
    // otherwise the device's path) as its tooltip and as the description a
    // screen reader gives; the item's own text stays "Comport n".
    static void DescribePortItem(QTreeWidgetItem* item, int port);
    // Deletes every item. The selection ends first, without asking, and
    // SelectionChanged reports the move to no item while the old item still
    // exists. (A plain clear() asks like any other change, but its items go
    // whatever the answer, and Qt reports nothing after they have gone.)
    void RemoveAll();

private:
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void ExpandSingle(QTreeWidgetItem* from, QTreeWidgetItem* to);

    CTreeSelectionGate* m_gate;
    ChangingHandler m_changing;
    ChangedHandler m_changed;
};
