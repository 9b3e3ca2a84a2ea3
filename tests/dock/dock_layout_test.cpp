// The stand-in Dock's geometry: the strip on its edge, tiles centred and evenly spaced, the separator, the
// running dot, magnification, hit testing, and the strut the window manager reads.
#include "dock_layout.h"

#include <gtest/gtest.h>

namespace tessly::dock {
namespace {

const QRectF kScreen(0, 0, 1280, 800);

DockLayoutInput input(DockOrientation orientation, int kept, int others, double tileSize = 48) {
    DockLayoutInput in;
    in.screen = kScreen;
    in.orientation = orientation;
    in.tileSize = tileSize;
    in.keptCount = kept;
    in.otherCount = others;
    return in;
}

TEST(DockLayoutTest, BottomStripSitsOnTheEdgeCentredWithEvenlySpacedTiles) {
    const DockLayout layout = layoutDock(input(DockOrientation::bottom, 3, 0));
    EXPECT_DOUBLE_EQ(layout.strip.bottom(), 800);
    EXPECT_DOUBLE_EQ(layout.strip.height(), 48 + 2 * kDockPadding);
    EXPECT_DOUBLE_EQ(layout.strip.center().x(), 640);
    ASSERT_EQ(layout.tiles.size(), 3);
    EXPECT_DOUBLE_EQ(layout.tiles.at(0).left() - layout.strip.left(), kDockPadding);
    EXPECT_DOUBLE_EQ(layout.strip.right() - layout.tiles.at(2).right(), kDockPadding);
    EXPECT_DOUBLE_EQ(layout.tiles.at(1).left() - layout.tiles.at(0).right(), kDockTileSpacing);
    EXPECT_DOUBLE_EQ(layout.tiles.at(2).left() - layout.tiles.at(1).right(), kDockTileSpacing);
    for (const QRectF& tile : layout.tiles) {
        EXPECT_DOUBLE_EQ(tile.bottom(), 800 - kDockPadding);
        EXPECT_DOUBLE_EQ(tile.width(), 48);
    }
    EXPECT_EQ(layout.window, layout.strip);
    EXPECT_FALSE(layout.separator);
}

TEST(DockLayoutTest, SideStripsLieOnTheirEdgeAndTheDotFacesTheEdge) {
    const DockLayout left = layoutDock(input(DockOrientation::left, 2, 0, 64));
    EXPECT_DOUBLE_EQ(left.strip.left(), 0);
    EXPECT_DOUBLE_EQ(left.strip.width(), 64 + 2 * kDockPadding);
    EXPECT_DOUBLE_EQ(left.strip.center().y(), 400);
    EXPECT_LT(left.tiles.at(0).bottom(), left.tiles.at(1).top());
    EXPECT_LT(runningDotCentre(left.tiles.at(0), DockOrientation::left).x(), left.tiles.at(0).left());

    const DockLayout right = layoutDock(input(DockOrientation::right, 2, 0, 64));
    EXPECT_DOUBLE_EQ(right.strip.right(), 1280);
    EXPECT_GT(runningDotCentre(right.tiles.at(0), DockOrientation::right).x(), right.tiles.at(0).right());

    const DockLayout bottom = layoutDock(input(DockOrientation::bottom, 1, 0));
    const QPointF dot = runningDotCentre(bottom.tiles.at(0), DockOrientation::bottom);
    EXPECT_GT(dot.y(), bottom.tiles.at(0).bottom());
    EXPECT_LT(dot.y(), 800);
}

TEST(DockLayoutTest, SeparatorOnlyBetweenKeptAndOtherRunningApplications) {
    const DockLayout layout = layoutDock(input(DockOrientation::bottom, 2, 1));
    ASSERT_TRUE(layout.separator);
    EXPECT_GT(layout.separator->left(), layout.tiles.at(1).right());
    EXPECT_LT(layout.separator->right(), layout.tiles.at(2).left());
    EXPECT_DOUBLE_EQ(layout.tiles.at(2).left() - layout.tiles.at(1).right(),
                     kDockTileSpacing + kDockSeparatorGap);
    EXPECT_FALSE(layoutDock(input(DockOrientation::bottom, 0, 2)).separator);
}

TEST(DockLayoutTest, TooManyTilesShrinkToFitTheScreen) {
    const DockLayout layout = layoutDock(input(DockOrientation::left, 30, 0, 64));
    EXPECT_LT(layout.tileSize, 64);
    EXPECT_GE(layout.strip.top(), 0);
    EXPECT_LE(layout.strip.bottom(), 800 + 1e-9);
    EXPECT_LE(layout.tiles.last().bottom(), 800);
}

TEST(DockLayoutTest, EmptyDockStillShowsAStrip) {
    const DockLayout layout = layoutDock(input(DockOrientation::bottom, 0, 0));
    EXPECT_TRUE(layout.tiles.isEmpty());
    EXPECT_GT(layout.strip.width(), 0);
    EXPECT_DOUBLE_EQ(layout.strip.bottom(), 800);
}

TEST(DockLayoutTest, MagnificationGrowsTheTileUnderThePointerMostAndKeepsTheStrut) {
    DockLayoutInput in = input(DockOrientation::bottom, 5, 0);
    in.magnification = true;
    in.largeSize = 96;
    const DockLayout resting = layoutDock(in);
    in.pointer = resting.tiles.at(2).center();
    const DockLayout grown = layoutDock(in);
    EXPECT_DOUBLE_EQ(grown.tiles.at(2).width(), 96);
    EXPECT_GT(grown.tiles.at(1).width(), 48);
    EXPECT_LT(grown.tiles.at(1).width(), 96);
    EXPECT_DOUBLE_EQ(grown.tiles.at(1).width(), grown.tiles.at(3).width());
    // Grown away from the edge, still on its padding; the row stays centred; the reserved strip does not
    // move.
    EXPECT_DOUBLE_EQ(grown.tiles.at(2).bottom(), 800 - kDockPadding);
    EXPECT_NEAR(grown.tiles.at(2).center().x(), 640, 1e-9);
    EXPECT_EQ(grown.strip, resting.strip);
    EXPECT_TRUE(grown.window.contains(grown.tiles.at(2)));
    EXPECT_GT(grown.window.height(), resting.strip.height());

    in.magnification = false;
    EXPECT_EQ(layoutDock(in).tiles, resting.tiles);
}

TEST(DockLayoutTest, HitTestingFindsTheTileAndItsPaddingToTheEdge) {
    const DockLayout layout = layoutDock(input(DockOrientation::bottom, 3, 0));
    EXPECT_EQ(tileAt(layout, layout.tiles.at(1).center()), 1);
    EXPECT_EQ(tileAt(layout, QPointF(layout.tiles.at(0).center().x(), 799.5)), 0);
    EXPECT_FALSE(tileAt(layout, QPointF(layout.tiles.at(0).center().x(), layout.strip.top() - 5)));
    EXPECT_FALSE(tileAt(layout, QPointF(10, 790)));
}

TEST(DockLayoutTest, StrutReservesOnlyTheStripsEdgeMeasuredFromTheRoot) {
    const QRect root(0, 0, 1280, 800);
    const auto bottom = strutPartial(QRect(500, 734, 280, 66), root, DockOrientation::bottom);
    EXPECT_EQ(bottom[3], 66u);
    EXPECT_EQ(bottom[10], 500u);
    EXPECT_EQ(bottom[11], 779u);
    EXPECT_EQ(bottom[0] + bottom[1] + bottom[2], 0u);

    const auto left = strutPartial(QRect(0, 300, 66, 200), root, DockOrientation::left);
    EXPECT_EQ(left[0], 66u);
    EXPECT_EQ(left[4], 300u);
    EXPECT_EQ(left[5], 499u);
    EXPECT_EQ(left[3], 0u);

    // A screen on the right of a wider root: the strut counts from the root's right edge.
    const auto right =
        strutPartial(QRect(2494, 300, 66, 200), QRect(0, 0, 2560, 800), DockOrientation::right);
    EXPECT_EQ(right[1], 66u);
    EXPECT_EQ(right[6], 300u);
}

TEST(DockLayoutTest, OrientationTextRoundTripsAndDefaultsToBottom) {
    for (const auto orientation : {DockOrientation::bottom, DockOrientation::left, DockOrientation::right}) {
        EXPECT_EQ(orientationFromText(orientationText(orientation)), orientation);
    }
    EXPECT_EQ(orientationFromText(QStringLiteral("top")), DockOrientation::bottom);
    EXPECT_EQ(orientationFromText(std::nullopt), DockOrientation::bottom);
}

} // namespace
} // namespace tessly::dock
