#pragma once

#include "model/CCalPoint.h"

#include <QDialog>

class QLineEdit;

// Add/Edit Cals: the size (micrometres) and the voltage (millivolts) of one
// calibration point. OK checks the size, then the voltage: each must be a
// number between kMinValue and its own upper bound (sizes up to 999 µm,
// voltages up to 99 999 mV, as counters report curves of several thousand
// millivolts), both included. The first value that fails is refused with a
// message naming that field's bounds, and the dialog stays open with the
// focus in its edit and the text selected.
class CCalDlg : public QDialog {
    Q_OBJECT

public:
    // The lower bound is 0.01 as a single-precision value (just below 0.01),
    // so that 0.01 itself is accepted.
    static constexpr double kMinValue = static_cast<double>(0.01f);
    static constexpr double kMaxSize = 999.0;
    static constexpr double kMaxVoltage = 99999.0;

    explicit CCalDlg(QWidget* parent = nullptr);

    // Presets the point (and with it both edits) before the dialog runs.
    void SetPoint(const CCalPoint& point);
    // The point after OK.
    CCalPoint GetPoint() const { return m_point; }

    void accept() override;

private:
    void InitDialog();
    bool Exchange(QLineEdit& edit, double maximum, double& value);

    QLineEdit* m_sizeEdit;
    QLineEdit* m_voltageEdit;
    double m_size = 0.0;
    double m_voltage = 0.0;
    CCalPoint m_point;
};
