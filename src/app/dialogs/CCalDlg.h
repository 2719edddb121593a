#pragma once

#include "link/TableRules.h"
#include "model/CCalPoint.h"

#include <QDialog>

class QLineEdit;

// Add/Edit Cals: the size (micrometres) and the voltage (millivolts) of one
// calibration point. OK checks the size, then the voltage: each must be a
// number within its range (TableRules: sizes 0.01 to 999 micrometres,
// voltages 0.01 to 99999 millivolts, both bounds included). The first
// value that fails is refused with a message naming its field's bounds, and
// the dialog stays open with the focus in its edit and the text selected.
class CCalDlg : public QDialog {
    Q_OBJECT

public:
    explicit CCalDlg(QWidget* parent = nullptr);

    // Presets the point (and with it both edits) before the dialog runs.
    void SetPoint(const CCalPoint& point);
    // The point after OK.
    CCalPoint GetPoint() const { return m_point; }

    void accept() override;

private:
    void InitDialog();
    bool Exchange(QLineEdit& edit, const TableRules::Range& range, double& value);

    QLineEdit* m_sizeEdit;
    QLineEdit* m_voltageEdit;
    double m_size = 0.0;
    double m_voltage = 0.0;
    CCalPoint m_point;
};
