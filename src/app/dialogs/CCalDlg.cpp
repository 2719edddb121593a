#include "app/dialogs/CCalDlg.h"

#include "app/ControlIds.h"
#include "app/dialogs/DialogControls.h"
#include "app/dialogs/DialogNumber.h"
#include "link/TableRules.h"
#include "res/StringTable.h"

#include <QLineEdit>

CCalDlg::CCalDlg(QWidget* parent)
    : QDialog(parent), m_sizeEdit(new QLineEdit), m_voltageEdit(new QLineEdit) {
    SetUpDialog(*this, "IDD_CAL_DLG", IDD_CAL_DLG, "Add/Edit Cals", 119, 66);
    QLabel* sizeLabel = AddDialogText(*this, "Size:", {23, 8, 16, 8}, Qt::AlignRight);
    PlaceDialogEdit(*this, *m_sizeEdit, "IDC_CAL_SIZE_EDIT", IDC_CAL_SIZE_EDIT, {44, 7, 40, 14},
                    sizeLabel);
    QLabel* voltageLabel = AddDialogText(*this, "Voltage:", {12, 26, 27, 8}, Qt::AlignRight);
    PlaceDialogEdit(*this, *m_voltageEdit, "IDC_CAL_VOLTAGE_EDIT", IDC_CAL_VOLTAGE_EDIT,
                    {43, 24, 40, 14}, voltageLabel);
    AddOkCancel(*this, {7, 46, 50, 14}, {62, 46, 50, 14});
    m_sizeEdit->setFocus();
    InitDialog();
}

void CCalDlg::SetPoint(const CCalPoint& point) {
    m_point = point;
    InitDialog();
}

void CCalDlg::InitDialog() {
    m_size = m_point.m_size;
    m_voltage = m_point.m_voltage;
    m_sizeEdit->setText(QString::fromStdString(FormatDialogNumber(m_size)));
    m_voltageEdit->setText(QString::fromStdString(FormatDialogNumber(m_voltage)));
    m_sizeEdit->selectAll();
}

// The size first, then the voltage; the first refusal ends the check.
void CCalDlg::accept() {
    if (!Exchange(*m_sizeEdit, TableRules::kSizeRange, m_size) ||
        !Exchange(*m_voltageEdit, TableRules::kVoltageRange, m_voltage))
        return;
    m_point = CCalPoint(m_size, m_voltage);
    QDialog::accept();
}

bool CCalDlg::Exchange(QLineEdit& edit, const TableRules::Range& range, double& value) {
    double converted = 0.0;
    if (!ParseDialogNumber(edit.text().toStdString(), converted)) {
        RefuseEdit(edit, IDS_ENTER_NUMBER, LoadString(IDS_ENTER_NUMBER));
        return false;
    }
    const LinkResult inRange = TableRules::CheckRange(converted, range);
    if (!inRange.Ok()) {
        RefuseEdit(edit, inRange.messages.front().id, inRange.messages.front().text);
        return false;
    }
    value = converted;
    return true;
}
