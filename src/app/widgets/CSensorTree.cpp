#include "app/widgets/CSensorTree.h"

#include "app/widgets/CTreeSelectionGate.h"
#include "link/PortNaming.h"
#include "res/StringTable.h"

#include <QHeaderView>
#include <QStyle>
#include <QStyleFactory>
#include <cstdio>
#include <string>

namespace {

// Item data: a port number (1 to 32) for a port item, the address of the
// sensor's record for a sensor item. Records never lie at 32 or below.
constexpr quintptr kHighestPort = 32;

quintptr ItemData(const QTreeWidgetItem* item) {
    return item ? item->data(0, Qt::UserRole).value<quintptr>() : 0;
}

// A string-table text with printf-style fields filled in.
template <typename... Args> QString FormatText(unsigned id, Args... args) {
    const std::string format = LoadString(id);
    const int length = std::snprintf(nullptr, 0, format.c_str(), args...);
    if (length < 0)
        return {};
    std::string text(size_t(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), args...);
    text.resize(size_t(length));
    return QString::fromStdString(text);
}

bool IsSelfOrAncestor(const QTreeWidgetItem* item, const QTreeWidgetItem* of) {
    for (const QTreeWidgetItem* i = of; i; i = i->parent())
        if (i == item)
            return true;
    return false;
}

} // namespace

CSensorTree::CSensorTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(false);
    // The classic style draws dotted branch lines and +/- buttons.
    if (QStyle* lines = QStyleFactory::create("Windows")) {
        lines->setParent(this);
        setStyle(lines);
    }
    QPalette pal = palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);

    QItemSelectionModel* old = selectionModel();
    m_gate = new CTreeSelectionGate(model(), this);
    setSelectionModel(m_gate);
    delete old;
    connect(m_gate, &QItemSelectionModel::selectionChanged, this, &CSensorTree::OnSelectionChanged);
}

void CSensorTree::SetSelectionHandlers(ChangingHandler changing, ChangedHandler changed) {
    m_changing = std::move(changing);
    m_changed = std::move(changed);
    m_gate->SetQuestion([this](const QModelIndex& from, const QModelIndex& to) {
        return !m_changing || !m_changing(itemFromIndex(from), itemFromIndex(to));
    });
}

void CSensorTree::DescribePortItem(QTreeWidgetItem* item, int port) {
    std::string device = PortStableName(port);
    if (device.empty())
        device = PortDevicePath(port);
    const QString text = QString::fromStdString(device);
    item->setToolTip(0, text);
    item->setData(0, Qt::AccessibleDescriptionRole, text);
}

QTreeWidgetItem* CSensorTree::SelectedItem() const {
    return itemFromIndex(m_gate->SelectedRow());
}

void CSensorTree::RemoveAll() {
    m_gate->ClearUnasked();
    clear();
}

void CSensorTree::OnSelectionChanged(const QItemSelection& selected,
                                     const QItemSelection& deselected) {
    QTreeWidgetItem* to = selected.isEmpty() ? nullptr : itemFromIndex(selected.first().topLeft());
    QTreeWidgetItem* from =
        deselected.isEmpty() ? nullptr : itemFromIndex(deselected.first().topLeft());
    ExpandSingle(from, to);
    if (m_changed)
        m_changed(from, to);
}

void CSensorTree::ExpandSingle(QTreeWidgetItem* from, QTreeWidgetItem* to) {
    for (QTreeWidgetItem* i = from; i; i = i->parent())
        if (!IsSelfOrAncestor(i, to))
            i->setExpanded(false);
    for (QTreeWidgetItem* i = to; i; i = i->parent())
        i->setExpanded(true);
}

void CSensorTree::Fill(CSensorList& sensors) {
    RemoveAll();
    for (CSensor& sensor : sensors) {
        QTreeWidgetItem* portItem = FindPortItem(sensor.GetPort());
        if (!portItem)
            portItem = InsertPortItem(sensor.GetPort());
        if (portItem)
            InsertSensorItem(portItem, sensor);
    }
    if (topLevelItemCount() > 0)
        topLevelItem(0)->setExpanded(true);
}

QTreeWidgetItem* CSensorTree::FindPortItem(int port) const {
    for (int i = 0; i < topLevelItemCount(); ++i)
        if (ItemData(topLevelItem(i)) == quintptr(port))
            return topLevelItem(i);
    return nullptr;
}

QTreeWidgetItem* CSensorTree::InsertPortItem(int port) {
    auto* item = new QTreeWidgetItem(QStringList{FormatText(IDS_TREE_COMPORT, port)});
    item->setData(0, Qt::UserRole, QVariant::fromValue(quintptr(port)));
    DescribePortItem(item, port);
    addTopLevelItem(item);
    return item;
}

QTreeWidgetItem* CSensorTree::InsertSensorItem(QTreeWidgetItem* portItem, CSensor& sensor) {
    auto* item = new QTreeWidgetItem(
        QStringList{FormatText(IDS_TREE_SENSOR, sensor.GetAddress(), sensor.GetModel().c_str())});
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(&sensor)));
    portItem->addChild(item);
    return item;
}

CSensor* CSensorTree::SensorOf(const QTreeWidgetItem* item) {
    const quintptr data = ItemData(item);
    return data > kHighestPort ? reinterpret_cast<CSensor*>(data) : nullptr;
}
