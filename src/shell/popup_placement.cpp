#include "shell/popup_placement.h"

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {

// The visible frame has to be narrower than the frame by more than this for the Dock to count as taking room:
// frames are fractional, and a hidden Dock may still leave a sliver.
constexpr double kDockTolerance = 1.0;
// The popup never touches the edge of the visible frame.
constexpr double kScreenMargin = 8.0;
// A side Dock's popup keeps this far from the visible frame's edge beside the Dock.
constexpr double kSideDockGap = 11.0;
// A hidden Dock is as thick as its tiles plus this, or kDefaultDockHeight when the Dock reports no tile size.
constexpr double kDockThicknessOverTiles = 18.0;
constexpr double kDefaultDockHeight = 64.0;
// Above a bottom Dock: the tiles' own margin and the arrow's reach, less the panel's transparent margin, and
// never lower than one point above the Dock.
constexpr double kTileTopMargin = 18.0;
constexpr double kArrowClearance = 5.0;
constexpr double kPanelMargin = 24.0;
constexpr double kMinimumLift = 1.0;
constexpr double kLiftOverHiddenDock = 19.0;
constexpr double kLiftOverVisibleDock = 20.0;

// The platform's mouse-in-rectangle test on y-up coordinates: the left and top edges are inside, the right
// and bottom edges outside, so a point on the line between two screens belongs to exactly one of them.
bool mouseInRect(QPointF point, const QRectF& rect) {
    return point.x() >= rect.left() && point.x() < rect.right() && point.y() > rect.top() &&
           point.y() <= rect.bottom();
}

// QRectF's "top" is its smallest y; in these y-up frames that is the bottom edge on screen.
double minY(const QRectF& r) {
    return r.top();
}
double maxY(const QRectF& r) {
    return r.bottom();
}
double minX(const QRectF& r) {
    return r.left();
}
double maxX(const QRectF& r) {
    return r.right();
}

std::optional<ScreenGeometry> mainScreen(const PopupPlacementInput& input) {
    if (input.mainScreenIndex && *input.mainScreenIndex >= 0 &&
        *input.mainScreenIndex < input.screens.size()) {
        return input.screens.at(*input.mainScreenIndex);
    }
    return std::nullopt;
}

// The first screen holding the click, else the main screen; with neither an empty screen, so the arithmetic
// still yields a frame.
ScreenGeometry screenUnderArrow(const PopupPlacementInput& input) {
    for (const ScreenGeometry& screen : input.screens) {
        if (mouseInRect(input.arrowLocation, screen.frame)) {
            return screen;
        }
    }
    return mainScreen(input).value_or(ScreenGeometry{});
}

QPointF centeredIn(const QRectF& area, QSizeF size) {
    return {area.center().x() - size.width() * 0.5, area.center().y() - size.height() * 0.5};
}

// How thick the bottom Dock is: the room it takes, or when it is hidden the room it will take when it slides
// in.
double bottomDockHeight(double inset, const DockValues& dock, const DockMemory& memory) {
    if (inset > kDockTolerance) {
        return inset;
    }
    const double candidate = dock.tileSize ? *dock.tileSize + kDockThicknessOverTiles : kDefaultDockHeight;
    if (candidate > kDockTolerance) {
        return candidate;
    }
    if (memory.cachedDockHeight > kDockTolerance && memory.lastDockEdge == DockEdge::bottom) {
        return memory.cachedDockHeight;
    }
    return kDefaultDockHeight;
}

// How much taller than its resting tiles a magnifying Dock grows under the pointer. Without a tile size there
// is nothing to grow from and no extra.
double magnificationExtra(const DockValues& dock) {
    if (!dock.tileSize) {
        return 0.0;
    }
    double effective = *dock.tileSize;
    if (dock.magnification && dock.largeSize) {
        effective = std::max(*dock.largeSize, effective);
    }
    return std::max(0.0, effective - *dock.tileSize);
}

struct BottomDockLift {
    double dockHeight = 0;
    /// The panel's bottom edge.
    double y = 0;
};

// How high above a bottom Dock the panel's bottom edge goes: over the Dock's tiles, magnified or not, with
// room for the arrow.
BottomDockLift bottomDockLift(const ScreenGeometry& screen, const DockValues& dock,
                              const DockMemory& memory) {
    const QRectF& f = screen.frame;
    const QRectF& v = screen.visibleFrame;
    const double inset = minY(v) - minY(f);
    const double dockHeight = bottomDockHeight(inset, dock, memory);
    const double base = minY(f) + dockHeight;
    const double lift =
        std::max(base + kTileTopMargin + magnificationExtra(dock) + kArrowClearance - kPanelMargin,
                 base + kMinimumLift);
    return {dockHeight, lift + (inset > kDockTolerance ? kLiftOverVisibleDock : kLiftOverHiddenDock)};
}

// The screen a hidden centred panel opens on: the main screen, else the first one.
ScreenGeometry screenForCentredPanel(const PopupPlacementInput& input) {
    return mainScreen(input).value_or(input.screens.isEmpty() ? ScreenGeometry{} : input.screens.first());
}

// Beside a launcher whose place the dock told: the arrow's tip, which lies on the plate's edge inside the
// transparent margin, on the launcher's outer side; along the dock, as for a click, 8 points inside the
// visible frame.
PopupPlacement anchoredPlacement(const PopupPlacementInput& input, const QRectF& v) {
    const double w = input.popupSize.width();
    const double h = input.popupSize.height();
    const double ax = input.arrowLocation.x();
    const double ay = input.arrowLocation.y();
    PopupPlacement placement;
    placement.edge = *input.anchoredEdge;
    if (placement.edge == DockEdge::bottom) {
        const double x =
            std::min(maxX(v) - w - kScreenMargin, std::max(ax - w * 0.5, minX(v) + kScreenMargin));
        placement.origin = QPointF(x, ay - kPanelMargin);
        placement.arrowOffset = (ax - w * 0.5) - x;
        return placement;
    }
    const double y = std::min(maxY(v) - h - kScreenMargin, std::max(ay - h * 0.5, minY(v) + kScreenMargin));
    const double x = placement.edge == DockEdge::left ? ax - kPanelMargin : ax - w + kPanelMargin;
    placement.origin = QPointF(x, y);
    placement.arrowOffset = y - (ay - h * 0.5);
    return placement;
}

} // namespace

DockEdge detectDockEdge(const ScreenGeometry& screen, DockMemory& memory) {
    const QRectF& f = screen.frame;
    const QRectF& v = screen.visibleFrame;
    if (minY(v) > minY(f) + kDockTolerance) {
        memory.cachedDockHeight = minY(v) - minY(f);
        memory.lastDockEdge = DockEdge::bottom;
        return DockEdge::bottom;
    }
    if (minX(v) > minX(f) + kDockTolerance) {
        memory.lastDockEdge = DockEdge::left;
        return DockEdge::left;
    }
    if (maxX(f) - kDockTolerance > maxX(v)) {
        memory.lastDockEdge = DockEdge::right;
        return DockEdge::right;
    }
    // The Dock takes no room here (hidden, or on another screen): guess bottom, but learn nothing from it.
    return DockEdge::bottom;
}

PopupPlacement popupOrigin(const PopupPlacementInput& input, DockMemory& memory) {
    const ScreenGeometry screen = screenUnderArrow(input);
    const QRectF& v = screen.visibleFrame;
    const double w = input.popupSize.width();
    const double h = input.popupSize.height();
    const double ax = input.arrowLocation.x();
    const double ay = input.arrowLocation.y();

    PopupPlacement placement;
    placement.edge = detectDockEdge(screen, memory);
    if (input.position == PopupPosition::center) {
        placement.origin = centeredIn(v, input.popupSize);
        return placement;
    }
    if (input.anchoredEdge) {
        return anchoredPlacement(input, v);
    }

    if (placement.edge == DockEdge::bottom) {
        // Centred over the click, 8 points inside the visible frame; a popup wider than the screen keeps its
        // right side in, since the right bound is applied last.
        const double x =
            std::min(maxX(v) - w - kScreenMargin, std::max(ax - w * 0.5, minX(v) + kScreenMargin));
        const BottomDockLift lift = bottomDockLift(screen, input.dock, memory);
        memory.cachedDockHeight = lift.dockHeight;
        placement.origin = QPointF(x, lift.y);
        // How far right of the popup's centre the click lies.
        placement.arrowOffset = (ax - w * 0.5) - x;
        return placement;
    }

    // A side Dock: level with the click, 8 points inside the visible frame, 11 points clear of the Dock.
    const double y = std::min(maxY(v) - h - kScreenMargin, std::max(ay - h * 0.5, minY(v) + kScreenMargin));
    const double x = placement.edge == DockEdge::left ? minX(v) + kSideDockGap : maxX(v) - w - kSideDockGap;
    placement.origin = QPointF(x, y);
    // The click lies (ay - h/2) - y above the popup's centre on screen; the outline counts its offset
    // downwards in the view, so the published offset is the negation. Unshifted popups give 0 either way; a
    // popup pushed away from the click near the top or bottom of the screen keeps its arrow on the click
    // instead of mirrored about its centre.
    placement.arrowOffset = y - (ay - h * 0.5);
    return placement;
}

PopupFrame popupFrame(const PopupPlacementInput& input, const std::optional<QRectF>& openPanelFrame,
                      DockMemory& memory) {
    const QSizeF size = input.popupSize;
    PopupFrame result;
    result.animated = openPanelFrame.has_value();
    if (input.position == PopupPosition::aboveDock) {
        const PopupPlacement placement = popupOrigin(input, memory);
        result.frame = QRectF(placement.origin, size);
        result.arrowOffset = placement.arrowOffset;
        return result;
    }
    if (openPanelFrame) {
        // The open panel stays where the user sees it, growing or shrinking about its centre.
        result.frame = QRectF(openPanelFrame->x() + (openPanelFrame->width() - size.width()) * 0.5,
                              openPanelFrame->y() + (openPanelFrame->height() - size.height()) * 0.5,
                              size.width(), size.height());
        return result;
    }
    // A hidden panel opens in the middle of the main screen, else the first one.
    result.frame = QRectF(centeredIn(screenForCentredPanel(input).visibleFrame, size), size);
    return result;
}

double popupMaximumHeight(const PopupPlacementInput& input, DockMemory memory) {
    if (input.position == PopupPosition::center) {
        return std::max(std::floor(screenForCentredPanel(input).visibleFrame.height() - 2 * kScreenMargin),
                        0.0);
    }
    const ScreenGeometry screen = screenUnderArrow(input);
    const QRectF& v = screen.visibleFrame;
    if (input.anchoredEdge == DockEdge::bottom) {
        return std::max(std::floor(maxY(v) - kScreenMargin - (input.arrowLocation.y() - kPanelMargin)), 0.0);
    }
    if (input.anchoredEdge || detectDockEdge(screen, memory) != DockEdge::bottom) {
        // Beside a side Dock the panel moves up or down to stay 8 points inside the visible frame.
        return std::max(std::floor(v.height() - 2 * kScreenMargin), 0.0);
    }
    // Above a bottom Dock its bottom edge is fixed; its top keeps 8 points under the top of the visible
    // frame.
    return std::max(std::floor(maxY(v) - kScreenMargin - bottomDockLift(screen, input.dock, memory).y), 0.0);
}

void seedCachedDockHeight(DockMemory& memory, std::optional<double> tileSize) {
    const double candidate = tileSize ? *tileSize + kDockThicknessOverTiles : kDefaultDockHeight;
    if (candidate > 0) {
        memory.cachedDockHeight = candidate;
    }
}

} // namespace tessly
