// Icon files as the workspace reads them: an icns container gives each of its sizes and the icon draws the
// smallest that covers its target; broken data gives nothing.
#include "platform/linux/workspace_icons_linux.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <gtest/gtest.h>

namespace tessly {
namespace {

QByteArray pngOf(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

QByteArray png(int side, QColor color) {
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(color);
    return pngOf(image);
}

constexpr QRgb kEven = qRgb(255, 255, 0);
constexpr QRgb kOdd = qRgb(0, 0, 255);

/// Columns of one pixel, kEven and kOdd in turn: any resampling mixes them.
QByteArray stripesPng(int side) {
    QImage image(side, side, QImage::Format_ARGB32);
    for (int x = 0; x < side; ++x) {
        for (int y = 0; y < side; ++y) {
            image.setPixel(x, y, x % 2 == 0 ? kEven : kOdd);
        }
    }
    return pngOf(image);
}

QByteArray bigEndian(quint32 value) {
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

/// An icns container of (type, data) entries, as the icon tools write it.
QByteArray icns(const QList<std::pair<QByteArray, QByteArray>>& entries) {
    QByteArray body;
    for (const auto& [type, data] : entries) {
        body += type + bigEndian(static_cast<quint32>(8 + data.size())) + data;
    }
    return "icns" + bigEndian(static_cast<quint32>(8 + body.size())) + body;
}

TEST(IconFileTest, IcnsGivesEverySizeAndDrawsTheSmallestThatCovers) {
    const ImagePtr icon = readIconData(
        icns({{"icp4", png(16, Qt::red)}, {"ic09", png(512, Qt::blue)}, {"ic07", png(128, Qt::green)}}));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->size(), QSizeF(512, 512));
    const std::pair<int, QRgb> cases[] = {{12, qRgb(255, 0, 0)},  {16, qRgb(255, 0, 0)},
                                          {17, qRgb(0, 255, 0)},  {128, qRgb(0, 255, 0)},
                                          {129, qRgb(0, 0, 255)}, {800, qRgb(0, 0, 255)}};
    for (const auto& [side, color] : cases) {
        EXPECT_EQ(rasterize(*icon, QSize(side, side)).pixel(side / 2, side / 2), color) << side;
    }
}

TEST(IconFileTest, OnAScreenOfTwoPixelsPerPointTheIconTakesTheBitmapOfTheDevicePixels) {
    // 16 points on a screen of pixel ratio 2 take 32 device pixels: the 32-pixel image, copied pixel for
    // pixel.
    const ImagePtr icon = readIconData(icns({{"icp4", png(16, Qt::red)}, {"icp5", stripesPng(32)}}));
    ASSERT_NE(icon, nullptr);
    for (const QPointF& origin : {QPointF(0, 0), QPointF(4.5, 8)}) {
        QImage screen(64, 64, QImage::Format_ARGB32_Premultiplied);
        screen.setDevicePixelRatio(2);
        screen.fill(Qt::transparent);
        {
            QPainter painter(&screen);
            icon->draw(painter, QRectF(origin, QSizeF(16, 16)));
        }
        const QPoint first = (origin * 2).toPoint();
        for (int x = 0; x < 32; ++x) {
            EXPECT_EQ(screen.pixel(first.x() + x, first.y() + 16), x % 2 == 0 ? kEven : kOdd)
                << "device pixel " << x << " of the icon drawn at " << origin.x();
        }
        EXPECT_EQ(qAlpha(screen.pixel(first.x() + 32, first.y() + 16)), 0) << "no wider than 16 points";
    }
}

TEST(IconFileTest, BrokenDataGivesNothing) {
    const QByteArray picture = png(64, Qt::red);
    const QByteArray cases[] = {
        {},
        picture.left(picture.size() / 2),
        "icns" + bigEndian(0x7fffffff) + "ic07" + bigEndian(0x7ffffff0),
        icns({{"ic07", "not an image at all"}}),
    };
    for (const QByteArray& data : cases) {
        EXPECT_EQ(readIconData(data), nullptr) << data.left(16).toHex().toStdString();
    }
}

} // namespace
} // namespace tessly
