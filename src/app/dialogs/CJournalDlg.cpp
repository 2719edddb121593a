#include "app/dialogs/CJournalDlg.h"

#include "app/ControlIds.h"
#include "app/dialogs/DialogControls.h"
#include "app/dialogs/DialogUnits.h"
#include "app/seams/IMessageDisplay.h"
#include "link/Numbers.h"
#include "res/StringTable.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdio>

namespace {

QString Text(unsigned id) {
    return QString::fromStdString(LoadString(id));
}

// The values of a table, as the lists of the window show them.
std::string ValuesText(const JournalRecord& record, const JournalValues& values) {
    std::string text;
    if (record.table == JournalTable::Sizes) {
        for (auto pos = values.sizes.GetHeadPosition(); pos;)
            text += (text.empty() ? "" : " ") + FormatSizeField(values.sizes.GetNext(pos));
        return "Sizes: " + text;
    }
    for (auto pos = values.curve.GetHeadPosition(); pos;) {
        const CCalPoint& point = values.curve.GetNext(pos);
        text += (text.empty() ? "" : ", ") + FormatCalNumber(point.m_size) + " µ " +
                FormatCalNumber(point.m_voltage) + " mV";
    }
    return "Calibration points: " + text;
}

QStringList Row(const JournalEntry& entry) {
    const JournalRecord& start = entry.start;
    return {QString::fromStdString(start.time), QString("Comport %1").arg(start.port),
            QString::number(start.address), QString::fromStdString(start.model),
            JournalTableName(start.table), JournalStateName(entry.state)};
}

// "line 3 (not JSON), line 9 (...)".
std::string SkippedText(const std::vector<JournalWarning>& warnings) {
    std::string text;
    for (const JournalWarning& warning : warnings)
        text += (text.empty() ? "" : ", ") + std::string("line ") +
                std::to_string(warning.line) + " (" + warning.what + ")";
    return text;
}

std::string Format(unsigned id, const std::string& a, const std::string& b) {
    char text[2048];
    std::snprintf(text, sizeof text, LoadString(id).c_str(), a.c_str(), b.c_str());
    return text;
}

} // namespace

CJournalDlg::CJournalDlg(const CJournal& journal, Restorer restore, QWidget* parent)
    : QDialog(parent), m_journal(journal), m_restore(std::move(restore)),
      m_list(new QTreeWidget(this)), m_note(AddDialogText(*this, "", {7, 162, 316, 16})),
      m_restoreButton(new QPushButton(Text(IDS_JOURNAL_RESTORE), this)) {
    SetUpDialog(*this, "IDD_JOURNAL_DLG", IDD_JOURNAL_DLG, Text(IDS_JOURNAL_TITLE), 330, 204);
    const QFont& f = font();
    m_list->setObjectName("IDC_JOURNAL_LIST");
    m_list->setProperty(kCtrlIdProperty, IDC_JOURNAL_LIST);
    m_list->setAccessibleName(Text(IDS_JOURNAL_TITLE));
    m_list->setGeometry(DluToPixels(f, 7, 7, 316, 152));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHeaderLabels(Text(IDS_JOURNAL_COLUMNS).split('\n'));
    m_list->header()->setStretchLastSection(true);
    m_note->setObjectName("IDC_JOURNAL_NOTE");
    m_note->setProperty(kCtrlIdProperty, IDC_JOURNAL_NOTE);
    m_note->setWordWrap(true);
    m_restoreButton->setObjectName("IDC_RESTORE");
    m_restoreButton->setProperty(kCtrlIdProperty, IDC_RESTORE);
    m_restoreButton->setGeometry(DluToPixels(f, 219, 183, 50, 14));
    auto* close = new QPushButton(Text(IDS_JOURNAL_CLOSE), this);
    close->setObjectName("IDCANCEL");
    close->setProperty(kCtrlIdProperty, IDCANCEL);
    close->setGeometry(DluToPixels(f, 273, 183, 50, 14));
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_restoreButton, &QPushButton::clicked, this, &CJournalDlg::OnRestore);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_restoreButton->setEnabled(Selected() != nullptr); });
    Reload();
}

void CJournalDlg::Reload() {
    const JournalContents contents = m_journal.Read();
    m_entries.assign(contents.entries.rbegin(), contents.entries.rend());
    m_list->clear();
    for (const JournalEntry& entry : m_entries)
        m_list->addTopLevelItem(new QTreeWidgetItem(Row(entry)));
    for (int column = 0; column + 1 < m_list->columnCount(); ++column)
        m_list->resizeColumnToContents(column);
    std::string note;
    if (!contents.error.empty())
        note = Format(IDS_JOURNAL_UNREADABLE, m_journal.Path(), contents.error);
    else if (!contents.warnings.empty())
        note = Format(IDS_JOURNAL_SKIPPED, SkippedText(contents.warnings), "");
    m_note->setText(QString::fromStdString(note));
    m_restoreButton->setEnabled(false);
}

const JournalEntry* CJournalDlg::Selected() const {
    const int row = m_list->indexOfTopLevelItem(m_list->currentItem());
    const bool chosen = row >= 0 && m_list->currentItem()->isSelected();
    return chosen && size_t(row) < m_entries.size() ? &m_entries[size_t(row)] : nullptr;
}

// Asks before anything is sent; the restore is itself a programming, so
// the list is read again afterwards.
void CJournalDlg::OnRestore() {
    const JournalEntry* entry = Selected();
    if (!entry)
        return;
    const JournalRecord& start = entry->start;
    char question[4096];
    std::snprintf(question, sizeof question, LoadString(IDS_RESTORE_ASK).c_str(), start.port,
                  start.address, JournalTableName(start.table), start.time.c_str(),
                  ValuesText(start, start.before).c_str());
    if (MessageDisplay().Show(IDS_RESTORE_ASK, question, LoadString(IDS_APP_NAME),
                              MsgButtons::YesNoCancel, MsgIcon::Question) != MsgAnswer::Yes)
        return;
    const JournalEntry chosen = *entry;
    m_restore(chosen);
    Reload();
}
