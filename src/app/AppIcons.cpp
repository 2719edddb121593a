#include "app/AppIcons.h"

#include <QPainter>

namespace {

// A counter seen from the front: a dark blue case with a lit sensing window
// and a row of particles passing it.
QPixmap DrawAppPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(QPen(QColor(10, 30, 80), 1.5));
    p.setBrush(QColor(30, 70, 160));
    p.drawRoundedRect(QRectF(2, 4, 28, 24), 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 220, 255));
    p.drawRect(QRectF(6, 9, 20, 8));
    p.setBrush(QColor(255, 200, 0));
    for (int i = 0; i < 4; ++i)
        p.drawEllipse(QPointF(9 + 5 * i, 13), 1.6, 1.6);
    p.setBrush(QColor(255, 60, 60));
    p.drawEllipse(QPointF(24, 23), 2, 2);
    return pixmap;
}

} // namespace

QIcon AppIcon() {
    QIcon icon;
    icon.addPixmap(DrawAppPixmap(32));
    icon.addPixmap(DrawAppPixmap(16));
    return icon;
}

QPixmap LedPixmap(bool lit) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(lit ? QColor(255, 0, 0) : QColor(128, 128, 128));
    p.drawEllipse(QRectF(4, 4, 8, 8));
    return pixmap;
}
