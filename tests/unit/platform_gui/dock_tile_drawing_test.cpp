// The Dock tile's badge frames are y-up, as the content is written, on a bitmap that is y-down; the plate's
// radius is limited by its sides; the tile is published at its screen's device pixels.
#include "platform/linux/dock_tile_linux.h"
#include "support/virtual_time.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace tessly {
namespace {

class BlackSquare final : public Image {
public:
    QSizeF size() const override { return {20, 20}; }
    void draw(QPainter& painter, const QRectF& target) const override { painter.fillRect(target, Qt::black); }
};

QImage drawBadge(QRectF plate, double radius, QRectF symbolFrame) {
    DockTileBadgeView badge;
    badge.plateFrame = plate;
    badge.plateCornerRadius = radius;
    badge.symbolFrame = symbolFrame;
    badge.symbol = std::make_shared<BlackSquare>();
    badge.symbolTint = Qt::red;
    return renderDockTileContent({QSizeF(64, 64), badge}, QSize(128, 128));
}

TEST(DockTileDrawingTest, BadgeFramesAreReadWithYPointingUp) {
    // In a 64-point content drawn at 128 pixels: the plate along the bottom, the symbol at the top left.
    const QImage badge = drawBadge(QRectF(0, 0, 64, 20), 0, QRectF(0, 44, 20, 20));
    EXPECT_EQ(badge.pixel(64, 110), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(badge.pixel(64, 60)), 0);
    EXPECT_EQ(badge.pixel(20, 20), qRgb(255, 0, 0));
    EXPECT_EQ(qAlpha(badge.pixel(100, 20)), 0);
}

TEST(DockTileDrawingTest, PlateRadiusBeyondHalfItsSideGivesARoundPlate) {
    const QImage round = drawBadge(QRectF(0, 0, 64, 64), 500, QRectF());
    EXPECT_EQ(round.pixel(64, 2), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(round.pixel(10, 10)), 0);
}

TEST(DockTileDrawingTest, TileIsPublishedAtTheDevicePixelsOfItsScreen) {
    testing::VirtualTime time;
    LinuxDockTile tile{QString(), time};
    tile.setSize(QSizeF(32, 32));
    tile.setDevicePixelRatio(2);
    DockTileBadgeView badge;
    badge.plateFrame = QRectF(10.5, 10.5, 11, 11);
    tile.setContent({QSizeF(32, 32), badge});
    tile.display();

    const QImage& published = tile.lastPublishedImageForTesting();
    ASSERT_EQ(published.size(), QSize(64, 64));
    EXPECT_EQ(published.devicePixelRatio(), 2.0);
    // The plate's sides at half points fall between device pixels: 21 to 42 are black, their neighbours
    // empty.
    EXPECT_EQ(qAlpha(published.pixel(20, 32)), 0);
    EXPECT_EQ(published.pixel(21, 32), qRgb(0, 0, 0));
    EXPECT_EQ(published.pixel(42, 32), qRgb(0, 0, 0));
    EXPECT_EQ(qAlpha(published.pixel(43, 32)), 0);
}

} // namespace
} // namespace tessly
