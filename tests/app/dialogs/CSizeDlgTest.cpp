#include "app/dialogs/CSizeDlg.h"
#include "app/dialogs/DialogNumber.h"
#include "res/StringTable.h"
#include "app/FakeMessageDisplay.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

namespace {

// What a dialog's text converts to, or nullopt for a refusal. Pasted texts
// may be longer than three characters and are converted whole.
TEST(DialogNumberTest, ConvertsOneCompleteDecimalNumberOrRefuses) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"", std::nullopt},
        {".0", std::nullopt},
        {"-0", std::nullopt},
        {"1x", std::nullopt},
        {"1 2", std::nullopt},
        {"1e", std::nullopt},
        {"inf", std::nullopt},
        {"0x10", std::nullopt},
        {"1,5", std::nullopt},
        {"1e999", std::nullopt},
        {"0", 0.0},
        {"0e5", 0.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"+5", 5.0},
        {" \t7\t ", 7.0},
        {"-1", -1.0},
        {"2.5e1", 25.0},
        // Beyond the 31 characters a fixed buffer would read.
        {"0.000000000000000000000000000001234", 1.234e-30},
    };
    for (const auto& [text, expected] : cases) {
        double value = -42.0;
        EXPECT_EQ(ParseDialogNumber(text, value), expected.has_value()) << text;
        EXPECT_EQ(value, expected.value_or(-42.0)) << text;
    }
}

class SizeDlgTest : public testing::Test {
protected:
    SizeDlgTest() {
        dialog.show();
        QObject::connect(&dialog, &QDialog::finished, [this] { finished = true; });
    }
    QLineEdit* Edit() { return dialog.findChild<QLineEdit*>("IDC_SIZE_EDIT"); }

    FakeMessageDisplay display;
    CSizeDlg dialog;
    bool finished = false;
};

TEST_F(SizeDlgTest, TypingStopsAtThreeCharactersButPastingIsTakenWhole) {
    Edit()->clear();
    QTest::keyClicks(Edit(), "1.25");
    EXPECT_EQ(Edit()->text(), "1.2");
    dialog.SetSize(0.125); // shown in full, and no longer by typing
    QTest::keyClicks(Edit(), "5");
    EXPECT_EQ(Edit()->text(), "5");
    Edit()->setText("0.125");
    QTest::keyClick(Edit(), Qt::Key_End);
    QTest::keyClicks(Edit(), "5");
    EXPECT_EQ(Edit()->text(), "0.125");

    // However long: the exponent at the end still counts.
    Edit()->setText(QString(40000, '0') + "1e5");
    EXPECT_EQ(Edit()->text().size(), 40003);
    Edit()->clear();
    QApplication::clipboard()->setText("12.75");
    QTest::keyClick(Edit(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(Edit(), Qt::Key_Return);
    EXPECT_TRUE(finished);
    EXPECT_EQ(dialog.GetSize(), 12.75);
}

TEST_F(SizeDlgTest, ANonNumberIsToldAndTheDialogStaysOpenWithTheTextSelected) {
    dialog.SetSize(2.5);
    Edit()->setText(".0");
    Edit()->deselect();
    dialog.findChild<QPushButton*>("IDOK")->click();
    ASSERT_EQ(display.Ids(), std::vector<unsigned>{IDS_ENTER_NUMBER});
    const auto box = display.Messages().front();
    EXPECT_EQ(box.text, "Please enter a number.");
    EXPECT_EQ(box.caption, "KTRSetup");
    EXPECT_EQ(box.icon, MsgIcon::Warning);
    EXPECT_FALSE(finished);
    EXPECT_EQ(dialog.focusWidget(), Edit());
    EXPECT_EQ(Edit()->selectedText(), ".0");
    EXPECT_EQ(dialog.GetSize(), 2.5);
}

} // namespace
