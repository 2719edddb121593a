#include "app/dialogs/CCalDlg.h"
#include "res/StringTable.h"
#include "app/FakeMessageDisplay.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// Each value must lie between the single-precision 0.01 and 999, both
// included; the size is checked first and only the first failure is told,
// with the focus in its edit and the text selected.
TEST(CalDlgTest, RangeBoundsAndTheFirstFailingValue) {
    struct Case {
        const char* size;
        const char* voltage;
        unsigned message; // 0: accepted
        const char* focused;
    };
    const Case cases[] = {
        {"0.01", "99999", 0, ""},
        {"0.005", "100", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_SIZE_EDIT"},
        {"0", "1000", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_SIZE_EDIT"},
        {"1000", "100", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_SIZE_EDIT"},
        {"abc", "1000", IDS_ENTER_NUMBER, "IDC_CAL_SIZE_EDIT"},
        {"0.5", "99999.5", IDS_ENTER_NUMBER_BETWEEN, "IDC_CAL_VOLTAGE_EDIT"},
        {"0.5", "", IDS_ENTER_NUMBER, "IDC_CAL_VOLTAGE_EDIT"},
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
            EXPECT_EQ(dialog.GetPoint().m_size, 0.01);
            EXPECT_EQ(dialog.GetPoint().m_voltage, 99999.0);
            continue;
        }
        ASSERT_EQ(display.Ids(), std::vector<unsigned>{c.message});
        // The range message names the bounds of the field that failed.
        const bool voltage = std::string(c.focused) == "IDC_CAL_VOLTAGE_EDIT";
        EXPECT_EQ(display.Messages()[0].text,
                  c.message == IDS_ENTER_NUMBER ? "Please enter a number."
                  : voltage ? "Please enter a number between 0.00999999977648258 and 99999."
                            : "Please enter a number between 0.00999999977648258 and 999.");
        EXPECT_TRUE(dialog.isVisible());
        auto* edit = qobject_cast<QLineEdit*>(dialog.focusWidget());
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->objectName(), c.focused);
        EXPECT_EQ(edit->selectedText(), edit->text());
        EXPECT_EQ(dialog.GetPoint().m_size, 0.0);
    }
}

} // namespace
