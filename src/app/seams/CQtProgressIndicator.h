#pragma once

#include "link/IProgressIndicator.h"

#include <QPointer>

class CProgressCtrl;

// The progress indicator of the desktop program: drives the status bar's
// progress control. A call from another thread is handed to the
// user-interface thread without waiting.
class CQtProgressIndicator : public IProgressIndicator {
public:
    enum class Painting {
        // Every change is painted at once: a transfer on the user-interface
        // thread blocks the event loop until it is over.
        AtOnce,
        // The control paints the changes that show (a step that moves the
        // bar) itself; for callers whose event loop keeps running, such as
        // a scan's reports, which step the bar a thousand times.
        WhenVisible,
    };

    explicit CQtProgressIndicator(CProgressCtrl& control, Painting painting = Painting::AtOnce);

    void SetRange(int lower, int upper) override;
    void SetPos(int pos) override;
    void StepIt() override;

private:
    template <typename Change> void Apply(Change change);

    QPointer<CProgressCtrl> m_control;
    Painting m_painting;
};
