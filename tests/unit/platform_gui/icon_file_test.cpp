// Icon files as the workspace reads them: a PNG is one image, an icns container gives each of its sizes and
// the icon draws the smallest that covers what it is drawn at; broken or foreign data gives nothing.
#include "pixel_checks.h"
#include "platform/linux/workspace_icons_linux.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::pixelNear;

QByteArray png(const QSize& size, QColor color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
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

QImage drawnAt(const Image& icon, int side) {
    return rasterize(icon, QSize(side, side));
}

TEST(IconFileTest, IcnsGivesEverySizeAndDrawsTheSmallestThatCovers) {
    const ImagePtr icon = readIconData(icns({{"icp4", png({16, 16}, Qt::red)},
                                             {"ic09", png({512, 512}, Qt::blue)},
                                             {"ic07", png({128, 128}, Qt::green)}}));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->size(), QSizeF(512, 512));
    const struct {
        int side;
        QRgb color;
    } cases[] = {{16, qRgb(255, 0, 0)},  {12, qRgb(255, 0, 0)},  {17, qRgb(0, 255, 0)},
                 {128, qRgb(0, 255, 0)}, {129, qRgb(0, 0, 255)}, {800, qRgb(0, 0, 255)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.side);
        EXPECT_TRUE(pixelNear(drawnAt(*icon, c.side), c.side / 2, c.side / 2, c.color));
    }
}

TEST(IconFileTest, PngIsOneImageOfItsOwnSize) {
    const ImagePtr icon = readIconData(png({300, 200}, QColor(10, 20, 30)));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->size(), QSizeF(300, 200));
    // Drawn into a square, it keeps its aspect: the top and bottom bands stay empty.
    const QImage pixels = drawnAt(*icon, 90);
    EXPECT_TRUE(pixelNear(pixels, 45, 45, qRgb(10, 20, 30)));
    EXPECT_TRUE(pixelNear(pixels, 45, 5, 0, 0));
}

TEST(IconFileTest, BrokenOrForeignDataGivesNothing) {
    const QByteArray picture = png({64, 64}, Qt::red);
    const struct {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"nothing", {}},
        {"text", "not an image at all"},
        {"a PNG cut short", picture.left(picture.size() / 2)},
        {"an icns header only", "icns" + bigEndian(8)},
        {"an icns longer than its bytes", "icns" + bigEndian(0x7fffffff) + "ic07" + bigEndian(0x7ffffff0)},
        {"an icns entry of impossible length", icns({{"ic07", {}}}).left(12) + bigEndian(3) + "xxxx"},
        {"an icns of an entry that is no image", icns({{"ic07", "not an image at all"}})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(readIconData(c.data), nullptr);
    }
}

TEST(IconFileTest, FilesThatAreNoIconsGiveNothing) {
    QTemporaryDir directory;
    ASSERT_TRUE(directory.isValid());
    EXPECT_EQ(readIconFile(directory.filePath("missing.png")), nullptr);
    EXPECT_EQ(readIconFile(directory.path()), nullptr);
    EXPECT_EQ(readIconFile(QString()), nullptr);
}

} // namespace
} // namespace tessly
