#include "app/dialogs/CCalDlg.h"
#include "app/FakeMessageDisplay.h"
#include "res/StringTable.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// A size must lie between the single-precision 0.01 and 999 µm, a voltage
// between the same lower bound and 99 999 mV, all included; the size is
// checked first and only the first failure is told, naming the bounds of its
// own field, with the focus in its edit and the text selected.
TEST(CalDlgTest, RangeBoundsAndTheFirstFailingValue) {
    struct Case {
        const char* size;
        const char* voltage;
        unsigned message; // 0: accepted
        const char* focused;
        double upper; // the upper bound the range message names
    };
    const Case cases[] = {
        {"0.01", "0.01", 0, "", 0},
        {"999", "1500", 0, "", 0},
        {"999", "99999", 0, "", 0},
        {"0.005", "100", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_SIZE_EDIT", 999},
        {"0", "100000", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_SIZE_EDIT", 999},
        {"1000", "100", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_SIZE_EDIT", 999},
        {"abc", "100000", IDS_ENTER_NUMBER, "IDC_CAL_SIZE_EDIT", 0},
        {"0.5", "99999.5", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_VOLTAGE_EDIT", 99999},
        {"0.5", "0.005", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_VOLTAGE_EDIT", 99999},
        {"0.5", "", IDS_ENTER_NUMBER, "IDC_CAL_VOLTAGE_EDIT", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.size) + " / " + c.voltage);
        FakeMessageDisplay display;
        CCalDlg dialog;
        dialog.show();
        dialog.findChild<QLineEdit*>("IDC_CAL_SIZE_EDIT")->setText(c.size);
        dialog.findChild<QLineEdit*>("IDC_CAL_VOLTAGE_EDIT")->setText(c.voltage);
        dialog.findChild<QPushButton*>("IDOK")->click();
        if (c.message == 0) {
            EXPECT_TRUE(display.Messages().empty());
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(dialog.GetPoint().m_size, std::stod(c.size));
            EXPECT_EQ(dialog.GetPoint().m_voltage, std::stod(c.voltage));
            continue;
        }
        ASSERT_EQ(display.Ids(), std::vector<unsigned>{c.message});
        EXPECT_EQ(display.Messages()[0].text,
                  c.message == IDS_ENTER_NUMBER
                      ? "Please enter a number."
                      : "Please enter a number between 0.00999999977648258 and " +
                            std::to_string(int(c.upper)) + ".");
        EXPECT_TRUE(dialog.isVisible());
        auto* edit = qobject_cast<QLineEdit*>(dialog.focusWidget());
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->objectName(), c.focused);
        EXPECT_EQ(edit->selectedText(), edit->text());
        EXPECT_EQ(dialog.GetPoint().m_size, 0.0);
    }
}

} // namespace
