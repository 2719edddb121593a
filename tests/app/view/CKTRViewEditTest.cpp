// Size and calibration editing in the main view, through the buttons, with
// the dialogs and message boxes answered by the test.
#include "app/view/ViewEditFixture.h"
#include "app/widgets/CStatusProgressBar.h"
#include "res/StringTable.h"

namespace {

using Sizes = std::vector<double>;
using Points = std::vector<std::pair<double, double>>;
using Texts = std::vector<QString>;
using Ids = std::vector<unsigned>;

const Points kPoints = {{1.0, 300}, {0.3, 100}, {0.5, 150.5}};

using SizeEditTest = ViewEditFixture;

TEST_F(SizeEditTest, WithoutASensorNoButtonDoesAnything) {
    for (const char* button : {"IDC_ADD_SIZE", "IDC_EDIT_SIZE", "IDC_DELETE_SIZE", "IDC_SAVE_SIZES",
                               "IDC_ADD_CAL", "IDC_EDIT_CAL", "IDC_DELETE_CAL", "IDC_SAVE_POINTS"})
        Click(button);
    EXPECT_TRUE(dialogs.Opened().empty());
    EXPECT_TRUE(display.Messages().empty());
    EXPECT_TRUE(Rows("IDC_SIZE_LIST").empty());
    EXPECT_EQ(frame.GetStatusBar().GetMode(), CStatusProgressBar::ModeReady);
}

// The rows ascend at all times while the working copy keeps the order in
// which sizes were read and added, and each row edits and deletes the very
// size it shows.
TEST_F(SizeEditTest, RowsAscendWhileTheWorkingCopyKeepsItsOrder) {
    Select(1, 0, {2.0, 0.5, 1.0}, kPoints);
    EXPECT_EQ(Rows("IDC_SIZE_LIST"), Texts({"0.5", "1.0", "2.0"}));
    dialogs.Script({{{"1.5"}}, {{".25"}}});
    Click("IDC_ADD_SIZE");
    EXPECT_EQ(dialogs.Opened().back().caption, "Add Size");
    EXPECT_EQ(dialogs.Opened().back().edits, QStringList({"0"}));
    EXPECT_TRUE(view->Sizes().IsChanged());
    ASSERT_TRUE(SelectRow("IDC_SIZE_LIST", "2.0"));
    Click("IDC_EDIT_SIZE");
    EXPECT_EQ(dialogs.Opened().back().caption, "Edit Size");
    EXPECT_EQ(Rows("IDC_SIZE_LIST"), Texts({".25", "0.5", "1.0", "1.5"}));
    EXPECT_EQ(WorkingSizes(), Sizes({0.25, 0.5, 1.0, 1.5}));
    ASSERT_TRUE(SelectRow("IDC_SIZE_LIST", "1.0"));
    Click("IDC_DELETE_SIZE");
    EXPECT_EQ(Rows("IDC_SIZE_LIST"), Texts({".25", "0.5", "1.5"}));
    EXPECT_EQ(WorkingSizes(), Sizes({0.25, 0.5, 1.5}));
    // The record is only changed by a save.
    EXPECT_EQ(Values(view->Selection().Current()->GetSizes()), Sizes({2.0, 0.5, 1.0}));
}

TEST_F(SizeEditTest, ThirtyTwoSizesAreAllowedAndTheThirtyThirdIsRefusedBeforeAnyDialog) {
    Sizes sizes;
    for (int i = 1; i <= 31; ++i)
        sizes.push_back(i);
    Select(1, 0, sizes, kPoints);
    dialogs.Script({{{"40"}}, {{"50"}}});
    Click("IDC_ADD_SIZE");
    Click("IDC_ADD_SIZE");
    EXPECT_EQ(dialogs.Opened().size(), 1u);
    EXPECT_EQ(view->Sizes().Working().GetCount(), 32);
    ASSERT_EQ(display.Ids(), Ids({IDS_TOO_MANY_SIZES}));
    EXPECT_EQ(display.Messages()[0].icon, MsgIcon::Warning);
    // Edit and Delete still work at 32.
    ASSERT_TRUE(SelectRow("IDC_SIZE_LIST", "40."));
    Click("IDC_EDIT_SIZE");
    EXPECT_EQ(WorkingSizes().back(), 50.0);
    ASSERT_TRUE(SelectRow("IDC_SIZE_LIST", "50."));
    Click("IDC_DELETE_SIZE");
    EXPECT_EQ(view->Sizes().Working().GetCount(), 31);
}

// Exact comparison: .50 is 0.5, but 0.499 does not block 0.498. Confirming
// a size unchanged finds the size itself. None of it counts as a change.
TEST_F(SizeEditTest, DuplicatesAndUnchangedEditsAreRefusedAndChangeNothing) {
    Select(1, 0, {0.499, 0.5, 1.0}, kPoints);
    ASSERT_TRUE(SelectRow("IDC_SIZE_LIST", "1.0"));
    dialogs.Script({{{"0.5"}}, {{".50"}}, {{"1"}}, {}, {{"1x"}, {".498"}}});
    for (const char* button : {"IDC_ADD_SIZE", "IDC_ADD_SIZE", "IDC_EDIT_SIZE", "IDC_ADD_SIZE"})
        Click(button);
    EXPECT_EQ(display.Ids(), Ids({IDS_SIZE_EXISTS, IDS_SIZE_EXISTS, IDS_SIZE_EXISTS}));
    EXPECT_EQ(display.Messages()[0].icon, MsgIcon::Information);
    EXPECT_EQ(WorkingSizes(), Sizes({0.499, 0.5, 1.0}));
    EXPECT_FALSE(view->Sizes().IsChanged());
    display.Clear();
    Click("IDC_ADD_SIZE");
    EXPECT_EQ(display.Ids(), Ids({IDS_ENTER_NUMBER}));
    EXPECT_EQ(WorkingSizes(), Sizes({0.499, 0.5, 1.0, 0.498}));
}

using CalEditTest = ViewEditFixture;

TEST_F(CalEditTest, RowsAscendBySizeAndShowThreeDecimalsAtMost) {
    Select(1, 0, {0.3}, {{1.0, 300}, {0.1234, 50}, {123.45, 900.5}});
    dialogs.Script({{{"0.5", "100"}}});
    Click("IDC_ADD_CAL");
    EXPECT_EQ(dialogs.Opened().back().edits, QStringList({"0", "0"}));
    EXPECT_EQ(Rows("IDC_CAL_LIST"),
              Texts({"0.123 / 50", "0.5 / 100", "1 / 300", "123.45 / 900.5"}));
    ASSERT_TRUE(SelectRow("IDC_CAL_LIST", "1"));
    Click("IDC_DELETE_CAL");
    EXPECT_EQ(WorkingPoints(), Points({{0.1234, 50}, {123.45, 900.5}, {0.5, 100}}));
    EXPECT_TRUE(view->Cals().IsChanged());
}

// A point is a duplicate when it shares its size or its voltage with
// another point; the edited point itself does not count, so confirming it
// unchanged is accepted and counts as a change.
TEST_F(CalEditTest, SharedSizeOrVoltageIsRefusedExceptWithTheEditedPointItself) {
    Select(1, 0, {0.3}, {{0.3, 100}, {0.5, 100.5}});
    dialogs.Script({{{"0.5", "100"}}, {{"0.3", "120"}}});
    Click("IDC_ADD_CAL");
    Click("IDC_ADD_CAL");
    EXPECT_EQ(display.Ids(), Ids({IDS_CAL_POINT_EXISTS, IDS_CAL_POINT_EXISTS}));
    EXPECT_EQ(display.Messages()[0].icon, MsgIcon::Information);
    EXPECT_FALSE(view->Cals().IsChanged());

    display.Clear();
    ASSERT_TRUE(SelectRow("IDC_CAL_LIST", "0.5"));
    dialogs.Script({{{"0.7", "100"}}, {{"0.5", "150"}}, {{"0.5", "150"}}});
    Click("IDC_EDIT_CAL");
    EXPECT_EQ(display.Ids(), Ids({IDS_CAL_POINT_EXISTS}));
    EXPECT_FALSE(view->Cals().IsChanged());
    Click("IDC_EDIT_CAL");
    EXPECT_EQ(dialogs.Opened().back().edits, QStringList({"0.5", "100.5"}));
    Click("IDC_EDIT_CAL");
    EXPECT_EQ(display.Ids(), Ids({IDS_CAL_POINT_EXISTS}));
    EXPECT_EQ(WorkingPoints(), Points({{0.3, 100}, {0.5, 150}}));
    EXPECT_TRUE(view->Cals().IsChanged());
}

} // namespace
