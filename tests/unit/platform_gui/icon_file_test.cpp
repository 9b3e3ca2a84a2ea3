// Icon files as the workspace reads them: an icns container gives each of its sizes and the icon draws the
// smallest that covers its target, decoding only that one; images too large for an icon are passed over and
// what an icon keeps decoded stays bounded; broken data gives nothing.
#include "platform/linux/icon_file_linux.h"
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

/// One bit per pixel, so that the test itself stays small; decoded for drawing, `side` x `side` x 4 bytes.
QByteArray monoPng(int side, QRgb color) {
    QImage image(side, side, QImage::Format_Mono);
    image.setColorTable({qRgb(0, 0, 0), color});
    image.fill(1);
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

TEST(IconFileTest, AnIcnsOfHugeImagesDecodesOnlyTheImageItsDrawingNeeds) {
    // Each of the two huge images is 5600 x 5600 pixels: 125 MB decoded, for a few kilobytes in the file.
    const QByteArray huge = monoPng(5600, qRgb(255, 0, 255));
    const ImagePtr icon = readIconData(icns({{"ic10", huge},
                                             {"icp4", png(16, Qt::red)},
                                             {"ic12", png(64, Qt::green)},
                                             {"ic09", png(512, Qt::blue)},
                                             {"ic10", huge}}));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->size(), QSizeF(512, 512)) << "the huge images are passed over";
    const IconDecodingForTesting read = iconDecodingForTesting(*icon);
    EXPECT_LE(read.decodedPixels, 16 * 16) << "reading decodes the smallest image at most";

    const QImage drawn = rasterize(*icon, QSize(64, 64));
    EXPECT_EQ(drawn.size(), QSize(64, 64));
    EXPECT_EQ(drawn.pixel(32, 32), qRgb(0, 255, 0));
    const IconDecodingForTesting at64 = iconDecodingForTesting(*icon);
    EXPECT_EQ(at64.decodes - read.decodes, 1) << "one image: the one drawn";
    EXPECT_EQ(at64.decodedPixels - read.decodedPixels, 64 * 64);
    (void)rasterize(*icon, QSize(64, 64));
    EXPECT_EQ(iconDecodingForTesting(*icon).decodes, at64.decodes) << "drawn again, nothing is decoded again";

    // A file of huge images only has no icon to draw: the caller falls back to the generic one.
    EXPECT_EQ(readIconData(icns({{"ic10", huge}, {"ic10", huge}, {"ic09", huge}, {"ic08", huge}})), nullptr);
    EXPECT_EQ(readIconData(huge), nullptr);
}

TEST(IconFileTest, WhatAnIconKeepsDecodedStaysWithinTheLimitWhateverSizesItIsDrawnAt) {
    // The largest image an icon may have, and three small ones.
    const ImagePtr icon = readIconData(icns({{"icp4", png(16, Qt::red)},
                                             {"ic10", monoPng(2048, qRgb(255, 0, 255))},
                                             {"ic09", png(512, Qt::blue)},
                                             {"ic12", png(64, Qt::green)}}));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->size(), QSizeF(2048, 2048));
    const std::pair<int, QRgb> draws[] = {
        {2048, qRgb(255, 0, 255)}, {512, qRgb(0, 0, 255)}, {64, qRgb(0, 255, 0)}, {2000, qRgb(255, 0, 255)}};
    for (const auto& [side, color] : draws) {
        EXPECT_EQ(rasterize(*icon, QSize(side, side)).pixel(side / 2, side / 2), color) << side;
        EXPECT_LE(iconDecodingForTesting(*icon).keptPixels, kMaximumIconImagePixels) << side;
    }
}

TEST(IconFileTest, WhatCanBeDecodedScaledIsDecodedAtTheSizeDrawn) {
    // A vector icon, whatever size it claims.
    const QByteArray svg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="100000" height="100000")"
                           R"( viewBox="0 0 10 10"><rect width="10" height="10" fill="#00ff00"/></svg>)";
    const ImagePtr vector = readIconData(svg);
    ASSERT_NE(vector, nullptr);
    qint64 read = iconDecodingForTesting(*vector).decodedPixels;
    EXPECT_EQ(rasterize(*vector, QSize(64, 64)).pixel(32, 32), qRgb(0, 255, 0));
    EXPECT_EQ(iconDecodingForTesting(*vector).decodedPixels - read, 64 * 64);

    // A large picture of full colour, half transparent.
    QImage picture(1024, 1024, QImage::Format_ARGB32);
    picture.fill(QColor(0, 0, 255, 128));
    const ImagePtr large = readIconData(pngOf(picture));
    ASSERT_NE(large, nullptr);
    read = iconDecodingForTesting(*large).decodedPixels;
    const QColor drawn = rasterize(*large, QSize(64, 64)).pixelColor(32, 32);
    EXPECT_NEAR(drawn.alpha(), 128, 2);
    EXPECT_NEAR(drawn.blue(), 255, 2);
    EXPECT_EQ(iconDecodingForTesting(*large).decodedPixels - read, 64 * 64);

    // One of 512 x 512, as the generic icons are, keeps only what it is drawn at, small as that is.
    const ImagePtr generic = readIconData(png(512, Qt::blue));
    ASSERT_NE(generic, nullptr);
    EXPECT_EQ(rasterize(*generic, QSize(96, 96)).pixel(48, 48), qRgb(0, 0, 255));
    EXPECT_LE(iconDecodingForTesting(*generic).keptPixels, 96 * 96 + 1);

    // A picture of 128 x 128 pixels or fewer is decoded whole, once, for every size it is drawn at.
    const ImagePtr small = readIconData(png(128, Qt::red));
    ASSERT_NE(small, nullptr);
    EXPECT_EQ(iconDecodingForTesting(*small).decodedPixels, 128 * 128);
    for (const int side : {32, 64, 128}) {
        EXPECT_EQ(rasterize(*small, QSize(side, side)).pixel(side / 2, side / 2), qRgb(255, 0, 0));
    }
    EXPECT_EQ(iconDecodingForTesting(*small).decodes, 1);

    // Decoded scaled, a palette would lose its transparency: such an image is decoded whole.
    QImage palette(1024, 1024, QImage::Format_Indexed8);
    palette.setColorTable({qRgba(255, 0, 255, 128)});
    palette.fill(0);
    const ImagePtr indexed = readIconData(pngOf(palette));
    ASSERT_NE(indexed, nullptr);
    EXPECT_NEAR(qAlpha(rasterize(*indexed, QSize(64, 64)).pixel(32, 32)), 128, 2);
}

TEST(IconFileTest, AnOlderIcnsOf32BitColoursAndAMaskStillDraws) {
    // 16 x 16 pixels of four bytes each, and a mask that leaves the left half transparent.
    const QByteArray colours(16 * 16 * 4, static_cast<char>(200));
    QByteArray mask;
    for (int y = 0; y < 16; ++y) {
        mask += QByteArray(8, '\0') + QByteArray(8, static_cast<char>(255));
    }
    const ImagePtr icon = readIconData(icns({{"is32", colours}, {"s8mk", mask}}));
    ASSERT_NE(icon, nullptr);
    const QImage drawn = rasterize(*icon, QSize(16, 16));
    EXPECT_EQ(drawn.pixel(12, 8), qRgb(200, 200, 200));
    EXPECT_EQ(qAlpha(drawn.pixel(3, 8)), 0);
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
