#include "app/view/CTableEditor.h"

#include "app/dialogs/CCalDlg.h"
#include "app/dialogs/CSizeDlg.h"
#include "app/dialogs/IDialogRunner.h"
#include "app/seams/IMessageDisplay.h"
#include "app/seams/ReasonBoxes.h"
#include "app/widgets/ListRows.h"
#include "link/Numbers.h"
#include "link/TableRules.h"
#include "model/CCalCurve.h"
#include "model/CSizeList.h"
#include "res/StringTable.h"

#include <QTreeWidget>

namespace {

// The sort key of a row that holds no position.
constexpr double kNoRowKey = 999.99;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// What differs between the two tables.
template <typename List> struct TableKind;

// A size clashes with any equal size, the edited one included, so
// confirming a size unchanged is refused. A counter takes 32 sizes.
template <> struct TableKind<CSizeList> {
    static constexpr unsigned kExistsId = IDS_SIZE_EXISTS;

    static LinkResult CheckRoom(const CSizeList& sizes) {
        return TableRules::CheckRoomForSize(sizes);
    }
    static bool Exists(const CSizeList& sizes, double size, CSizeList::POSITION /*edited*/) {
        return TableRules::SizeExists(sizes, size);
    }
    static double Key(double size) { return SizeKey(size); }
    static QStringList Texts(double size) { return {Text(FormatSizeField(size))}; }
    static bool Ask(QWidget* parent, double preset, double& size) {
        CSizeDlg dialog(parent);
        dialog.SetSize(preset);
        if (DialogRunner().Run(dialog) != QDialog::Accepted)
            return false;
        size = dialog.GetSize();
        return true;
    }
};

// A point clashes with another that has its size or its voltage; the
// edited point does not count, so confirming it unchanged is accepted.
template <> struct TableKind<CCalCurve> {
    static constexpr unsigned kExistsId = IDS_CAL_POINT_EXISTS;

    static LinkResult CheckRoom(const CCalCurve&) { return {}; } // no limit while editing
    static bool Exists(const CCalCurve& curve, const CCalPoint& point, CCalCurve::POSITION edited) {
        return TableRules::CalPointExists(curve, point, edited);
    }
    static double Key(const CCalPoint& point) { return CalPointKey(point); }
    static QStringList Texts(const CCalPoint& point) {
        return {Text(FormatCalNumber(point.m_size)), Text(FormatCalNumber(point.m_voltage))};
    }
    static bool Ask(QWidget* parent, const CCalPoint& preset, CCalPoint& point) {
        CCalDlg dialog(parent);
        dialog.SetPoint(preset);
        if (DialogRunner().Run(dialog) != QDialog::Accepted)
            return false;
        point = dialog.GetPoint();
        return true;
    }
};

template <typename List> typename List::POSITION Position(quintptr data) {
    return reinterpret_cast<typename List::POSITION>(data);
}

} // namespace

template <typename List> void CTableEditor<List>::Load(const List* table) {
    m_loaded = table != nullptr;
    m_working.RemoveAll();
    if (table)
        m_working.Copy(*table);
    Fill();
    m_changed = false;
}

template <typename List> void CTableEditor<List>::Fill() {
    m_list.clear();
    if (!m_loaded)
        return;
    int row = 0;
    for (auto pos = m_working.GetHeadPosition(); pos; m_working.GetNext(pos))
        AddRow(row++, pos);
    Sort();
}

template <typename List> void CTableEditor<List>::Add() {
    if (!m_loaded)
        return;
    if (ShowRefusal(TableKind<List>::CheckRoom(m_working)))
        return;
    Value value{};
    if (!AskValue(Value{}, nullptr, value))
        return;
    AddRow(m_list.topLevelItemCount(), m_working.AddTail(value));
    Sort();
    m_changed = true;
}

template <typename List> void CTableEditor<List>::Edit() {
    QTreeWidgetItem* row = m_loaded ? SelectedRow(m_list) : nullptr;
    if (!row)
        return;
    const auto pos = Position<List>(RowData(*row));
    Value value{};
    if (!AskValue(m_working.GetAt(pos), pos, value))
        return;
    m_working.GetAt(pos) = value;
    SetRowTexts(*row, value);
    Sort();
    m_changed = true;
}

template <typename List> void CTableEditor<List>::Delete() {
    QTreeWidgetItem* row = m_loaded ? SelectedRow(m_list) : nullptr;
    if (!row)
        return;
    m_working.RemoveAt(Position<List>(RowData(*row)));
    delete row;
    Sort();
    m_changed = true;
}

// Runs the table's dialog; true, with the value, when the user confirmed
// one that no other value clashes with.
template <typename List>
bool CTableEditor<List>::AskValue(const Value& preset, typename List::POSITION edited,
                                  Value& value) {
    if (!TableKind<List>::Ask(m_list.parentWidget(), preset, value))
        return false;
    if (TableKind<List>::Exists(m_working, value, edited)) {
        ShowAppMessage(TableKind<List>::kExistsId, MsgButtons::Ok, MsgIcon::Information);
        return false;
    }
    return true;
}

template <typename List>
QTreeWidgetItem* CTableEditor<List>::AddRow(int index, typename List::POSITION pos) {
    return InsertRow(m_list, index, TableKind<List>::Texts(m_working.GetAt(pos)),
                     reinterpret_cast<quintptr>(pos));
}

template <typename List>
void CTableEditor<List>::SetRowTexts(QTreeWidgetItem& row, const Value& value) {
    const QStringList texts = TableKind<List>::Texts(value);
    for (int column = 0; column < texts.size(); ++column)
        row.setText(column, texts[column]);
}

template <typename List> void CTableEditor<List>::Sort() {
    SortRows(m_list, &CompareRows, reinterpret_cast<quintptr>(this));
}

// Rows compare by the size of the value at their position.
template <typename List>
int CTableEditor<List>::CompareRows(quintptr data1, quintptr data2, quintptr editor) {
    const List& working = reinterpret_cast<const CTableEditor*>(editor)->m_working;
    const auto key = [&](quintptr data) {
        return data ? TableKind<List>::Key(working.GetAt(Position<List>(data))) : kNoRowKey;
    };
    const double a = key(data1), b = key(data2);
    return a < b ? -1 : (a > b ? 1 : 0);
}

template class CTableEditor<CSizeList>;
template class CTableEditor<CCalCurve>;
