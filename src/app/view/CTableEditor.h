#pragma once

#include <QtGlobal>
#include <type_traits>
#include <utility>

class QTreeWidget;
class QTreeWidgetItem;

// One of the two tables the view edits: the working copy of the current
// sensor's channel sizes (CSizeList) or calibration curve (CCalCurve), the
// list control that shows it, and the flag that says whether it was edited
// since it was loaded or last saved.
//
// The rows always ascend by size, while the working copy keeps the order in
// which values were loaded and added until a save sorts it; each row holds
// the position of its value in the working copy. Add, Edit and Delete work
// on the working copy only, through the table's dialog, and refuse with a
// message what the table's rules refuse (a 33rd size; a size, or a point's
// size or voltage, that another value already has). With no sensor loaded
// they do nothing and the list stays empty.
template <typename List> class CTableEditor {
public:
    explicit CTableEditor(QTreeWidget& list) : m_list(list) {}

    // Copies the table (null: no sensor) into the working copy, refills the
    // list and clears the changed flag.
    void Load(const List* table);
    // Rebuilds the rows from the working copy.
    void Fill();

    void Add();
    void Edit();
    void Delete();

    List& Working() { return m_working; }
    const List& Working() const { return m_working; }
    bool IsChanged() const { return m_changed; }
    void SetChanged(bool changed) { m_changed = changed; }

private:
    using Value = std::remove_cvref_t<decltype(std::declval<List&>().GetAt(nullptr))>;

    bool AskValue(const Value& preset, typename List::POSITION edited, Value& value);
    QTreeWidgetItem* AddRow(int index, typename List::POSITION pos);
    void SetRowTexts(QTreeWidgetItem& row, const Value& value);
    void Sort();
    static int CompareRows(quintptr data1, quintptr data2, quintptr editor);

    QTreeWidget& m_list;
    List m_working;
    bool m_loaded = false;
    bool m_changed = false;
};
