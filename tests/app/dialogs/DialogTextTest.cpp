#include "app/dialogs/CCalDlg.h"
#include "app/dialogs/CSizeDlg.h"

#include <QApplication>
#include <QLabel>
#include <gtest/gtest.h>

namespace {

// The dialogs are laid out in dialog units drawn for a narrower font than
// the desktop's; every text must still show whole, inside the dialog.
void ExpectEveryTextWhole(const QDialog& dialog) {
    const auto labels = dialog.findChildren<QLabel*>();
    ASSERT_FALSE(labels.isEmpty());
    for (const QLabel* label : labels) {
        SCOPED_TRACE(label->text().toStdString());
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
        EXPECT_TRUE(dialog.rect().contains(label->geometry()));
    }
}

TEST(DialogTextTest, EveryTextShowsWholeInsideItsDialog) {
    const QFont original = QApplication::font();
    for (double pointSize : {8.0, 9.0, 11.0}) {
        SCOPED_TRACE(pointSize);
        QFont font = QApplication::font();
        font.setPointSizeF(pointSize);
        QApplication::setFont(font);
        ExpectEveryTextWhole(CSizeDlg());
        ExpectEveryTextWhole(CCalDlg());
    }
    QApplication::setFont(original);
}

} // namespace
