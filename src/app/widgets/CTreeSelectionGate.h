#pragma once

#include <QItemSelectionModel>
#include <functional>

// Selection model of a single-selection tree that asks before the selected
// row changes. Every change of the selection, whether by mouse, keyboard or
// program, passes through select(); the question is asked there, before
// anything has changed, with the old row still selected. When the answer
// refuses the change, the selection stays as it was and the current index
// (the keyboard focus) goes back to the selected row.
class CTreeSelectionGate : public QItemSelectionModel {
    Q_OBJECT

public:
    // Given the selected row and the row that would be selected (either may
    // be invalid), returns true to let the change go ahead.
    using Question = std::function<bool(const QModelIndex& from, const QModelIndex& to)>;

    CTreeSelectionGate(QAbstractItemModel* model, QObject* parent);

    void SetQuestion(Question question) { m_question = std::move(question); }
    // Ends the selection without asking; the change is reported as usual.
    void ClearUnasked();
    // Column 0 of the selected row, or an invalid index.
    QModelIndex SelectedRow() const;

    using QItemSelectionModel::select;
    void select(const QItemSelection& selection,
                QItemSelectionModel::SelectionFlags command) override;

private:
    QModelIndex RowAfter(const QItemSelection& selection,
                         QItemSelectionModel::SelectionFlags command) const;
    void KeepCurrentAt(const QModelIndex& row);

    Question m_question;
    bool m_asking = false;
    bool m_unasked = false;
};
