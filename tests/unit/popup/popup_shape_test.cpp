// The popup's outline: the body inset on the Dock side, the arrow's tip and base where the click is, kept
// clear of the rounded corners, and the offset as the only value that slides.
#include "popup/popup_shape.h"

#include <QList>
#include <gtest/gtest.h>

namespace tessly {
namespace {

constexpr double kTolerance = 1e-6;

// The points the outline runs through: where each line or arc ends, with the control points of the arcs left
// out and repeated points dropped.
QList<QPointF> outlinePoints(const QPainterPath& path) {
    QList<QPointF> points;
    for (int i = 0; i < path.elementCount(); ++i) {
        QPainterPath::Element e = path.elementAt(i);
        if (e.type == QPainterPath::CurveToElement) {
            i += 2;
            e = path.elementAt(i);
        }
        const QPointF p(e.x, e.y);
        if (points.isEmpty() || QLineF(points.last(), p).length() > kTolerance) {
            points.append(p);
        }
    }
    return points;
}

void expectPoints(const QList<QPointF>& actual, const QList<QPointF>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(actual[i].x(), expected[i].x(), kTolerance);
        EXPECT_NEAR(actual[i].y(), expected[i].y(), kTolerance);
    }
}

// The arrow's three points (base, tip, base) in the order the outline passes them: the tip is the one point
// on the Dock side of the body's rounded corners.
QList<QPointF> arrowPoints(const QPainterPath& path, DockEdge edge, const QRectF& rect) {
    const QList<QPointF> points = outlinePoints(path);
    for (qsizetype i = 1; i + 1 < points.size(); ++i) {
        const QPointF p = points[i];
        const bool tip = (edge == DockEdge::bottom && std::abs(p.y() - rect.bottom()) < kTolerance) ||
                         (edge == DockEdge::left && std::abs(p.x() - rect.left()) < kTolerance) ||
                         (edge == DockEdge::right && std::abs(p.x() - rect.right()) < kTolerance);
        if (tip) {
            return {points[i - 1], p, points[i + 1]};
        }
    }
    return {};
}

const QRectF kRect(0, 0, 300, 200);

TEST(PopupShapeTest, BottomArrowRunsClockwiseThroughBodyCornersAndTip) {
    const QPainterPath path = folderPopupShape(DockEdge::bottom, 0).path(kRect);
    EXPECT_EQ(path.elementAt(0).type, QPainterPath::MoveToElement);
    // The body is 300 x 188; the arrow's 12 points come out of the bottom only.
    expectPoints(outlinePoints(path), {{18, 0},
                                       {282, 0},
                                       {300, 18},
                                       {300, 170},
                                       {282, 188},
                                       {162, 188},
                                       {150, 200},
                                       {138, 188},
                                       {18, 188},
                                       {0, 170},
                                       {0, 18},
                                       {18, 0}});
    EXPECT_EQ(path.boundingRect(), kRect);

    // The corners bulge outwards: just inside each arc is inside, the rectangle's corner beyond it is not.
    EXPECT_TRUE(path.contains(QPointF(6, 6)));
    EXPECT_FALSE(path.contains(QPointF(3, 3)));
    EXPECT_TRUE(path.contains(QPointF(294, 6)));
    EXPECT_FALSE(path.contains(QPointF(297, 3)));
    EXPECT_TRUE(path.contains(QPointF(294, 182)));
    EXPECT_FALSE(path.contains(QPointF(297, 185)));
    // Below the body only the arrow is filled.
    EXPECT_TRUE(path.contains(QPointF(150, 197)));
    EXPECT_FALSE(path.contains(QPointF(156, 197)));
    EXPECT_FALSE(path.contains(QPointF(60, 194)));
}

TEST(PopupShapeTest, BottomArrowFollowsItsOffsetUntilTheCorners) {
    const auto tipAt = [](double offset, const QRectF& rect) {
        const QList<QPointF> arrow =
            arrowPoints(folderPopupShape(DockEdge::bottom, offset).path(rect), DockEdge::bottom, rect);
        return arrow.size() == 3 ? arrow[1] : QPointF(-1, -1);
    };
    EXPECT_EQ(tipAt(100, kRect), QPointF(250, 200));
    EXPECT_EQ(tipAt(-100, kRect), QPointF(50, 200));
    // 150 - 18 - 12 = 120 either side of the middle at most.
    EXPECT_EQ(tipAt(500, kRect), QPointF(270, 200));
    EXPECT_EQ(tipAt(-500, kRect), QPointF(30, 200));
    expectPoints(arrowPoints(folderPopupShape(DockEdge::bottom, 500).path(kRect), DockEdge::bottom, kRect),
                 {{282, 188}, {270, 200}, {258, 188}});
    // Placed by the rectangle's own edges, wherever it is: the plate sits 24 points into the panel.
    EXPECT_EQ(tipAt(10, QRectF(24, 24, 300, 200)), QPointF(184, 224));
}

TEST(PopupShapeTest, TinyRectangleKeepsItsArrowInOnePlaceWhateverTheOffset) {
    // 40 x 30: limit = 20 - 18 - 12 = -10, so every offset puts the tip 10 points left of the middle.
    const QRectF tiny(0, 0, 40, 30);
    for (const double offset : {-500.0, -10.0, 0.0, 10.0, 500.0}) {
        SCOPED_TRACE(offset);
        const QList<QPointF> arrow =
            arrowPoints(folderPopupShape(DockEdge::bottom, offset).path(tiny), DockEdge::bottom, tiny);
        expectPoints(arrow, {{22, 18}, {10, 30}, {-2, 18}});
    }
}

TEST(PopupShapeTest, SideArrowsComeOutOfTheirSideAndMoveDownForAPositiveOffset) {
    for (const double d : {0.0, 40.0, -40.0}) {
        SCOPED_TRACE(d);
        const QPainterPath left = folderPopupShape(DockEdge::left, d).path(kRect);
        // Going up the left side: the lower base point, the tip, the upper base point.
        expectPoints(arrowPoints(left, DockEdge::left, kRect), {{12, 112 + d}, {0, 100 + d}, {12, 88 + d}});
        EXPECT_EQ(left.boundingRect(), kRect);
        // The body starts 12 points in: beside the arrow the left strip is empty, the bottom is not cut.
        EXPECT_FALSE(left.contains(QPointF(6, 100 + d + 10)));
        EXPECT_TRUE(left.contains(QPointF(150, 197)));

        const QPainterPath right = folderPopupShape(DockEdge::right, d).path(kRect);
        // Going down the right side: the upper base point, the tip, the lower base point.
        expectPoints(arrowPoints(right, DockEdge::right, kRect),
                     {{288, 88 + d}, {300, 100 + d}, {288, 112 + d}});
        EXPECT_FALSE(right.contains(QPointF(294, 100 + d + 10)));
        EXPECT_TRUE(right.contains(QPointF(6, 100)));
    }
    // Along a side the limit comes from the height: 100 - 18 - 12 = 70.
    const QList<QPointF> clamped =
        arrowPoints(folderPopupShape(DockEdge::left, 500).path(kRect), DockEdge::left, kRect);
    ASSERT_EQ(clamped.size(), 3);
    EXPECT_EQ(clamped[1], QPointF(0, 170));
}

TEST(PopupShapeTest, OnlyTheOffsetIsInterpolated) {
    const PopupShape from{DockEdge::left, 10, 20, 6, 0};
    const PopupShape to = folderPopupShape(DockEdge::bottom, 100);
    const PopupShape quarter = PopupShape::interpolated(from, to, 0.25);
    EXPECT_EQ(quarter, (PopupShape{DockEdge::bottom, 18, 24, 12, 25}));
    EXPECT_EQ(PopupShape::interpolated(from, to, 0).arrowOffset, 0);
    EXPECT_EQ(PopupShape::interpolated(from, to, 1), to);
}

} // namespace
} // namespace tessly
