// Saving sizes and calibration points from the main view to a simulated
// counter.
#include "app/view/ViewEditFixture.h"
#include "app/widgets/CProgressCtrl.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/CCounterLink.h"
#include "link/CSerialPort.h"
#include "res/StringTable.h"
#include "sim/CSimNetwork.h"

#include <QApplication>
#include <QTest>
#include <QTimerEvent>

namespace {

using Sizes = std::vector<double>;
using Points = std::vector<std::pair<double, double>>;
using Ids = std::vector<unsigned>;

constexpr int kCom = 7;
constexpr int kAddress = 3;
const Sizes kCounterSizes = {0.3, 0.5};
const Points kCounterPoints = {{0.3, 100}, {0.5, 150.5}, {1, 400}};

class ViewSaveTest : public ViewEditFixture {
protected:
    ViewSaveTest() : line(net.AddPort(kCom)) {
        qputenv("KTRSETUP_PORT_DIR", QByteArray::fromStdString(net.PortDir()));
        counter = &line.AddCounter(Ktr100(kAddress, kCounterSizes, kCounterPoints));
    }
    ~ViewSaveTest() override { qunsetenv("KTRSETUP_PORT_DIR"); }

    // The bytes the program sent, as text.
    std::string Sent() const {
        std::vector<uint8_t> bytes = line.BytesToCounter();
        return std::string(bytes.begin(), bytes.end());
    }

    CSimNetwork net;
    CSimPort& line;
    CSimCounter* counter = nullptr;
};

// Sizes go out ascending; afterwards the counter, the record and the working
// copy agree, the flag is clear and the status bar is back to Flashing.
TEST_F(ViewSaveTest, SavedSizesGoOutAscendingAndAllThreeCopiesAgree) {
    CSensor& sensor = Select(kCom, kAddress, {2.0, 0.5}, kCounterPoints);
    dialogs.Script({{{"1"}}});
    Click("IDC_ADD_SIZE");
    ASSERT_EQ(WorkingSizes(), Sizes({2.0, 0.5, 1.0}));
    Click("IDC_SAVE_SIZES");
    EXPECT_TRUE(display.Messages().empty());
    EXPECT_NE(Sent().find("P 0.5 1.0 2.0 C/S "), std::string::npos) << Sent();
    EXPECT_EQ(counter->GetSizes(), Sizes({0.5, 1.0, 2.0}));
    EXPECT_EQ(counter->RejectedLines(), 0);
    EXPECT_EQ(Values(sensor.GetSizes()), Sizes({0.5, 1.0, 2.0}));
    EXPECT_EQ(WorkingSizes(), Sizes({0.5, 1.0, 2.0}));
    EXPECT_FALSE(view->Sizes().IsChanged());
    EXPECT_EQ(frame.GetStatusBar().GetMode(), CStatusProgressBar::ModeFlashing);

    // Saving again unchanged programs the counter again.
    Click("IDC_SAVE_SIZES");
    EXPECT_EQ(counter->SizesProgrammed(), 2);
    EXPECT_FALSE(view->Sizes().IsChanged());
}

// After a save the lists show what the counter holds: sizes as their
// 3-character fields, calibration values with 3 decimals.
TEST_F(ViewSaveTest, AfterASaveTheListsShowTheValuesAsTheCounterHoldsThem) {
    Select(kCom, kAddress, {1.234, 15.5}, {{0.1234, 100.0004}, {0.5, 150.5}, {1, 400}});
    Click("IDC_SAVE_SIZES");
    Click("IDC_SAVE_POINTS");
    EXPECT_TRUE(display.Messages().empty());
    EXPECT_EQ(WorkingSizes(), Sizes({1.2, 15.0}));
    EXPECT_EQ(counter->GetSizes(), Sizes({1.2, 15.0}));
    EXPECT_EQ(Rows("IDC_SIZE_LIST"), std::vector<QString>({"1.2", "15."}));
    EXPECT_EQ(WorkingPoints(), Points({{0.123, 100}, {0.5, 150.5}, {1, 400}}));
    EXPECT_EQ(counter->GetPoints(), WorkingPoints());
    EXPECT_EQ(Rows("IDC_CAL_LIST"),
              std::vector<QString>({"0.123 / 100", "0.5 / 150.5", "1 / 400"}));
}

// A curve of several thousand millivolts: a 1500 mV point is edited and
// kept, saved, and read back from the counter unchanged.
TEST_F(ViewSaveTest, APointAbove999MillivoltsIsKeptSavedAndReadBackUnchanged) {
    const Points curve = {{0.3, 100}, {0.5, 150.5}, {2, 1500}};
    counter->SetPoints(curve);
    Select(kCom, kAddress, kCounterSizes, curve);
    EXPECT_EQ(Rows("IDC_CAL_LIST").back(), "2 / 1500");
    ASSERT_TRUE(SelectRow("IDC_CAL_LIST", "2"));
    dialogs.Script({{QStringList()}, {{"2.5", "2000.25"}}});
    Click("IDC_EDIT_CAL"); // opened on 1500 and confirmed as it stands
    EXPECT_EQ(dialogs.Opened().back().edits, QStringList({"2", "1500"}));
    EXPECT_TRUE(display.Messages().empty());
    EXPECT_EQ(WorkingPoints(), curve);
    Click("IDC_ADD_CAL");
    Click("IDC_SAVE_POINTS");
    EXPECT_TRUE(display.Messages().empty());
    const Points saved = {{0.3, 100}, {0.5, 150.5}, {2, 1500}, {2.5, 2000.25}};
    EXPECT_EQ(counter->GetPoints(), saved);
    EXPECT_EQ(WorkingPoints(), saved);
    EXPECT_EQ(Rows("IDC_CAL_LIST").back(), "2.5 / 2000.25");

    CSerialPort serial;
    ASSERT_EQ(serial.Open(kCom), PortOpenFailure::None);
    CSensor readBack;
    readBack.SetPort(kCom);
    readBack.SetAddress(kAddress);
    CCounterLink link(&serial);
    ASSERT_TRUE(link.ReadCalibration(readBack).Ok());
    EXPECT_EQ(Values(readBack.GetCalCurve()), saved);
}

// A counter that stops echoing: three attempts, then the warning that the
// counter did not take the table; edits and flag are kept.
TEST_F(ViewSaveTest, ATransferThatFailsKeepsTheEditsAndTellsTheUser) {
    SimFaults faults;
    faults.echoStopsAfter = 6;
    counter->SetFaults(faults);
    CSensor& sensor = Select(kCom, kAddress, kCounterSizes, kCounterPoints);
    dialogs.Script({{{"0.1"}}, {{"2", "500"}}});
    Click("IDC_ADD_SIZE");
    Click("IDC_ADD_CAL");

    Click("IDC_SAVE_SIZES");
    ASSERT_EQ(display.Ids(), Ids({IDS_SIZES_NOT_TAKEN}));
    EXPECT_EQ(display.Messages()[0].icon, MsgIcon::Warning);
    EXPECT_EQ(WorkingSizes(), Sizes({0.1, 0.3, 0.5}));
    EXPECT_TRUE(view->Sizes().IsChanged());
    EXPECT_EQ(Values(sensor.GetSizes()), kCounterSizes);

    display.Clear();
    Click("IDC_SAVE_POINTS");
    ASSERT_EQ(display.Ids(), Ids({IDS_CALS_NOT_TAKEN}));
    EXPECT_EQ(WorkingPoints().back(), std::make_pair(2.0, 500.0));
    EXPECT_TRUE(view->Cals().IsChanged());
    EXPECT_EQ(Values(sensor.GetCalCurve()), kCounterPoints);
    EXPECT_EQ(counter->GetPoints(), kCounterPoints);

    // Once the counter answers again, the same save goes through.
    counter->SetFaults(SimFaults());
    display.Clear();
    Click("IDC_SAVE_SIZES");
    EXPECT_TRUE(display.Messages().empty());
    EXPECT_EQ(counter->GetSizes(), Sizes({0.1, 0.3, 0.5}));
}

// A port that no longer exists is silent in the serial port, so the save
// says so; a port in use has its own box and gets no second one.
TEST_F(ViewSaveTest, APortThatDoesNotOpenIsToldOnce) {
    Select(9, kAddress, kCounterSizes, kCounterPoints);
    Click("IDC_SAVE_SIZES");
    EXPECT_EQ(display.Ids(), Ids({IDS_SIZES_NOT_TAKEN}));

    display.Clear();
    Select(kCom, kAddress, kCounterSizes, kCounterPoints);
    CSerialPort holder;
    ASSERT_EQ(holder.Open(kCom), PortOpenFailure::None);
    Click("IDC_SAVE_POINTS");
    EXPECT_EQ(display.Ids(), Ids({IDS_PORT_IN_USE}));
    EXPECT_EQ(frame.GetStatusBar().GetMode(), CStatusProgressBar::ModeFlashing);
}

// A table that breaks the counter's rules shows the rule's message only and
// sends nothing; the working copy is sorted and the rows still edit the
// value they show.
TEST_F(ViewSaveTest, ARefusedTableSendsNothingAndKeepsTheRowsInStep) {
    Select(kCom, kAddress, {2.0, 0.5, 0.5}, {{0.5, 150}, {0.3, 100}});
    dialogs.Script({{{"3"}}});
    Click("IDC_ADD_SIZE");
    Click("IDC_SAVE_SIZES");
    Click("IDC_SAVE_POINTS");
    EXPECT_EQ(display.Ids(), Ids({IDS_SIZES_NOT_ASCENDING, IDS_NEED_THREE_POINTS}));
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(view->Sizes().IsChanged());
    EXPECT_EQ(WorkingSizes(), Sizes({0.5, 0.5, 2.0, 3.0}));
    EXPECT_EQ(WorkingPoints(), Points({{0.3, 100}, {0.5, 150}}));

    ASSERT_TRUE(SelectRow("IDC_SIZE_LIST", "2.0"));
    dialogs.Script({{{"2.5"}}});
    Click("IDC_EDIT_SIZE");
    EXPECT_EQ(WorkingSizes(), Sizes({0.5, 0.5, 2.5, 3.0}));
    ASSERT_TRUE(SelectRow("IDC_CAL_LIST", "0.3"));
    Click("IDC_DELETE_CAL");
    EXPECT_EQ(WorkingPoints(), Points({{0.5, 150}}));
}

// The Programming layout shows the port and address, and its progress bar
// runs from 0 to the length of the text, one step per byte, painted at each
// step while the transfer blocks the event loop.
TEST_F(ViewSaveTest, TheProgressBarStepsOncePerByteAndIsPaintedAsItGoes) {
    Select(kCom, kAddress, {0.3, 0.5, 1.0}, kCounterPoints);
    CStatusProgressBar& bar = frame.GetStatusBar();
    CProgressCtrl& progress = bar.GetProgressCtrl();
    std::vector<int> positions;
    std::vector<int> uppers;
    QStringList parts;
    QObject::connect(&progress, &QProgressBar::valueChanged, [&](int value) {
        if (bar.GetMode() != CStatusProgressBar::ModeProgramming)
            return;
        positions.push_back(value);
        uppers.push_back(progress.GetUpper());
        if (parts.isEmpty())
            parts << bar.GetPartText(0) << bar.GetPartText(1) << bar.GetPartText(2);
    });
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } counterOfPaints;
    progress.installEventFilter(&counterOfPaints);

    Click("IDC_SAVE_SIZES");
    progress.removeEventFilter(&counterOfPaints);
    // " 0.3 0.5 1.0 C/S 000213" is 23 bytes.
    std::vector<int> expected;
    for (int i = 1; i <= 23; ++i)
        expected.push_back(i);
    EXPECT_EQ(positions, expected);
    EXPECT_EQ(uppers, std::vector<int>(23, 23));
    EXPECT_EQ(parts, QStringList({"Programming", "Comport: 7", "Device: 3"}));
    EXPECT_GE(counterOfPaints.paints, 23);
}

// While a validation message of a save is open, the save holds the port and
// the flash timer must leave the line alone.
TEST_F(ViewSaveTest, TheFlashTimerSendsNothingWhileASaveShowsItsMessage) {
    Select(kCom, kAddress, kCounterSizes, {{0.3, 100}, {0.5, 150.5}});
    bool busy = false;
    size_t sentBefore = 0;
    size_t sentAfter = 0;
    display.onShow = [&](unsigned) {
        busy = view->Selection().IsPaused();
        sentBefore = line.BytesToCounter().size();
        for (int tick = 0; tick < 3; ++tick) {
            QTimerEvent flashTick(view->Selection().TimerId());
            QApplication::sendEvent(&view->Selection(), &flashTick);
        }
        QTest::qWait(1100);
        sentAfter = line.BytesToCounter().size();
    };
    Click("IDC_SAVE_POINTS");
    EXPECT_EQ(display.Ids(), Ids({IDS_NEED_THREE_POINTS}));
    EXPECT_TRUE(busy);
    EXPECT_EQ(sentAfter, sentBefore);
    EXPECT_FALSE(view->Selection().IsPaused());
}

} // namespace
