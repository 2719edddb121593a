#include "app/seams/CQtProgressIndicator.h"

#include "app/widgets/CProgressCtrl.h"

#include <QThread>

CQtProgressIndicator::CQtProgressIndicator(CProgressCtrl& control, Painting painting)
    : m_control(&control), m_painting(painting) {}

template <typename Change> void CQtProgressIndicator::Apply(Change change) {
    CProgressCtrl* control = m_control.data();
    if (!control)
        return;
    if (QThread::currentThread() != control->thread()) {
        QPointer<CProgressCtrl> guard(control);
        QMetaObject::invokeMethod(control, [guard, change] {
            if (guard)
                change(*guard);
        });
        return;
    }
    change(*control);
    if (m_painting == Painting::AtOnce)
        control->repaint();
}

void CQtProgressIndicator::SetRange(int lower, int upper) {
    Apply([lower, upper](CProgressCtrl& c) { c.SetRange(lower, upper); });
}

void CQtProgressIndicator::SetPos(int pos) {
    Apply([pos](CProgressCtrl& c) { c.SetPos(pos); });
}

void CQtProgressIndicator::StepIt() {
    Apply([](CProgressCtrl& c) { c.StepIt(); });
}
