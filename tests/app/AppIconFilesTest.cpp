// The icon files installed for the desktop, rendered from the scalable
// drawing, show the picture the program draws for its own window.
#include "app/AppIcons.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

struct Difference {
    double mean = 0; // mean over the pixels of the largest channel difference
    int max = 0;
};

Difference Compare(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    Difference d;
    for (int row = 0; row < x.height(); ++row) {
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row);
            const QRgb q = y.pixel(col, row);
            const int most =
                std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                          std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            d.mean += most;
            d.max = std::max(d.max, most);
        }
    }
    d.mean /= double(x.width()) * x.height();
    return d;
}

TEST(AppIconFilesTest, EverySizeShowsThePictureTheProgramDraws) {
    for (int size : {16, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        const QImage file(QString("%1/%2x%2/ktrsetup.png").arg(KTR_ICON_DIR).arg(size));
        ASSERT_EQ(file.size(), QSize(size, size));
        // The program draws its icon at 16 and 32 pixels; each file is
        // compared at the one of these that its size is a multiple of.
        const int drawnSize = size % 32 == 0 ? 32 : 16;
        const QImage drawn = AppIcon().pixmap(QSize(drawnSize, drawnSize)).toImage();
        ASSERT_EQ(drawn.size(), QSize(drawnSize, drawnSize));
        const QImage scaled =
            file.scaled(drawnSize, drawnSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // The two renderers smooth edges a little differently; a changed
        // colour or a shape moved by one unit differs far more.
        const Difference d = Compare(drawn, scaled);
        EXPECT_LT(d.mean, 8.0);
        EXPECT_LE(d.max, 100);
    }
}

} // namespace
