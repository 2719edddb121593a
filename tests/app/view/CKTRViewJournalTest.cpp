// The window's saves in the programming journal, a journal that cannot be
// written, and File > "Programming journal..." putting a table back.
#include "app/view/ViewEditFixture.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/CJournal.h"
#include "res/StringTable.h"
#include "sim/CSimNetwork.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

using Sizes = std::vector<double>;
using Ids = std::vector<unsigned>;

constexpr int kCom = 7;
constexpr int kAddress = 3;
const Sizes kCounterSizes = {0.3, 0.5};
const std::vector<std::pair<double, double>> kCounterPoints = {{0.3, 100}, {0.5, 150.5}, {1, 400}};

// Points the journal and the com ports at folders of the test's own before
// the view is made.
struct JournalFolder {
    JournalFolder() : saved(qgetenv("KTRSETUP_JOURNAL")), savedPorts(qgetenv("KTRSETUP_PORT_DIR")) {
        qputenv("KTRSETUP_JOURNAL", (dir.path() + "/journal.jsonl").toLocal8Bit());
        qputenv("KTRSETUP_PORT_DIR", QByteArray::fromStdString(net.PortDir()));
    }
    ~JournalFolder() {
        qputenv("KTRSETUP_JOURNAL", saved);
        qputenv("KTRSETUP_PORT_DIR", savedPorts);
    }
    QByteArray saved;
    QByteArray savedPorts;
    QTemporaryDir dir;
    CSimNetwork net;
};

// Answers the journal dialog: selects the row of the oldest entry and
// clicks Restore.
class RestoreOldest : public IDialogRunner {
public:
    RestoreOldest() : m_previous(&DialogRunner()) { SetDialogRunner(this); }
    ~RestoreOldest() override { SetDialogRunner(m_previous); }
    int Run(QDialog& dialog) override {
        auto* list = dialog.findChild<QTreeWidget*>("IDC_JOURNAL_LIST");
        rows = list->topLevelItemCount();
        list->setCurrentItem(list->topLevelItem(rows - 1));
        dialog.findChild<QPushButton*>("IDC_RESTORE")->click();
        return QDialog::Rejected;
    }
    int rows = 0;

private:
    IDialogRunner* m_previous;
};

class ViewJournalTest : public JournalFolder, public ViewEditFixture {
protected:
    ViewJournalTest() : line(net.AddPort(kCom)) {
        counter = &line.AddCounter(Ktr100(kAddress, kCounterSizes, kCounterPoints));
    }

    std::vector<JournalEntry> Entries() const { return CJournal().Read().entries; }
    void OpenJournal() {
        for (QAction* top : frame.menuBar()->actions())
            for (QAction* action : top->menu()->actions())
                if (action->text() == "Programming &journal...")
                    action->trigger();
    }

    CSimPort& line;
    CSimCounter* counter = nullptr;
};

TEST_F(ViewJournalTest, SavesAreJournalledWithTheTableReplacedAndTheTableSent) {
    Select(kCom, kAddress, kCounterSizes, kCounterPoints);
    dialogs.Script({{{"15.5"}}});
    Click("IDC_ADD_SIZE");
    Click("IDC_SAVE_SIZES");
    SimFaults faults;
    faults.echoStopsAfter = 6;
    counter->SetFaults(faults);
    Click("IDC_SAVE_POINTS");

    const std::vector<JournalEntry> entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].state, JournalState::Done);
    EXPECT_EQ(entries[0].start.program, "ktrsetup");
    EXPECT_EQ(entries[0].start.port, kCom);
    EXPECT_EQ(entries[0].start.address, kAddress);
    EXPECT_EQ(Values(entries[0].start.before.sizes), kCounterSizes);
    EXPECT_EQ(Values(entries[0].start.after.sizes), Sizes({0.3, 0.5, 15}));
    EXPECT_EQ(entries[1].state, JournalState::Failed);
    EXPECT_EQ(entries[1].reason, "no echo at byte 6 of the calibration text (3 attempts)");
    EXPECT_EQ(counter->GetPoints(), kCounterPoints);
}

// No: nothing is sent and the edits stay; Yes: programmed without a record.
TEST_F(ViewJournalTest, AnUnwritableJournalAsksBeforeAnythingIsSent) {
    ASSERT_TRUE(QDir(dir.path()).mkdir("journal.jsonl")); // a folder in the way
    Select(kCom, kAddress, kCounterSizes, kCounterPoints);
    dialogs.Script({{{"2"}}});
    Click("IDC_ADD_SIZE");
    display.Script({MsgAnswer::No, MsgAnswer::Yes});

    Click("IDC_SAVE_SIZES");
    const bool sentAfterNo = !line.BytesToCounter().empty();
    const bool keptAfterNo = view->Sizes().IsChanged();
    Click("IDC_SAVE_SIZES");

    ASSERT_EQ(display.Ids(), Ids({IDS_JOURNAL_NOT_WRITABLE, IDS_JOURNAL_NOT_WRITABLE}));
    EXPECT_NE(display.Messages()[0].text.find("(Is a directory)"), std::string::npos)
        << display.Messages()[0].text;
    EXPECT_FALSE(sentAfterNo);
    EXPECT_TRUE(keptAfterNo);
    EXPECT_EQ(counter->GetSizes(), Sizes({0.3, 0.5, 2.0}));
}

// Restore asks, programs the earlier table through the saver, shows it in
// the selected counter's list, and is journalled itself; a counter of
// another model at the entry's place gets nothing.
TEST_F(ViewJournalTest, RestoreFromTheJournalPutsTheEarlierTableBack) {
    CSensor& sensor = Select(kCom, kAddress, kCounterSizes, kCounterPoints);
    dialogs.Script({{{"7"}}});
    Click("IDC_ADD_SIZE");
    Click("IDC_SAVE_SIZES");
    ASSERT_EQ(counter->GetSizes(), Sizes({0.3, 0.5, 7}));
    display.Script({MsgAnswer::Yes});
    {
        RestoreOldest runner;
        OpenJournal();
        EXPECT_EQ(runner.rows, 1);
    }
    EXPECT_EQ(display.Ids(), Ids({IDS_RESTORE_ASK}));
    EXPECT_EQ(counter->GetSizes(), kCounterSizes);
    EXPECT_EQ(WorkingSizes(), kCounterSizes);
    const std::vector<JournalEntry> entries = Entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(Values(entries[1].start.before.sizes), Sizes({0.3, 0.5, 7}));
    EXPECT_EQ(entries[1].state, JournalState::Done);

    sensor.SetModel("KTR-200");
    display.Clear();
    display.Script({MsgAnswer::Yes});
    const size_t sent = line.BytesToCounter().size();
    RestoreOldest runner;
    OpenJournal();
    EXPECT_EQ(display.Ids(), Ids({IDS_RESTORE_ASK, IDS_RESTORE_OTHER_MODEL}));
    EXPECT_EQ(line.BytesToCounter().size(), sent);

    // With no counter selected the status bar goes back to Ready.
    sensor.SetModel("KTR-100");
    view->LoadSensor(nullptr);
    display.Script({MsgAnswer::Yes});
    OpenJournal();
    EXPECT_GT(line.BytesToCounter().size(), sent);
    EXPECT_EQ(frame.GetStatusBar().GetMode(), CStatusProgressBar::ModeReady);
}

} // namespace
