// The outline of the folder popup's plate when the popup is anchored at the Dock: a rounded rectangle with a
// triangular arrow on the side facing the Dock, pointing at the clicked tile.
//
//     const PopupShape shape = folderPopupShape(DockEdge::bottom, settings.popupArrowOffset());
//     painter.fillPath(shape.path(plateRect), material);
//     // sliding the arrow to a new offset, frame by frame:
//     const PopupShape frame = PopupShape::interpolated(shown, target, progress);
//
// Coordinates are the view's: origin at the top left, y pointing down. A plain value; use it from any thread.
#pragma once

#include "model/enumerations.h"

#include <QPainterPath>
#include <QRectF>

namespace tessly {

/// The folder popup's plate: its corner radius and the arrow's base and height.
inline constexpr double kPopupCornerRadius = 18.0;
inline constexpr double kPopupArrowWidth = 24.0;
inline constexpr double kPopupArrowHeight = 12.0;

struct PopupShape {
    /// The side that carries the arrow. The top side never does.
    DockEdge edge = DockEdge::bottom;
    /// Radius of the four body corners.
    double cornerRadius = 0;
    /// Width of the arrow's base.
    double arrowWidth = 0;
    /// How far the arrow's tip sticks out beyond the body; the body gives up this much on the Dock side only.
    double arrowHeight = 0;
    /// Displacement of the arrow from the middle of its side: positive moves it rightwards on a bottom edge
    /// and downwards on a left or right edge. Kept clear of the rounded corners when the path is built.
    double arrowOffset = 0;

    /// The closed outline within `rect`, running clockwise from the top-left corner's end; the arrow's tip
    /// touches `rect`'s edge on the Dock side.
    [[nodiscard]] QPainterPath path(const QRectF& rect) const;

    /// The shape a fraction `t` of the way from `from` to `to`. Only the arrow's offset moves, so a new
    /// offset slides the arrow along its side; every other field is `to`'s at once.
    [[nodiscard]] static PopupShape interpolated(const PopupShape& from, const PopupShape& to, double t);

    friend bool operator==(const PopupShape&, const PopupShape&) = default;
};

/// The folder popup's outline for a Dock at `edge` with the arrow at `arrowOffset`.
[[nodiscard]] PopupShape folderPopupShape(DockEdge edge, double arrowOffset);

} // namespace tessly
