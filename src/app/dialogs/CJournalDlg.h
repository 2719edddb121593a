#pragma once

#include "link/CJournal.h"

#include <QDialog>

#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

// File > "Programming journal...": the programmings recorded in the
// journal, newest first, one row each (time, com port, address, model,
// table, state), a note on damaged lines that were skipped, and "Restore",
// which asks before it puts the selected entry's earlier table back.
class CJournalDlg : public QDialog {
    Q_OBJECT

public:
    // Puts the entry's earlier table back into its counter, saying itself
    // why not when it cannot; true when the counter took it.
    using Restorer = std::function<bool(const JournalEntry&)>;

    CJournalDlg(const CJournal& journal, Restorer restore, QWidget* parent = nullptr);

    // Reads the journal again and refills the list.
    void Reload();

private:
    void OnRestore();
    const JournalEntry* Selected() const;

    const CJournal& m_journal;
    Restorer m_restore;
    std::vector<JournalEntry> m_entries; // newest first, as the rows
    QTreeWidget* m_list;
    QLabel* m_note;
    QPushButton* m_restoreButton;
};
