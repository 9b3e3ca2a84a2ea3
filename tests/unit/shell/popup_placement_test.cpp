// Where the popup goes: the Dock's edge told from the screen's frames and what that teaches the memory, the
// panel's corner above a bottom Dock (visible, hidden, magnifying) or beside a side Dock, the screen chosen
// for the click, the arrow offset that keeps the arrow on the click, the centred position, and the room the
// panel has there.
#include "shell/popup_placement.h"

#include "popup/popup_layout.h"
#include "popup/popup_shape.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tessly {
namespace {

const QRectF kFrame(0, 0, 1440, 900);
// A 64-point Dock at the bottom and a 25-point menu bar at the top.
const ScreenGeometry kBottomDock{kFrame, QRectF(0, 64, 1440, 811)};
const ScreenGeometry kHiddenDock{kFrame, QRectF(0, 0, 1440, 875)};
const ScreenGeometry kLeftDock{kFrame, QRectF(70, 0, 1370, 875)};
const ScreenGeometry kRightDock{kFrame, QRectF(0, 0, 1370, 875)};

PopupPlacementInput clickOn(const ScreenGeometry& screen, QPointF click, QSizeF size = {300, 200}) {
    PopupPlacementInput input;
    input.screens = {screen};
    input.mainScreenIndex = 0;
    input.arrowLocation = click;
    input.popupSize = size;
    input.dock.tileSize = 48;
    return input;
}

TEST(DetectDockEdgeTest, MoreThanOnePointOfRoomTellsTheEdgeAndOnlyThenIsRemembered) {
    struct Case {
        const char* name;
        QRectF visible;
        DockEdge edge;
        DockMemory after;
    };
    // Before each case the memory holds a left Dock of an earlier screen.
    const DockMemory before{50, DockEdge::left};
    const Case cases[] = {
        {"bottom within tolerance", QRectF(0, 1, 1440, 874), DockEdge::bottom, before},
        {"bottom", QRectF(0, 1.5, 1440, 873.5), DockEdge::bottom, {1.5, DockEdge::bottom}},
        {"left within tolerance", QRectF(1, 0, 1439, 875), DockEdge::bottom, before},
        {"left", QRectF(1.5, 0, 1438.5, 875), DockEdge::left, before},
        {"right within tolerance", QRectF(0, 0, 1439, 875), DockEdge::bottom, before},
        {"right", QRectF(0, 0, 1438.5, 875), DockEdge::right, {50, DockEdge::right}},
        {"bottom wins over left", QRectF(70, 64, 1370, 811), DockEdge::bottom, {64, DockEdge::bottom}},
        {"left wins over right", QRectF(70, 0, 1300, 875), DockEdge::left, before},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DockMemory memory = before;
        EXPECT_EQ(detectDockEdge({kFrame, c.visible}, memory), c.edge);
        EXPECT_EQ(memory.cachedDockHeight, c.after.cachedDockHeight);
        EXPECT_EQ(memory.lastDockEdge, c.after.lastDockEdge);
    }
}

TEST(PopupOriginTest, BottomDockCentresOverTheClickInsideTheVisibleFrame) {
    DockMemory memory;
    PopupPlacement p = popupOrigin(clickOn(kBottomDock, {500, 30}), memory);
    EXPECT_EQ(p.edge, DockEdge::bottom);
    EXPECT_EQ(p.origin, QPointF(350, 85));
    EXPECT_EQ(p.arrowOffset, 0.0);
    EXPECT_EQ(memory.cachedDockHeight, 64);

    // Near the left edge the popup stops 8 points in and its arrow moves left to the click.
    p = popupOrigin(clickOn(kBottomDock, {20, 30}), memory);
    EXPECT_EQ(p.origin, QPointF(8, 85));
    EXPECT_EQ(p.arrowOffset, -138.0);
    // A popup wider than the screen keeps its right side in.
    EXPECT_EQ(popupOrigin(clickOn(kBottomDock, {500, 30}, {1500, 200}), memory).origin.x(), -68);
}

TEST(PopupOriginTest, HiddenBottomDockIsTakenAsThickAsItsTilesWillMakeIt) {
    // The frame starting at 100 shows that heights count from the screen's own bottom.
    const ScreenGeometry hidden{QRectF(0, 100, 1440, 900), QRectF(0, 100, 1440, 875)};
    DockMemory memory{30, DockEdge::left};
    EXPECT_EQ(popupOrigin(clickOn(hidden, {500, 130}), memory).origin, QPointF(350, 100 + 86));
    // The height used is remembered; the edge, not being seen, is not.
    EXPECT_EQ(memory.cachedDockHeight, 66);
    EXPECT_EQ(memory.lastDockEdge, DockEdge::left);

    PopupPlacementInput input = clickOn(hidden, {500, 130});
    input.dock.tileSize.reset();
    EXPECT_EQ(popupOrigin(input, memory).origin.y(), 100 + 64 + 20);

    // A tile size that makes no sense falls back on the remembered bottom Dock, or 64.
    input.dock.tileSize = -20;
    memory = {70, DockEdge::bottom};
    EXPECT_EQ(popupOrigin(input, memory).origin.y(), 100 + 70 + 20);
    memory = {70, DockEdge::left};
    EXPECT_EQ(popupOrigin(input, memory).origin.y(), 100 + 64 + 20);
    EXPECT_EQ(memory.cachedDockHeight, 64);
}

TEST(PopupOriginTest, MagnificationLiftsThePopupByWhatTheTilesGrow) {
    DockMemory memory;
    PopupPlacementInput input = clickOn(kBottomDock, {500, 30});
    input.dock.largeSize = 128;
    EXPECT_EQ(popupOrigin(input, memory).origin.y(), 85);
    input.dock.magnification = true;
    EXPECT_EQ(popupOrigin(input, memory).origin.y(), 64 + 79 + 20);
    // Tiles that shrink under the pointer lift nothing, and without a tile size there is nothing to grow
    // from.
    input.dock.largeSize = 32;
    EXPECT_EQ(popupOrigin(input, memory).origin.y(), 85);
    input.dock.largeSize = 128;
    input.dock.tileSize.reset();
    EXPECT_EQ(popupOrigin(input, memory).origin.y(), 85);
}

TEST(PopupOriginTest, SideDocksKeepThePopupBesideThemLevelWithTheClick) {
    DockMemory memory{64, DockEdge::bottom};
    PopupPlacement p = popupOrigin(clickOn(kLeftDock, {30, 400}), memory);
    EXPECT_EQ(p.edge, DockEdge::left);
    EXPECT_EQ(p.origin, QPointF(81, 300));
    EXPECT_EQ(p.arrowOffset, 0.0);
    EXPECT_EQ(memory.lastDockEdge, DockEdge::left);
    EXPECT_EQ(memory.cachedDockHeight, 64);

    // Clamped 8 points inside the visible frame at the top and the bottom.
    EXPECT_EQ(popupOrigin(clickOn(kLeftDock, {30, 860}), memory).origin, QPointF(81, 875 - 200 - 8));
    EXPECT_EQ(popupOrigin(clickOn(kLeftDock, {30, 20}), memory).origin, QPointF(81, 8));

    p = popupOrigin(clickOn(kRightDock, {1400, 400}), memory);
    EXPECT_EQ(p.edge, DockEdge::right);
    EXPECT_EQ(p.origin, QPointF(1370 - 300 - 11, 300));
    EXPECT_EQ(memory.lastDockEdge, DockEdge::right);
}

TEST(PopupMaximumHeightTest, ThePanelMayTakeTheVisibleFrameLessItsMarginsWhereItGoes) {
    const DockMemory memory;
    // Above a 64-point Dock the panel's bottom is at 85; its top may reach 8 points under the menu bar.
    PopupPlacementInput input = clickOn(kBottomDock, {500, 30});
    EXPECT_EQ(popupMaximumHeight(input, memory), 875 - 8 - 85);
    input.popupSize = QSizeF(300, 875 - 8 - 85);
    DockMemory placed;
    EXPECT_EQ(popupOrigin(input, placed).origin.y() + input.popupSize.height(), 875 - 8);
    // A magnifying Dock lifts the panel and leaves less; a hidden one starts it at its tiles' height.
    input.dock.largeSize = 128;
    input.dock.magnification = true;
    EXPECT_EQ(popupMaximumHeight(input, memory), 875 - 8 - (64 + 79 + 20));
    EXPECT_EQ(popupMaximumHeight(clickOn(kHiddenDock, {500, 30}), memory), 875 - 8 - 86);
    // Beside a side Dock, and centred, the panel moves to stay 8 points inside: the frame's height less 16.
    EXPECT_EQ(popupMaximumHeight(clickOn(kLeftDock, {30, 400}), memory), 875 - 16);
    EXPECT_EQ(popupMaximumHeight(clickOn(kRightDock, {1400, 400}), memory), 875 - 16);
    input = clickOn(kBottomDock, {500, 30});
    input.position = PopupPosition::center;
    EXPECT_EQ(popupMaximumHeight(input, memory), 811 - 16);
    // Whole points, and never below nothing.
    EXPECT_EQ(popupMaximumHeight(clickOn({kFrame, QRectF(0, 64, 1440, 811.6)}, {500, 30}), memory), 782);
    EXPECT_EQ(popupMaximumHeight(clickOn({kFrame, QRectF(0, 64, 1440, 10)}, {500, 30}), memory), 0);
}

// The arrow's tip in global y-up points, from the outline drawn in the panel with the published offset.
QPointF arrowTip(const PopupPlacement& p, QSizeF size) {
    const QRectF plate(kPopupShadowMargin, kPopupShadowMargin, size.width() - 2 * kPopupShadowMargin,
                       size.height() - 2 * kPopupShadowMargin);
    const QPainterPath path = folderPopupShape(p.edge, p.arrowOffset.value_or(0)).path(plate);
    // The tip is the outline's point furthest towards the Dock.
    QPointF tip = path.elementAt(0);
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPointF e = path.elementAt(i);
        if ((p.edge == DockEdge::bottom && e.y() > tip.y()) ||
            (p.edge == DockEdge::left && e.x() < tip.x()) || (p.edge == DockEdge::right && e.x() > tip.x())) {
            tip = e;
        }
    }
    // The view's y runs down from the panel's top edge.
    return {p.origin.x() + tip.x(), p.origin.y() + size.height() - tip.y()};
}

TEST(PopupOriginTest, ArrowPointsAtTheClickWhenThePopupWasShiftedAwayFromIt) {
    const QSizeF size(300, 200);
    DockMemory memory;
    struct Case {
        const char* name;
        ScreenGeometry screen;
        QPointF click;
    };
    // Each click is close enough to a screen edge that the popup is shifted by 40 or 50 points, within the
    // arrow's reach along its side.
    for (const Case& c : {Case{"left Dock, near the top", kLeftDock, {30, 807}},
                          Case{"right Dock, near the bottom", kRightDock, {1400, 78}},
                          Case{"bottom Dock, near the left", kBottomDock, {100, 30}}}) {
        SCOPED_TRACE(c.name);
        const PopupPlacement p = popupOrigin(clickOn(c.screen, c.click, size), memory);
        ASSERT_TRUE(p.arrowOffset.has_value());
        EXPECT_NE(*p.arrowOffset, 0.0);
        const QPointF tip = arrowTip(p, size);
        if (p.edge == DockEdge::bottom) {
            EXPECT_DOUBLE_EQ(tip.x(), c.click.x());
        } else {
            EXPECT_DOUBLE_EQ(tip.y(), c.click.y());
        }
    }
}

// A dock that says where the launcher is: the arrow's tip lands on that point on either axis, whatever room
// the dock leaves on the screen (none, for a dock that hides), also when the popup is shifted along the dock
// to stay on the screen; the room it may take is measured from there.
TEST(PopupOriginTest, AnAnchoredPopupPutsTheArrowsTipOnTheLauncher) {
    const QSizeF size(300, 200);
    struct Case {
        const char* name;
        DockEdge edge;
        QPointF launcher;
    };
    for (const Case& c : {Case{"bottom, mid screen", DockEdge::bottom, {700, 69}},
                          Case{"bottom, near the right", DockEdge::bottom, {1350, 69}},
                          Case{"left, near the top", DockEdge::left, {64, 800}},
                          Case{"right", DockEdge::right, {1376, 450}}}) {
        SCOPED_TRACE(c.name);
        DockMemory memory;
        PopupPlacementInput input = clickOn(kHiddenDock, c.launcher, size);
        input.anchoredEdge = c.edge;
        const PopupPlacement p = popupOrigin(input, memory);
        EXPECT_EQ(p.edge, c.edge);
        const QPointF tip = arrowTip(p, size);
        EXPECT_NEAR(tip.x(), c.launcher.x(), 0.01);
        EXPECT_NEAR(tip.y(), c.launcher.y(), 0.01);
        EXPECT_GE(p.origin.x(), kHiddenDock.visibleFrame.left());
        EXPECT_LE(p.origin.x() + size.width(), kHiddenDock.visibleFrame.right());
    }
    PopupPlacementInput input = clickOn(kHiddenDock, {700, 69}, size);
    input.anchoredEdge = DockEdge::bottom;
    EXPECT_EQ(popupMaximumHeight(input, DockMemory{}), std::floor(875 - 8 - (69 - kPopupShadowMargin)));
}

TEST(PopupOriginTest, TheScreenHoldingTheClickElseTheMainOne) {
    // The main screen with a bottom Dock, a second to its right with no Dock, a third above the main one
    // with a left Dock.
    PopupPlacementInput input = clickOn(kBottomDock, {2000, 500});
    input.screens.append({QRectF(1440, 0, 1920, 1080), QRectF(1440, 0, 1920, 1055)});
    input.screens.append({QRectF(0, 900, 1440, 900), QRectF(70, 900, 1370, 875)});
    DockMemory memory;
    PopupPlacement p = popupOrigin(input, memory);
    EXPECT_EQ(p.edge, DockEdge::bottom);
    EXPECT_EQ(p.origin, QPointF(1850, 66 + 20));

    // Between two screens: the left and top edges belong to a screen, the right and bottom ones do not.
    input.arrowLocation = {1440, 500};
    EXPECT_EQ(popupOrigin(input, memory).origin.y(), 86);
    input.arrowLocation = {500, 900};
    EXPECT_EQ(popupOrigin(input, memory).edge, DockEdge::bottom);
    input.arrowLocation = {500, 900.5};
    EXPECT_EQ(popupOrigin(input, memory).edge, DockEdge::left);

    // Outside every screen: the main one, whichever it is in the list.
    input.arrowLocation = {-500, -500};
    input.mainScreenIndex = 2;
    EXPECT_EQ(popupOrigin(input, memory).edge, DockEdge::left);
    // No screen at all still gives a corner.
    input.screens.clear();
    input.mainScreenIndex.reset();
    p = popupOrigin(input, memory);
    EXPECT_TRUE(std::isfinite(p.origin.x()) && std::isfinite(p.origin.y()));
}

TEST(PopupFrameTest, CentredPopupGrowsAboutItsCentreOrOpensInTheMiddleOfTheMainScreen) {
    PopupPlacementInput input = clickOn(kBottomDock, {500, 30}, {340, 220});
    input.position = PopupPosition::center;
    input.screens.prepend({QRectF(-1920, 0, 1920, 1080), QRectF(-1920, 0, 1920, 1055)});
    input.mainScreenIndex = 1;
    DockMemory memory;

    const PopupFrame grown = popupFrame(input, QRectF(100, 100, 300, 200), memory);
    EXPECT_EQ(grown.frame, QRectF(80, 90, 340, 220));
    EXPECT_TRUE(grown.animated);
    EXPECT_FALSE(grown.arrowOffset.has_value());

    // Hidden: the middle of the main screen's visible frame, placed at once.
    const PopupFrame opened = popupFrame(input, std::nullopt, memory);
    EXPECT_EQ(opened.frame, QRectF(720 - 170, 64 + 405.5 - 110, 340, 220));
    EXPECT_FALSE(opened.animated);
    input.mainScreenIndex.reset();
    EXPECT_EQ(popupFrame(input, std::nullopt, memory).frame.center(), QPointF(-960, 527.5));
    // popupOrigin itself centres on the click's screen and leaves the arrow alone.
    EXPECT_FALSE(popupOrigin(input, memory).arrowOffset.has_value());

    // Above the Dock the frame is the placement's, animated only when the panel is visible.
    input.position = PopupPosition::aboveDock;
    input.mainScreenIndex = 1;
    const PopupFrame above = popupFrame(input, QRectF(100, 100, 300, 200), memory);
    EXPECT_EQ(above.frame, QRectF(500 - 170, 85, 340, 220));
    EXPECT_EQ(above.arrowOffset, 0.0);
    EXPECT_TRUE(above.animated);
}

TEST(SeedCachedDockHeightTest, TilesPlusEighteenOrSixtyFourAndNothingNotPositive) {
    DockMemory memory;
    seedCachedDockHeight(memory, 48);
    EXPECT_EQ(memory.cachedDockHeight, 66);
    seedCachedDockHeight(memory, std::nullopt);
    EXPECT_EQ(memory.cachedDockHeight, 64);
    seedCachedDockHeight(memory, -18);
    EXPECT_EQ(memory.cachedDockHeight, 64);
}

} // namespace
} // namespace tessly
