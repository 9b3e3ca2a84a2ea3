// The Dock tile's content drawn as the Dock shows it: an image fitted with its aspect kept, a badge's plate
// with rounded corners and its tinted symbol, frames read y-up, the content's frame scaled to the bitmap.
#include "pixel_checks.h"
#include "platform/linux/dock_tile_linux.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace tessly {
namespace {

using testing::opaquePixels;
using testing::pixelNear;

/// A solid rectangle of one colour and a natural size; black as a template.
class SolidImage final : public Image {
public:
    SolidImage(QSizeF size, QColor color) : m_size(size), m_color(color) {}
    QSizeF size() const override { return m_size; }
    void draw(QPainter& painter, const QRectF& target) const override { painter.fillRect(target, m_color); }

private:
    QSizeF m_size;
    QColor m_color;
};

constexpr QRgb kClear = 0;
constexpr QRgb kBlack = qRgb(0, 0, 0);

DockTileContent imageContent(QSizeF frame, QSizeF imageSize, QColor color) {
    return {frame, DockTileImageView{std::make_shared<SolidImage>(imageSize, color)}};
}

DockTileContent badgeContent(QRectF plate, double radius, QRectF symbolFrame, ImagePtr symbol, QColor tint) {
    DockTileBadgeView badge;
    badge.plateFrame = plate;
    badge.plateCornerRadius = radius;
    badge.symbolFrame = symbolFrame;
    badge.symbol = std::move(symbol);
    badge.symbolTint = tint;
    return {QSizeF(128, 128), badge};
}

TEST(DockTileDrawingTest, ImageViewFitsTheImageKeepingItsAspect) {
    // A wide image in a square tile: a centred band, empty above and below.
    const QImage wide = renderDockTileContent(imageContent({128, 128}, {200, 100}, Qt::red), {128, 128});
    EXPECT_TRUE(pixelNear(wide, 64, 64, qRgb(255, 0, 0)));
    EXPECT_TRUE(pixelNear(wide, 2, 40, qRgb(255, 0, 0)));
    EXPECT_TRUE(pixelNear(wide, 64, 28, kClear, 0));
    EXPECT_TRUE(pixelNear(wide, 64, 100, kClear, 0));

    // A tall one: empty left and right.
    const QImage tall = renderDockTileContent(imageContent({128, 128}, {50, 100}, Qt::green), {128, 128});
    EXPECT_TRUE(pixelNear(tall, 64, 2, qRgb(0, 255, 0)));
    EXPECT_TRUE(pixelNear(tall, 28, 64, kClear, 0));
    EXPECT_TRUE(pixelNear(tall, 100, 64, kClear, 0));

    // A small image is scaled up to the tile, and a content frame of another size fills the bitmap.
    const QImage scaled = renderDockTileContent(imageContent({32, 32}, {8, 8}, Qt::blue), {128, 128});
    EXPECT_EQ(opaquePixels(scaled), 128 * 128);
}

TEST(DockTileDrawingTest, BadgeIsARoundedBlackPlateWithTheTintedSymbol) {
    const auto symbol = std::make_shared<SolidImage>(QSizeF(83.2, 83.2), Qt::black);
    const QColor green(40, 205, 65);
    const QImage badge = renderDockTileContent(
        badgeContent(QRectF(11, 11, 106, 106), 23.85, QRectF(22.4, 22.4, 83.2, 83.2), symbol, green),
        {128, 128});

    // The symbol area in the tint; between it and the plate's edge, the plate.
    EXPECT_TRUE(pixelNear(badge, 64, 64, green.rgb()));
    EXPECT_TRUE(pixelNear(badge, 24, 100, green.rgb()));
    EXPECT_TRUE(pixelNear(badge, 15, 64, kBlack));
    EXPECT_TRUE(pixelNear(badge, 64, 113, kBlack));
    // Each corner: black just inside the curve, nothing in the corner it cuts off, nothing outside the plate.
    for (const auto& [x, y] : {std::pair{20, 20}, {107, 20}, {20, 107}, {107, 107}}) {
        SCOPED_TRACE(::testing::PrintToString(std::pair{x, y}));
        EXPECT_TRUE(pixelNear(badge, x, y, kBlack));
    }
    for (const auto& [x, y] : {std::pair{13, 13}, {114, 13}, {13, 114}, {114, 114}, {5, 64}, {64, 122}}) {
        SCOPED_TRACE(::testing::PrintToString(std::pair{x, y}));
        EXPECT_TRUE(pixelNear(badge, x, y, kClear, 0));
    }
}

TEST(DockTileDrawingTest, BadgeFramesAreReadWithYPointingUp) {
    // The plate along the bottom edge of the content, the symbol in its top-left corner.
    const auto symbol = std::make_shared<SolidImage>(QSizeF(20, 20), Qt::black);
    const QImage badge = renderDockTileContent(
        badgeContent(QRectF(0, 0, 128, 40), 0, QRectF(0, 88, 40, 40), symbol, Qt::red), {128, 128});
    EXPECT_TRUE(pixelNear(badge, 64, 110, kBlack));
    EXPECT_TRUE(pixelNear(badge, 64, 60, kClear, 0));
    EXPECT_TRUE(pixelNear(badge, 20, 20, qRgb(255, 0, 0)));
    EXPECT_TRUE(pixelNear(badge, 100, 20, kClear, 0));
}

TEST(DockTileDrawingTest, BadgeWithoutASymbolShowsThePlateAloneAndNoViewShowsNothing) {
    const QImage plate = renderDockTileContent(
        badgeContent(QRectF(11, 11, 106, 106), 23.85, QRectF(22.4, 22.4, 83.2, 83.2), nullptr, Qt::green),
        {128, 128});
    EXPECT_TRUE(pixelNear(plate, 64, 64, kBlack));

    // A radius beyond half the side gives a round plate, not a broken shape.
    const QImage round = renderDockTileContent(
        badgeContent(QRectF(0, 0, 128, 128), 500, QRectF(), nullptr, Qt::green), {128, 128});
    EXPECT_TRUE(pixelNear(round, 64, 64, kBlack));
    EXPECT_TRUE(pixelNear(round, 64, 2, kBlack));
    EXPECT_TRUE(pixelNear(round, 10, 10, kClear, 0));

    EXPECT_EQ(opaquePixels(renderDockTileContent(DockTileContent{{128, 128}, {}}, {128, 128})), 0);
    EXPECT_EQ(renderDockTileContent(imageContent({128, 128}, {8, 8}, Qt::red), {64, 32}).size(),
              QSize(64, 32));
}

} // namespace
} // namespace tessly
