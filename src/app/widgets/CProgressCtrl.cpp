#include "app/widgets/CProgressCtrl.h"

#include <QStyleFactory>
#include <QStyleOptionProgressBar>
#include <QStylePainter>
#include <algorithm>

CProgressCtrl::CProgressCtrl(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    // The classic style draws a plain continuous bar. A scan steps the bar
    // a thousand times and each visible step repaints it at once, so a
    // cheap bar keeps the user-interface thread idle.
    if (QStyle* classic = QStyleFactory::create("Windows")) {
        classic->setParent(this);
        setStyle(classic);
    }
    setRange(0, 100);
    setValue(0);
}

void CProgressCtrl::SetRange(int lower, int upper) {
    int pos = value();
    setRange(lower, std::max(lower, upper));
    setValue(std::clamp(pos, minimum(), maximum()));
}

void CProgressCtrl::SetPos(int pos) {
    setValue(std::clamp(pos, minimum(), maximum()));
}

void CProgressCtrl::StepIt() {
    int next = value() + m_step;
    setValue(next > maximum() ? minimum() : next);
}

void CProgressCtrl::paintEvent(QPaintEvent* event) {
    if (minimum() != maximum()) {
        QProgressBar::paintEvent(event);
        return;
    }
    // Qt would draw an empty range as a moving busy indicator; draw the
    // empty groove instead.
    QStylePainter painter(this);
    QStyleOptionProgressBar option;
    initStyleOption(&option);
    option.minimum = 0;
    option.maximum = 1;
    option.progress = 0;
    painter.drawControl(QStyle::CE_ProgressBar, option);
}
