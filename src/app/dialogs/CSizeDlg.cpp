#include "app/dialogs/CSizeDlg.h"

#include "app/ControlIds.h"
#include "app/dialogs/DialogControls.h"
#include "app/dialogs/DialogNumber.h"
#include "app/widgets/CTypingLimitEdit.h"
#include "res/StringTable.h"

namespace {

QString Text(unsigned id) {
    return QString::fromStdString(LoadString(id));
}

} // namespace

CSizeDlg::CSizeDlg(QWidget* parent) : QDialog(parent), m_edit(new CTypingLimitEdit(kTypingLimit)) {
    SetUpDialog(*this, "IDD_SIZE_DLG", IDD_SIZE_DLG, "Add/Edit Size", 124, 63);
    QLabel* label = AddDialogText(*this, "Size:", {34, 20, 16, 8}, Qt::AlignRight);
    PlaceDialogEdit(*this, *m_edit, "IDC_SIZE_EDIT", IDC_SIZE_EDIT, {53, 19, 40, 14}, label);
    AddOkCancel(*this, {7, 42, 50, 14}, {67, 42, 50, 14});
    AddDialogText(*this, "Three characters Maximum", {16, 7, 91, 8});
    m_edit->setFocus();
    InitDialog();
}

void CSizeDlg::SetSize(double size) {
    m_size = size;
    InitDialog();
}

// The edit shows the size in full, however long; the caption says whether a
// size is added or edited.
void CSizeDlg::InitDialog() {
    m_edit->setText(QString::fromStdString(FormatDialogNumber(m_size)));
    m_edit->selectAll();
    setWindowTitle(Text(m_size == 0.0 ? IDS_ADD_SIZE_CAPTION : IDS_EDIT_SIZE_CAPTION));
}

void CSizeDlg::accept() {
    double size = 0.0;
    if (!ParseDialogNumber(m_edit->text().toStdString(), size)) {
        RefuseEdit(*m_edit, IDS_ENTER_NUMBER, LoadString(IDS_ENTER_NUMBER));
        return;
    }
    m_size = size;
    QDialog::accept();
}
