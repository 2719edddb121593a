#include "app/dialogs/CCalDlg.h"
#include "res/StringTable.h"
#include "support/FakeMessageDisplay.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class CalDlgTest : public testing::Test {
protected:
    CalDlgTest() {
        dialog.show();
        QApplication::processEvents();
        QObject::connect(&dialog, &QDialog::finished, [this] { finished = true; });
    }

    QLineEdit* SizeEdit() { return dialog.findChild<QLineEdit*>("IDC_CAL_SIZE_EDIT"); }
    QLineEdit* VoltageEdit() { return dialog.findChild<QLineEdit*>("IDC_CAL_VOLTAGE_EDIT"); }
    void Enter(const char* size, const char* voltage) {
        display.Clear();
        SizeEdit()->setText(size);
        VoltageEdit()->setText(voltage);
        dialog.findChild<QPushButton*>("IDOK")->click();
    }

    FakeMessageDisplay display;
    CCalDlg dialog;
    bool finished = false;
};

const char* const kRangeText = "Please enter a number between 0.00999999977648258 and 999.";

TEST_F(CalDlgTest, OpensWithThePresetPointInFull) {
    EXPECT_EQ(dialog.windowTitle(), "Add/Edit Cals");
    EXPECT_EQ(SizeEdit()->text(), "0");
    EXPECT_EQ(VoltageEdit()->text(), "0");
    dialog.SetPoint(CCalPoint(0.1234, 150.5));
    EXPECT_EQ(SizeEdit()->text(), "0.1234");
    EXPECT_EQ(VoltageEdit()->text(), "150.5");
    EXPECT_EQ(dialog.windowTitle(), "Add/Edit Cals");
}

// Each value must lie between the single-precision 0.01 and 999, both
// included; the size is checked first and only the first failure is told.
TEST_F(CalDlgTest, RangeBoundsAndTheFirstFailingValue) {
    struct Case {
        const char* size;
        const char* voltage;
        unsigned message; // 0: accepted
        const char* focused;
    };
    const Case cases[] = {
        {"0.005", "100", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_SIZE_EDIT"},
        {"0", "100", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_SIZE_EDIT"},
        {"1000", "100", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_SIZE_EDIT"},
        {"0", "1000", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_SIZE_EDIT"},
        {"abc", "1000", IDS_ENTER_NUMBER, "IDC_CAL_SIZE_EDIT"},
        {"0.5", "999.5", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_VOLTAGE_EDIT"},
        {"0.5", "", IDS_ENTER_NUMBER, "IDC_CAL_VOLTAGE_EDIT"},
        {"0.5", "-3", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_VOLTAGE_EDIT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.size) + " / " + c.voltage);
        Enter(c.size, c.voltage);
        ASSERT_EQ(display.Ids(), std::vector<unsigned>{c.message});
        const auto box = display.Messages().front();
        EXPECT_EQ(box.text, c.message == IDS_ENTER_NUMBER ? "Please enter a number." : kRangeText);
        EXPECT_EQ(box.caption, "KTRSetup");
        EXPECT_EQ(box.icon, MsgIcon::Warning);
        EXPECT_FALSE(finished);
        EXPECT_EQ(dialog.focusWidget()->objectName(), c.focused);
        auto* edit = static_cast<QLineEdit*>(dialog.focusWidget());
        EXPECT_EQ(edit->selectedText(), edit->text());
    }
    EXPECT_EQ(dialog.GetPoint().m_size, 0.0);
    EXPECT_EQ(dialog.GetPoint().m_voltage, 0.0);
}

TEST_F(CalDlgTest, BothBoundsAreAccepted) {
    Enter("0.01", "999");
    EXPECT_TRUE(display.Messages().empty());
    EXPECT_TRUE(finished);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetPoint().m_size, 0.01);
    EXPECT_EQ(dialog.GetPoint().m_voltage, 999.0);
}

TEST_F(CalDlgTest, EscapeKeepsThePresetPoint) {
    dialog.SetPoint(CCalPoint(0.3, 100));
    SizeEdit()->setText("0.7");
    QTest::keyClick(SizeEdit(), Qt::Key_Escape);
    EXPECT_TRUE(finished);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.GetPoint().m_size, 0.3);
}

} // namespace
