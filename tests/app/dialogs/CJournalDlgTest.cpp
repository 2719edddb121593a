#include "app/dialogs/CJournalDlg.h"
#include "res/StringTable.h"
#include "app/FakeMessageDisplay.h"

#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

class JournalDlgTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/ktr-journaldlg-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    // Two programmings of COM3 address 7, the second failed, and a line
    // that is not a record.
    CJournal Journal() {
        const CJournal journal(m_dir + "/journal.jsonl");
        std::string error;
        for (double size : {1.0, 2.0}) {
            JournalRecord record;
            record.program = "ktrsetup";
            record.port = 3;
            record.address = 7;
            record.model = "KTR-100";
            record.before.sizes.AddTail(size);
            record.after.sizes.AddTail(size + 1);
            EXPECT_TRUE(journal.RecordStart(record, error)) << error;
            EXPECT_TRUE(journal.RecordOutcome(record.id,
                                              size == 1.0 ? JournalState::Done
                                                          : JournalState::Failed,
                                              "no echo", error));
        }
        std::ofstream(journal.Path(), std::ios::app) << "garbage\n";
        return journal;
    }

    std::string m_dir;
};

// Newest first; every cell is a text a screen reader gets.
TEST_F(JournalDlgTest, ListsEntriesNewestFirstAndNamesSkippedLines) {
    const CJournal journal = Journal();
    CJournalDlg dialog(journal, [](const JournalEntry&) { return true; });
    dialog.show();

    auto* list = dialog.findChild<QTreeWidget*>("IDC_JOURNAL_LIST");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    const QStringList columns = {"Time (UTC)", "Com port", "Address", "Model", "Table", "State"};
    for (int column = 0; column < 6; ++column)
        EXPECT_EQ(list->headerItem()->text(column), columns[column]);
    EXPECT_EQ(list->topLevelItem(0)->text(5), "failed");
    EXPECT_EQ(list->topLevelItem(1)->text(5), "done");
    EXPECT_EQ(list->topLevelItem(1)->text(1), "Comport 3");
    EXPECT_EQ(list->topLevelItem(1)->text(4), "sizes");
    EXPECT_EQ(dialog.findChild<QLabel*>("IDC_JOURNAL_NOTE")->text(),
              "Damaged lines of the journal were skipped: line 5 (not JSON)");
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->text(QAccessible::Name), "Programming journal");
    EXPECT_FALSE(dialog.findChild<QPushButton*>("IDC_RESTORE")->isEnabled());
}

// Restore asks first; only Yes puts the selected entry's table back.
TEST_F(JournalDlgTest, RestoreAsksAndHandsOverTheSelectedEntry) {
    const CJournal journal = Journal();
    std::vector<JournalEntry> restored;
    CJournalDlg dialog(journal, [&](const JournalEntry& entry) {
        restored.push_back(entry);
        return true;
    });
    dialog.show();
    auto* list = dialog.findChild<QTreeWidget*>("IDC_JOURNAL_LIST");
    auto* restore = dialog.findChild<QPushButton*>("IDC_RESTORE");
    FakeMessageDisplay display;
    display.Script({MsgAnswer::No, MsgAnswer::Yes});

    list->setCurrentItem(list->topLevelItem(1));
    ASSERT_TRUE(restore->isEnabled());
    restore->click();
    list->setCurrentItem(list->topLevelItem(1));
    restore->click();

    ASSERT_EQ(display.Ids(), (std::vector<unsigned>{IDS_RESTORE_ASK, IDS_RESTORE_ASK}));
    EXPECT_NE(display.Messages()[0].text.find("Comport 3, Device 7 with the sizes"),
              std::string::npos)
        << display.Messages()[0].text;
    EXPECT_NE(display.Messages()[0].text.find("Sizes: 1.0"), std::string::npos);
    ASSERT_EQ(restored.size(), 1u);
    EXPECT_EQ(restored[0].state, JournalState::Done);
    EXPECT_EQ(restored[0].start.before.sizes.GetAt(restored[0].start.before.sizes.GetHeadPosition()), 1.0);
}

} // namespace
