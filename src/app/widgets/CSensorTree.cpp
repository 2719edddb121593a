#include "app/widgets/CSensorTree.h"

#include "app/widgets/CTreeSelectionGate.h"
#include "link/PortNaming.h"

#include <QHeaderView>
#include <QStyle>
#include <QStyleFactory>

namespace {

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
