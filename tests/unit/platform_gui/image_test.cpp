// Images drawn on a screen of more than one device pixel per point: a template tinted in a layer of the
// device's pixels, not of points scaled up afterwards.
#include "platform/gui/image.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace tessly {
namespace {

/// Opaque columns of one pixel every other pixel, transparent between them.
QImage combTemplate(int side) {
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int x = 0; x < side; x += 2) {
        for (int y = 0; y < side; ++y) {
            image.setPixel(x, y, qRgba(0, 0, 0, 255));
        }
    }
    return image;
}

TEST(ImageTest, TemplateTintedOnAScreenOfTwoPixelsPerPointKeepsEveryDevicePixel) {
    const ImagePtr comb = makeBitmapImage(combTemplate(64));
    QImage screen(80, 80, QImage::Format_ARGB32_Premultiplied);
    screen.setDevicePixelRatio(2);
    screen.fill(Qt::transparent);
    {
        QPainter painter(&screen);
        painter.translate(4, 4);
        comb->drawTinted(painter, QRectF(0, 0, 32, 32), Qt::red);
    }
    // 32 points at (4, 4) are the device pixels 8 to 71: one column of the template each.
    for (int x = 0; x < 64; ++x) {
        EXPECT_EQ(screen.pixel(8 + x, 40), x % 2 == 0 ? qRgba(255, 0, 0, 255) : qRgba(0, 0, 0, 0))
            << "device pixel " << x << " of the template";
    }
    EXPECT_EQ(qAlpha(screen.pixel(7, 40)), 0);
    EXPECT_EQ(qAlpha(screen.pixel(72, 40)), 0);
}

} // namespace
} // namespace tessly
