#include "app/dialogs/CCalDlg.h"

#include "app/ControlIds.h"
#include "app/dialogs/DialogControls.h"
#include "app/dialogs/DialogNumber.h"
#include "res/StringTable.h"

#include <QLineEdit>

namespace {

// "Please enter a number between %1 and %2." with the bounds as the edits
// would show them.
std::string RangeMessage(double minimum, double maximum) {
    QString text = QString::fromStdString(LoadString(IDS_ENTER_NUMBER_BETWEEN));
    text.replace("%1", QString::fromStdString(FormatDialogNumber(minimum)));
    text.replace("%2", QString::fromStdString(FormatDialogNumber(maximum)));
    return text.toStdString();
}

} // namespace

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
    if (!Exchange(*m_sizeEdit, kMaxSize, m_size) ||
        !Exchange(*m_voltageEdit, kMaxVoltage, m_voltage))
        return;
    m_point = CCalPoint(m_size, m_voltage);
    QDialog::accept();
}

bool CCalDlg::Exchange(QLineEdit& edit, double maximum, double& value) {
    double converted = 0.0;
    if (!ParseDialogNumber(edit.text().toStdString(), converted)) {
        RefuseEdit(edit, IDS_ENTER_NUMBER, LoadString(IDS_ENTER_NUMBER));
        return false;
    }
    if (converted < kMinValue || converted > maximum) {
        RefuseEdit(edit, IDS_ENTER_NUMBER_BETWEEN, RangeMessage(kMinValue, maximum));
        return false;
    }
    value = converted;
    return true;
}
