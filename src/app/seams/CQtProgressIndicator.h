#pragma once

#include "link/IProgressIndicator.h"

#include <QPointer>

class CProgressCtrl;

// The progress indicator of the desktop program: drives the status bar's
// progress control. Transfers run on the user-interface thread and block
// it, so every change is painted at once rather than when the event loop
// next runs. A call from another thread is handed to the user-interface
// thread without waiting.
class CQtProgressIndicator : public IProgressIndicator {
public:
    explicit CQtProgressIndicator(CProgressCtrl& control);

    void SetRange(int lower, int upper) override;
    void SetPos(int pos) override;
    void StepIt() override;

private:
    template <typename Change> void Apply(Change change);

    QPointer<CProgressCtrl> m_control;
};
