#include "app/dialogs/DialogUnits.h"

#include <QFontMetrics>

QRect DluToPixels(const QFont& font, int x, int y, int width, int height) {
    QFontMetrics metrics(font);
    const QString alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    int baseX = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    int baseY = metrics.height();
    auto px = [baseX](int units) { return units * baseX / 4; };
    auto py = [baseY](int units) { return units * baseY / 8; };
    return QRect(px(x), py(y), px(width), py(height));
}
