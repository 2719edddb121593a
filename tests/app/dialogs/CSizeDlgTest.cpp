#include "app/dialogs/CSizeDlg.h"
#include "app/dialogs/DialogNumber.h"
#include "res/StringTable.h"
#include "support/FakeMessageDisplay.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <clocale>
#include <gtest/gtest.h>
#include <optional>

namespace {

// The conversion of a dialog's text: what is accepted, as which number, and
// what is refused. Texts that reach the edit by pasting may be longer than
// three characters and are converted whole.
TEST(DialogNumberTest, ConvertsOneCompleteDecimalNumberOrRefuses) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"", std::nullopt},
        {"   ", std::nullopt},
        {".0", std::nullopt}, // zero, but not written with the digit 0 first
        {"-0", std::nullopt},
        {"1x", std::nullopt},
        {"1 2", std::nullopt},
        {"1e", std::nullopt},
        {".", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"0x10", std::nullopt},
        {"1,5", std::nullopt},
        {"1e999", std::nullopt}, // too large for a double
        {"0", 0.0},
        {"0.0", 0.0},
        {"0e5", 0.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"+5", 5.0},
        {" \t7\t ", 7.0},
        {"-1", -1.0},
        {"1.25", 1.25},
        {"2.5e1", 25.0},
        // Longer than the 31 characters a fixed buffer would read: the
        // digits at the end still count.
        {"0.000000000000000000000000000001234", 1.234e-30},
        {"100000000000000000000000000000000000000000", 1e41},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(std::string("text: '") + text + "'");
        double value = -42.0;
        EXPECT_EQ(ParseDialogNumber(text, value), expected.has_value());
        EXPECT_EQ(value, expected.value_or(-42.0));
    }
}

TEST(DialogNumberTest, FormatsWithFifteenSignificantDigitsAndAPoint) {
    const std::string previous = setlocale(LC_ALL, nullptr);
    setlocale(LC_ALL, "de_DE.UTF-8");
    EXPECT_EQ(FormatDialogNumber(0.0), "0");
    EXPECT_EQ(FormatDialogNumber(0.3), "0.3");
    EXPECT_EQ(FormatDialogNumber(0.125), "0.125");
    EXPECT_EQ(FormatDialogNumber(150.5), "150.5");
    EXPECT_EQ(FormatDialogNumber(static_cast<double>(0.01f)), "0.00999999977648258");
    setlocale(LC_ALL, previous.c_str());
}

class SizeDlgTest : public testing::Test {
protected:
    SizeDlgTest() {
        dialog.show();
        QApplication::processEvents();
    }

    QLineEdit* Edit() { return dialog.findChild<QLineEdit*>("IDC_SIZE_EDIT"); }
    void PressOk() { dialog.findChild<QPushButton*>("IDOK")->click(); }

    FakeMessageDisplay display;
    CSizeDlg dialog;
};

TEST_F(SizeDlgTest, CaptionAndEditFollowThePresetSize) {
    EXPECT_EQ(dialog.windowTitle(), "Add Size");
    EXPECT_EQ(Edit()->text(), "0");
    dialog.SetSize(0.3);
    EXPECT_EQ(dialog.windowTitle(), "Edit Size");
    EXPECT_EQ(Edit()->text(), "0.3");
    // A size longer than what can be typed is shown in full.
    dialog.SetSize(0.125);
    EXPECT_EQ(Edit()->text(), "0.125");
    dialog.SetSize(0.0);
    EXPECT_EQ(dialog.windowTitle(), "Add Size");
    EXPECT_TRUE(dialog.findChildren<QLabel*>().size() >= 2);
    bool hint = false;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        hint = hint || label->text() == "Three characters Maximum";
    EXPECT_TRUE(hint);
}

TEST_F(SizeDlgTest, TypingStopsAtThreeCharactersButPastingIsTakenWhole) {
    QLineEdit* edit = Edit();
    edit->clear();
    QTest::keyClicks(edit, "1.25");
    EXPECT_EQ(edit->text(), "1.2");
    // A selection is replaced by what is typed.
    edit->selectAll();
    QTest::keyClicks(edit, "7");
    EXPECT_EQ(edit->text(), "7");

    dialog.SetSize(0.125);
    edit->end(false);
    QTest::keyClicks(edit, "5");
    EXPECT_EQ(edit->text(), "0.125");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "0.12");

    edit->clear();
    QApplication::clipboard()->setText("12.75");
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->text(), "12.75");
    PressOk();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetSize(), 12.75);
    EXPECT_TRUE(display.Messages().empty());
}

TEST_F(SizeDlgTest, ANonNumberIsRefusedAndTheDialogStaysOpenWithTheTextSelected) {
    bool finished = false;
    QObject::connect(&dialog, &QDialog::finished, [&finished] { finished = true; });
    dialog.SetSize(2.5);
    for (const char* text : {"", ".0", "1x", "  "}) {
        SCOPED_TRACE(text);
        display.Clear();
        Edit()->setText(text);
        Edit()->deselect();
        PressOk();
        ASSERT_EQ(display.Messages().size(), 1u);
        const auto box = display.Messages().front();
        EXPECT_EQ(box.id, static_cast<unsigned>(IDS_ENTER_NUMBER));
        EXPECT_EQ(box.text, "Please enter a number.");
        EXPECT_EQ(box.caption, "KTRSetup");
        EXPECT_EQ(box.icon, MsgIcon::Warning);
        EXPECT_FALSE(finished);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.focusWidget(), Edit());
        EXPECT_EQ(Edit()->selectedText(), Edit()->text());
        EXPECT_EQ(dialog.GetSize(), 2.5);
    }
    Edit()->setText(" -1 ");
    PressOk();
    EXPECT_TRUE(finished);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetSize(), -1.0);
}

TEST_F(SizeDlgTest, EnterIsOkAndEscapeIsCancel) {
    Edit()->setText("0.5");
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetSize(), 0.5);

    CSizeDlg other;
    other.SetSize(1.0);
    other.show();
    QApplication::processEvents();
    other.findChild<QLineEdit*>("IDC_SIZE_EDIT")->setText("3");
    QTest::keyClick(other.findChild<QLineEdit*>("IDC_SIZE_EDIT"), Qt::Key_Escape);
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(other.result(), QDialog::Rejected);
    EXPECT_EQ(other.GetSize(), 1.0);
}

// Laid out from dialog units: every control inside the dialog, the label
// left of its edit on one line, OK left of Cancel on one line below.
TEST_F(SizeDlgTest, ControlsSitInsideTheDialogInTheirPlaces) {
    const QRect inside = dialog.rect();
    for (QWidget* child : dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(inside.contains(child->geometry())) << child->objectName().toStdString();
    QWidget* ok = dialog.findChild<QPushButton*>("IDOK");
    QWidget* cancel = dialog.findChild<QPushButton*>("IDCANCEL");
    EXPECT_EQ(ok->y(), cancel->y());
    EXPECT_LT(ok->geometry().right(), cancel->x());
    EXPECT_GT(ok->y(), Edit()->geometry().bottom());
    EXPECT_TRUE(dialog.findChild<QPushButton*>("IDOK")->isDefault());
    QLabel* sizeLabel = nullptr;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->text() == "Size:")
            sizeLabel = label;
    ASSERT_NE(sizeLabel, nullptr);
    EXPECT_EQ(sizeLabel->buddy(), Edit());
    EXPECT_LE(sizeLabel->geometry().right(), Edit()->x());
}

} // namespace
