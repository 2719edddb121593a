#include "ViewFixture.h"
#include "app/widgets/CSensorTree.h"
#include "app/widgets/CStatusProgressBar.h"
#include "link/CSerialPort.h"
#include "res/StringTable.h"
#include "sim/SimTranscriptEntry.h"

#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

const QString kSensor2 = "Sensor:02   Model: KTR-100";
const QString kSensor14 = "Sensor:14   Model: KTR-200";
const QString kSensor5 = "Sensor:05   Model: KTR-100";

std::set<QString> Rows(QTreeWidget* list) {
    std::set<QString> rows;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        rows.insert(list->topLevelItem(i)->text(0) + "|" + list->topLevelItem(i)->text(1));
    return rows;
}

// Sensors as a scan that heard port 3 first and then port 1 leaves them.
class TreeTest : public testing::Test {
protected:
    TreeTest() {
        w.AddSensor(3, 5, "KTR-100");
        w.AddSensor(1, 2, "KTR-100");
        w.AddSensor(1, 14, "KTR-200");
        w.view->FillTree();
    }
    void Select(const QString& text) { w.view->Tree().setCurrentItem(w.view->Item(text)); }
    QTreeWidget* List(const char* name) { return w.view->findChild<QTreeWidget*>(name); }

    ViewWindow w;
};

TEST_F(TreeTest, PortsInOrderOfFirstArrivalOnlyTheFirstExpandedNothingSelected) {
    CSensorTree& tree = w.view->Tree();
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_EQ(tree.topLevelItem(0)->text(0), "Comport 3");
    EXPECT_EQ(tree.topLevelItem(1)->text(0), "Comport 1");
    EXPECT_TRUE(tree.topLevelItem(0)->isExpanded());
    EXPECT_FALSE(tree.topLevelItem(1)->isExpanded());
    EXPECT_EQ(tree.topLevelItem(0)->child(0)->text(0), kSensor5);
    ASSERT_EQ(tree.topLevelItem(1)->childCount(), 2);
    EXPECT_EQ(tree.topLevelItem(1)->child(0)->text(0), kSensor2);
    EXPECT_EQ(tree.topLevelItem(1)->child(1)->text(0), kSensor14);
    EXPECT_EQ(tree.SelectedItem(), nullptr);
    EXPECT_EQ(w.view->Selection().Current(), nullptr);

    w.doc.GetSensors().clear();
    w.view->FillTree();
    EXPECT_EQ(tree.topLevelItemCount(), 0);
}

TEST_F(TreeTest, SelectingASensorLoadsItAndAPortItemEndsTheSelection) {
    Select(kSensor14);
    const CSensor& record = w.doc.GetSensors().back();
    EXPECT_EQ(w.view->Selection().Current(), &record);
    EXPECT_EQ(w.view->Sizes().Working().GetCount(), 3);
    EXPECT_EQ(w.view->Cals().Working().GetCount(), 3);
    EXPECT_EQ(Rows(List("IDC_SIZE_LIST")).size(), 3u);
    EXPECT_TRUE(Rows(List("IDC_CAL_LIST")).count("0.5|150.5"));
    EXPECT_EQ(w.bar->GetMode(), CStatusProgressBar::ModeFlashing);
    EXPECT_EQ(w.bar->GetPartText(2), "Comport: 1");
    EXPECT_EQ(w.bar->GetPartText(3), "Device: 14");
    EXPECT_TRUE(w.view->Selection().IsTimerRunning());

    Select("Comport 3");
    EXPECT_EQ(w.view->Selection().Current(), nullptr);
    EXPECT_FALSE(w.view->Selection().IsTimerRunning());
    EXPECT_EQ(List("IDC_SIZE_LIST")->topLevelItemCount(), 0);
    EXPECT_EQ(List("IDC_CAL_LIST")->topLevelItemCount(), 0);
    EXPECT_EQ(w.bar->GetMode(), CStatusProgressBar::ModeReady);
    EXPECT_FALSE(w.view->Sizes().IsChanged() || w.view->Cals().IsChanged());
}

// Leaving a sensor whose sizes and calibration were both edited.
struct LeaveCase {
    const char* name;
    bool edited;
    std::vector<MsgAnswer> answers;
    std::deque<bool> sizeSaves, pointSaves;
    std::vector<std::string> shown; // "S", "C": the two questions
    bool leaves;
};

TEST_F(TreeTest, LeavingEditedTablesAsksAboutSizesThenCalibration) {
    const LeaveCase cases[] = {
        {"no edits", false, {}, {}, {}, {}, true},
        {"No, No", true, {MsgAnswer::No, MsgAnswer::No}, {}, {}, {"S", "C"}, true},
        {"Cancel, No", true, {MsgAnswer::Cancel, MsgAnswer::No}, {}, {}, {"S", "C"}, false},
        {"No, Cancel", true, {MsgAnswer::No, MsgAnswer::Cancel}, {}, {}, {"S", "C"}, false},
        {"Yes saved, Yes saved",
         true,
         {MsgAnswer::Yes, MsgAnswer::Ok, MsgAnswer::Yes, MsgAnswer::Ok},
         {true},
         {true},
         {"S", "Saving Sizes", "C", "Saving Cals"},
         true},
        {"Yes failed, No",
         true,
         {MsgAnswer::Yes, MsgAnswer::Ok, MsgAnswer::No},
         {false},
         {},
         {"S", "Saving Sizes", "C"},
         false},
        {"No, Yes failed",
         true,
         {MsgAnswer::No, MsgAnswer::Yes, MsgAnswer::Ok},
         {},
         {false},
         {"S", "C", "Saving Cals"},
         false},
    };
    const std::string sizesQuestion = LoadString(IDS_SIZES_CHANGED);
    const std::string calsQuestion = LoadString(IDS_CALS_CHANGED);
    for (const LeaveCase& c : cases) {
        SCOPED_TRACE(c.name);
        w.display.Script({MsgAnswer::No, MsgAnswer::No}); // drops the last case's edits
        Select("Comport 1");
        Select(kSensor2);
        if (c.edited)
            w.view->Edit();
        w.display.Clear();
        w.display.Script(c.answers);
        w.view->sizeSaves = c.sizeSaves;
        w.view->pointSaves = c.pointSaves;
        Select(kSensor14);
        std::vector<std::string> shown;
        for (const std::string& text : w.MessageTexts())
            shown.push_back(text == sizesQuestion ? "S" : text == calsQuestion ? "C" : text);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(w.view->Tree().SelectedItem()->text(0), c.leaves ? kSensor14 : kSensor2);
        // Kept: the edits and the flash timer; the record is never touched.
        EXPECT_EQ(w.view->Sizes().Working().GetCount(), c.leaves ? 3 : 4);
        EXPECT_EQ(w.view->Cals().IsChanged(), !c.leaves);
        EXPECT_TRUE(w.view->Selection().IsTimerRunning());
        EXPECT_EQ(w.doc.GetSensors().back().GetSizes().GetCount(), 3);
    }
}

// The bytes a flash tick sends to the counter at address 2: address byte,
// the flash text, release byte.
std::vector<uint8_t> FlashBytes(bool on) {
    const std::string bytes = std::string("\x82") + (on ? "o0001\r\n" : "o0000\r\n") + "\xBF";
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

class FlashTest : public TreeTest {
protected:
    FlashTest() : ports({{1, {Counter(2, "KTR-100")}}}, "KTR-100\n") {}
    size_t Sent() { return ports.Port(1).BytesToCounter().size(); }

    SimulatedPorts ports;
};

TEST_F(FlashTest, TicksSwitchTheFlashOnAndOffEveryHalfSecond) {
    const int64_t selectedNs = SimMonotonicNs();
    Select(kSensor2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.bar->IsIndicatorLit(); }, 5000));
    ports.Port(1).WaitForBytesToCounter(9, 2000); // the release byte has no echo
    EXPECT_EQ(ports.Port(1).BytesToCounter(), FlashBytes(true));
    EXPECT_GE(ports.Port(1).Transcript().front().ns - selectedNs, 500'000'000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Sent() >= 17; }, 5000));
    ports.Port(1).WaitForBytesToCounter(18, 2000);
    EXPECT_FALSE(w.bar->IsIndicatorLit());
    std::vector<uint8_t> sent = ports.Port(1).BytesToCounter();
    ASSERT_EQ(sent.size(), 18u);
    EXPECT_EQ(std::vector<uint8_t>(sent.begin() + 9, sent.end()), FlashBytes(false));
}

TEST_F(FlashTest, NothingIsSentWhileASaveIsBusyOrForAnotherTimer) {
    Select(kSensor2);
    CSelection& selection = w.view->Selection();
    selection.OnTimer(selection.startTimer(60000)); // not the flash timer
    EXPECT_EQ(Sent(), 0u);
    w.view->Selection().SetPaused(true);
    QTest::qWait(1200);
    EXPECT_EQ(Sent(), 0u);
    EXPECT_FALSE(w.bar->IsIndicatorLit());
    w.view->Selection().SetPaused(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Sent() > 0; }, 5000));
}

// Stands for a user who looks at each box for a while: the box runs an
// event loop, as a real one does, and later boxes would stack on it.
class SlowUser : public IMessageDisplay {
public:
    SlowUser() { SetMessageDisplay(this); }
    ~SlowUser() override { SetMessageDisplay(nullptr); }
    MsgAnswer Show(unsigned, const std::string&, const std::string&, MsgButtons, MsgIcon) override {
        ++shown;
        maxOpen = std::max(maxOpen, ++open);
        if (whileOpen)
            whileOpen();
        QEventLoop loop;
        QTimer::singleShot(1300, &loop, &QEventLoop::quit);
        loop.exec();
        --open;
        return MsgAnswer::Ok;
    }
    int shown = 0, open = 0, maxOpen = 0;
    std::function<void()> whileOpen;
};

TEST_F(FlashTest, APortInUseShowsOneBoxAndNothingIsSentWhileItIsOpen) {
    CSerialPort other;
    ASSERT_EQ(other.Open(1), PortOpenFailure::None);
    SlowUser user;
    size_t sentWhileOpen = 1;
    user.whileOpen = [&] {
        other.Close(); // the port is free again while the box is up
        QTimer::singleShot(1250, [&] { sentWhileOpen = Sent(); });
    };
    Select(kSensor2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return user.shown > 0 && user.open == 0; }, 5000));
    EXPECT_EQ(user.maxOpen, 1);
    EXPECT_EQ(sentWhileOpen, 0u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Sent() > 0; }, 5000));
}

} // namespace
