#pragma once

#include <QProgressBar>

// The status bar's progress control: a continuous bar with a range, a
// position and a step. It behaves like a classic progress control rather
// than a busy indicator: an empty range (0 to 0) shows an empty bar, a
// position outside the range is clamped to it, and stepping past the upper
// limit starts again from the lower one.
class CProgressCtrl : public QProgressBar {
    Q_OBJECT

public:
    explicit CProgressCtrl(QWidget* parent = nullptr);

    void SetRange(int lower, int upper);
    void SetPos(int pos);
    void SetStep(int step) { m_step = step; }
    void StepIt();

    int GetLower() const { return minimum(); }
    int GetUpper() const { return maximum(); }
    int GetPos() const { return value(); }
    int GetStep() const { return m_step; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_step = 10;
};
