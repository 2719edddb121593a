#include "ViewFixture.h"
#include "app/CKTRApp.h"
#include "app/CMainFrame.h"
#include "app/ControlIds.h"
#include "app/ScriptedDialogRunner.h"
#include "app/seams/CQtMessageDisplay.h"
#include "app/view/CScanController.h"
#include "app/widgets/CSensorTree.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/CSerialPort.h"
#include "link/PortNaming.h"
#include "res/StringTable.h"

#include <QApplication>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::vector<QString> Children(QTreeWidgetItem* item) {
    std::vector<QString> texts;
    for (int i = 0; item && i < item->childCount(); ++i)
        texts.push_back(item->child(i)->text(0));
    return texts;
}

// COM1: two supported counters, one at the last address; COM2: a supported
// and an unsupported one; COM3: none.
class RescanTest : public testing::Test {
protected:
    RescanTest()
        : ports({{1, {Counter(2, "KTR-100"), Counter(31, "KTR-200")}},
                 {2, {Counter(4, "KTR-100"), Counter(9, "OPC-50")}},
                 {3, {}}},
                "KTR-100\nKTR-200\n") {}

    // A sensor of an earlier scan, selected and flashing.
    void SelectEarlierSensor() {
        w.AddSensor(5, 1, "KTR-100");
        w.view->FillTree();
        w.view->Tree().setCurrentItem(w.view->Item("Sensor:01   Model: KTR-100"));
        ASSERT_TRUE(w.view->Selection().IsTimerRunning());
    }

    SimulatedPorts ports;
    ViewWindow w;
};

TEST_F(RescanTest, EndsTheSelectionScansOnceAndShowsWhatItFound) {
    SelectEarlierSensor();
    std::vector<std::string> duringScan;
    w.view->duringScan = [&] {
        CSensorTree& tree = w.view->Tree();
        bool empty = tree.topLevelItemCount() == 0 && !w.view->Selection().Current() &&
                     !w.view->Selection().IsTimerRunning() && w.view->Sizes().Working().IsEmpty() &&
                     w.view->Cals().Working().IsEmpty() &&
                     w.view->findChild<QTreeWidget*>("IDC_SIZE_LIST")->topLevelItemCount() == 0;
        duringScan.push_back(empty ? "empty" : "not empty");
        w.view->OnCommand(IDC_RESCAN); // ignored: this scan holds the ports
    };
    w.view->OnRescan();

    EXPECT_EQ(duringScan, std::vector<std::string>(3, "empty"));
    EXPECT_EQ(w.view->progressUpper, 96);
    EXPECT_EQ(w.view->progressPos, 96) << "full after 96 steps";
    EXPECT_TRUE(w.display.Messages().empty()) << "no port-in-use box from a second scan";
    EXPECT_EQ(w.bar->GetMode(), CStatusProgressBar::ModeReady);
    EXPECT_FALSE(w.view->IsScanning());

    CSensorTree& tree = w.view->Tree();
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_TRUE(tree.topLevelItem(0)->isExpanded());
    EXPECT_FALSE(tree.topLevelItem(1)->isExpanded());
    EXPECT_EQ(tree.SelectedItem(), nullptr);
    QTreeWidgetItem* com1 = w.view->Item("Comport 1");
    QTreeWidgetItem* com2 = w.view->Item("Comport 2");
    EXPECT_EQ(Children(com1),
              std::vector<QString>({"Sensor:02   Model: KTR-100", "Sensor:31   Model: KTR-200"}));
    EXPECT_EQ(Children(com2), std::vector<QString>({"Sensor:04   Model: KTR-100"}));
    EXPECT_EQ(w.doc.GetSensors().size(), 3u);
}

// A port held by another program: its thread shows the warning box once,
// with the port in its caption, and the other ports are scanned as ever.
TEST_F(RescanTest, PortInUseShowsItsBoxOnceAndTheOthersAreScanned) {
    CSerialPort holder;
    ASSERT_EQ(holder.Open(2), PortOpenFailure::None);
    w.view->OnRescan();
    const auto shown = w.display.Messages();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].id, unsigned(IDS_PORT_IN_USE));
    // Its text, then the port and its device (the holder is this very
    // process, which the line does not name).
    EXPECT_EQ(shown[0].text, LoadString(IDS_PORT_IN_USE) + "\nCOM2 (" + PortDevicePath(2) +
                                 "): in use by another program");
    EXPECT_EQ(shown[0].caption, "Unable to open serial port 2");
    EXPECT_EQ(shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(w.view->progressUpper, 64);
    EXPECT_EQ(w.doc.GetSensors().size(), 2u);
}

TEST_F(RescanTest, UnsavedEditsAreAskedAboutFirstAndCancelScansNothing) {
    SelectEarlierSensor();
    w.view->Edit();
    w.display.Script({MsgAnswer::Cancel, MsgAnswer::No});
    w.view->OnRescan();
    EXPECT_EQ(w.display.Ids(), std::vector<unsigned>({IDS_SIZES_CHANGED, IDS_CALS_CHANGED}));
    EXPECT_EQ(w.doc.GetSensors().size(), 1u);
    EXPECT_EQ(w.view->Sizes().Working().GetCount(), 4);
    EXPECT_TRUE(w.view->Sizes().IsChanged());
    EXPECT_NE(w.view->Tree().SelectedItem(), nullptr);
    EXPECT_EQ(w.bar->GetMode(), CStatusProgressBar::ModeFlashing);

    w.display.Script({MsgAnswer::No, MsgAnswer::No});
    w.view->OnRescan();
    EXPECT_EQ(w.doc.GetSensors().size(), 3u);
    EXPECT_FALSE(w.view->Sizes().IsChanged());
}

TEST(RescanWithoutPortsTest, LeavesAnEmptyTreeAndReady) {
    ScriptedDialogRunner dialogs;
    ViewWindow w;
    w.view->OnRescan();
    ASSERT_EQ(dialogs.Opened().size(), 1u) << "the scan report, by itself";
    EXPECT_EQ(dialogs.Opened()[0].caption, "Scan report");
    EXPECT_EQ(w.view->Tree().topLevelItemCount(), 0);
    EXPECT_EQ(w.view->progressUpper, 0);
    EXPECT_EQ(w.bar->GetMode(), CStatusProgressBar::ModeReady);
    EXPECT_TRUE(w.display.Messages().empty());
}

TEST(ScanControllerTest, EndingAScanAnswersTheBoxesItsThreadsWaitForAndJoinsAtOnce) {
    SimulatedPorts ports({{1, {}}}, "");
    CSerialPort other;
    ASSERT_EQ(other.Open(1), PortOpenFailure::None);
    CQtMessageDisplay display;
    SetMessageDisplay(&display);
    QObject view;
    auto scan = std::make_unique<CScanController>(&view);
    scan->Start({1});
    // The thread finds COM1 in use and waits for its box; this thread does
    // not run its event loop, so the box cannot be shown.
    std::this_thread::sleep_for(300ms);
    const Clock::time_point start = Clock::now();
    scan.reset();
    EXPECT_LT(Clock::now() - start, 1s);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "no box left behind";
    SetMessageDisplay(nullptr);
}

} // namespace
