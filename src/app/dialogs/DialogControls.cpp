#include "app/dialogs/DialogControls.h"

#include "app/ControlIds.h"
#include "app/dialogs/DialogUnits.h"
#include "app/seams/IMessageDisplay.h"
#include "res/StringTable.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <limits>

namespace {

QRect Pixels(const QDialog& dialog, QRect dlu) {
    return DluToPixels(dialog.font(), dlu.x(), dlu.y(), dlu.width(), dlu.height());
}

QPushButton* AddButton(QDialog& dialog, const char* text, const char* name, int id, QRect dlu) {
    auto* button = new QPushButton(text, &dialog);
    button->setObjectName(name);
    button->setProperty(kCtrlIdProperty, id);
    button->setGeometry(Pixels(dialog, dlu));
    return button;
}

// Dialog units fit the text to the font they were drawn with; a wider font
// would cut the end of a text off. The rectangle grows away from its aligned
// side as far as the text needs, but never past the dialog's edge.
QRect WideEnoughFor(const QLabel& label, QRect rect, int dialogWidth) {
    const int needed = label.fontMetrics().horizontalAdvance(label.text());
    if (needed <= rect.width())
        return rect;
    if (label.alignment() & Qt::AlignRight)
        rect.setLeft(std::max(0, rect.right() + 1 - needed));
    else
        rect.setWidth(std::min(needed, dialogWidth - rect.left()));
    return rect;
}

} // namespace

void SetUpDialog(QDialog& dialog, const char* name, int id, const QString& caption, int width,
                 int height) {
    dialog.setObjectName(name);
    dialog.setProperty(kCtrlIdProperty, id);
    dialog.setWindowTitle(caption);
    dialog.setModal(true);
    dialog.setFixedSize(DluToPixels(dialog.font(), 0, 0, width, height).size());
}

QLabel* AddDialogText(QDialog& dialog, const QString& text, QRect dlu, Qt::Alignment alignment) {
    auto* label = new QLabel(text, &dialog);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setGeometry(WideEnoughFor(*label, Pixels(dialog, dlu), dialog.width()));
    return label;
}

void PlaceDialogEdit(QDialog& dialog, QLineEdit& edit, const char* name, int id, QRect dlu,
                     QLabel* label) {
    edit.setParent(&dialog);
    edit.setObjectName(name);
    edit.setProperty(kCtrlIdProperty, id);
    edit.setFrame(true);
    // Nothing that reaches the edit is cut, however long.
    edit.setMaxLength(std::numeric_limits<int>::max());
    edit.setGeometry(Pixels(dialog, dlu));
    if (label)
        label->setBuddy(&edit);
}

void AddOkCancel(QDialog& dialog, QRect okDlu, QRect cancelDlu) {
    QPushButton* ok = AddButton(dialog, "OK", "IDOK", IDOK, okDlu);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QPushButton* cancel = AddButton(dialog, "Cancel", "IDCANCEL", IDCANCEL, cancelDlu);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
}

void RefuseEdit(QLineEdit& edit, unsigned id, const std::string& text) {
    MessageDisplay().Show(id, text, LoadString(IDS_APP_NAME), MsgButtons::Ok, MsgIcon::Warning);
    edit.setFocus(Qt::OtherFocusReason);
    edit.selectAll();
}
