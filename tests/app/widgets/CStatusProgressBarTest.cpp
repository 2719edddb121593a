#include "app/widgets/CStatusProgressBar.h"
#include "app/seams/CQtProgressIndicator.h"
#include "app/widgets/CProgressCtrl.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QImage>
#include <functional>
#include <gtest/gtest.h>

namespace {

class StatusBarTest : public testing::Test {
protected:
    StatusBarTest() { bar.resize(800, 22); }

    int Width(const QString& text) const {
        return QFontMetrics(bar.font()).horizontalAdvance(text);
    }
    std::vector<int> Rights() const {
        std::vector<int> rights;
        for (int i = 0; i < bar.GetPartCount(); ++i)
            rights.push_back(bar.GetPartRight(i));
        return rights;
    }
    std::vector<QString> Texts() const {
        std::vector<QString> texts;
        for (int i = 0; i < bar.GetPartCount(); ++i)
            texts.push_back(bar.GetPartText(i));
        return texts;
    }
    bool ProgressShown() const { return bar.GetProgressCtrl().isVisibleTo(&bar); }
    QColor IndicatorColour() {
        QImage image = bar.grab().toImage();
        return image.pixelColor(bar.GetPartRect(4).center());
    }
    // Leaves the progress control far from any layout's reset values.
    void DisturbProgress() {
        CProgressCtrl& progress = bar.GetProgressCtrl();
        progress.SetRange(10, 500);
        progress.SetPos(250);
        progress.SetStep(7);
    }
    void ExpectProgress(int lower, int upper) {
        const CProgressCtrl& progress = bar.GetProgressCtrl();
        EXPECT_EQ(progress.GetLower(), lower);
        EXPECT_EQ(progress.GetUpper(), upper);
        EXPECT_EQ(progress.GetPos(), 0);
        EXPECT_EQ(progress.GetStep(), 1);
    }

    CStatusProgressBar bar;
};

TEST_F(StatusBarTest, ReadyIsOnePartAcrossTheBarWithoutProgress) {
    ASSERT_TRUE(bar.ShowScanning());
    DisturbProgress();
    ASSERT_TRUE(bar.ShowReady());
    EXPECT_EQ(bar.GetMode(), CStatusProgressBar::ModeReady);
    EXPECT_EQ(Rights(), std::vector<int>({-1}));
    EXPECT_EQ(Texts(), std::vector<QString>({"Ready"}));
    EXPECT_EQ(bar.GetPartRect(0).right(), bar.width() - 1);
    EXPECT_FALSE(ProgressShown());
    ExpectProgress(0, 100);
}

TEST_F(StatusBarTest, ScanningShowsAnEmptyProgressBarRightOfItsLabel) {
    DisturbProgress();
    ASSERT_TRUE(bar.ShowScanning());
    int wS = Width("Scanning");
    EXPECT_EQ(bar.GetMode(), CStatusProgressBar::ModeScanning);
    EXPECT_EQ(Rights(), std::vector<int>({wS, -1}));
    EXPECT_EQ(Texts(), std::vector<QString>({"Scanning", ""}));
    ASSERT_TRUE(ProgressShown());
    QRect covered = bar.GetProgressCtrl().geometry();
    EXPECT_EQ(covered, bar.GetPartRect(1));
    EXPECT_EQ(covered.left(), wS);
    EXPECT_EQ(covered.right(), bar.width() - 1);
    ExpectProgress(0, 0);
}

TEST_F(StatusBarTest, ProgrammingPacksItsLabelsFromTheLeftEachAsWideAsItsText) {
    DisturbProgress();
    ASSERT_TRUE(bar.ShowProgramming(3, 7));
    EXPECT_EQ(bar.GetMode(), CStatusProgressBar::ModeProgramming);
    std::vector<QString> labels = {"Programming", "Comport: 3", "Device: 7"};
    EXPECT_EQ(Texts(), std::vector<QString>({labels[0], labels[1], labels[2], ""}));
    ASSERT_EQ(bar.GetPartCount(), 4);
    int left = 0;
    for (int i = 0; i < 3; ++i) {
        QRect part = bar.GetPartRect(i);
        EXPECT_EQ(part.left(), left) << i;
        EXPECT_EQ(part.width(), Width(labels[i])) << i;
        left += Width(labels[i]);
    }
    EXPECT_EQ(bar.GetPartRight(3), -1);
    ASSERT_TRUE(ProgressShown());
    EXPECT_EQ(bar.GetProgressCtrl().geometry(), bar.GetPartRect(3));
    EXPECT_EQ(bar.GetProgressCtrl().geometry().left(), left);
    EXPECT_EQ(bar.GetProgressCtrl().geometry().right(), bar.width() - 1);
    ExpectProgress(0, 100);
}

TEST_F(StatusBarTest, FlashingPacksItsLabelsAndAGreyDiscAgainstTheRightEnd) {
    ASSERT_TRUE(bar.ShowProgramming(1, 2));
    DisturbProgress();
    ASSERT_TRUE(bar.ShowFlashing(3, 7));
    int X = bar.width();
    int wF = Width("Flashing"), wC = Width("Comport: 3"), wD = Width("Device: 7");
    EXPECT_EQ(bar.GetMode(), CStatusProgressBar::ModeFlashing);
    EXPECT_EQ(Rights(),
              std::vector<int>({X - 30 - wD - wC - wF, X - 30 - wD - wC, X - 30 - wD, X - 30, X}));
    EXPECT_EQ(Texts(), std::vector<QString>({"Ready", "Flashing", "Comport: 3", "Device: 7", ""}));
    EXPECT_EQ(bar.GetPartRect(4).width(), 30);
    EXPECT_FALSE(ProgressShown());
    ExpectProgress(0, 100);
    ASSERT_TRUE(bar.HasIndicator());
    EXPECT_FALSE(bar.IsIndicatorLit());
    EXPECT_EQ(IndicatorColour(), QColor(128, 128, 128));
}

TEST_F(StatusBarTest, FlashIndicatorTurnsRedAndGreyAgain) {
    ASSERT_TRUE(bar.ShowFlashing(3, 7));
    EXPECT_TRUE(bar.SetFlashIndicator(true));
    EXPECT_TRUE(bar.IsIndicatorLit());
    EXPECT_EQ(IndicatorColour(), QColor(255, 0, 0));
    EXPECT_TRUE(bar.SetFlashIndicator(false));
    EXPECT_EQ(IndicatorColour(), QColor(128, 128, 128));
    // A new flashing layout starts dark.
    bar.SetFlashIndicator(true);
    bar.ShowFlashing(4, 8);
    EXPECT_FALSE(bar.IsIndicatorLit());
}

TEST_F(StatusBarTest, OnlyTheFlashingLayoutHasAnIndicator) {
    for (auto show : {std::function<bool()>([&] { return bar.ShowReady(); }),
                      std::function<bool()>([&] { return bar.ShowScanning(); }),
                      std::function<bool()>([&] { return bar.ShowProgramming(3, 7); })}) {
        ASSERT_TRUE(bar.ShowFlashing(3, 7));
        show();
        EXPECT_FALSE(bar.HasIndicator());
        EXPECT_FALSE(bar.SetFlashIndicator(true));
        EXPECT_FALSE(bar.HasIndicator());
    }
}

// What a screen reader finds in the bar: its role, and the name of each
// visible child (a progress control reads as "progress").
std::vector<QString> ReadAloud(CStatusProgressBar& bar) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&bar);
    EXPECT_EQ(iface->role(), QAccessible::StatusBar);
    std::vector<QString> names;
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (child->state().invisible)
            continue;
        bool progress = child->role() == QAccessible::ProgressBar;
        names.push_back(progress ? "progress" : child->text(QAccessible::Name));
    }
    return names;
}

TEST_F(StatusBarTest, ScreenReadersFindEveryPartsTextAndTheIndicatorsState) {
    bar.show();
    using Names = std::vector<QString>;
    bar.ShowScanning();
    EXPECT_EQ(ReadAloud(bar), Names({"Scanning", "progress"}));
    bar.ShowProgramming(3, 7);
    EXPECT_EQ(ReadAloud(bar), Names({"Programming", "Comport: 3", "Device: 7", "progress"}));
    bar.ShowFlashing(3, 7);
    Names flashing = {"Ready", "Flashing", "Comport: 3", "Device: 7", "Flash indicator: dark"};
    EXPECT_EQ(ReadAloud(bar), flashing);
    bar.SetFlashIndicator(true);
    flashing.back() = "Flash indicator: lit";
    EXPECT_EQ(ReadAloud(bar), flashing);
    bar.ShowReady();
    EXPECT_EQ(ReadAloud(bar), Names({"Ready"}));
}

TEST(ProgressCtrlTest, BehavesLikeAClassicProgressControl) {
    CProgressCtrl progress;
    progress.SetRange(0, 10);
    progress.SetPos(25);
    EXPECT_EQ(progress.GetPos(), 10) << "a position beyond the range is clamped";
    progress.SetPos(-3);
    EXPECT_EQ(progress.GetPos(), 0);
    progress.SetStep(4);
    progress.SetPos(8);
    progress.StepIt();
    EXPECT_EQ(progress.GetPos(), 0) << "stepping past the end starts again";
    progress.SetPos(9);
    progress.SetRange(0, 32);
    EXPECT_EQ(progress.GetPos(), 9) << "raising the limit keeps the position";
}

TEST(QtProgressIndicatorTest, DrivesTheStatusBarsProgressControl) {
    CStatusProgressBar bar;
    bar.ShowProgramming(3, 7);
    CQtProgressIndicator indicator(bar.GetProgressCtrl());
    indicator.SetRange(0, 40);
    indicator.SetPos(5);
    indicator.StepIt();
    indicator.StepIt();
    EXPECT_EQ(bar.GetProgressCtrl().GetUpper(), 40);
    EXPECT_EQ(bar.GetProgressCtrl().GetPos(), 7);
}

} // namespace
