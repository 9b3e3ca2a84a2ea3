#include "popup/popup_shape.h"

#include <algorithm>

namespace tessly {

namespace {

// Adds the arc of the circle at `center` from `fromDegrees` to `toDegrees`, measured on the y-down canvas
// (0 pointing right, 90 pointing down), so increasing angles run clockwise on screen. Qt measures its angles
// the other way round, counter-clockwise, hence the negated start and sweep. Like any arc it joins the
// current point with a line first.
void addArc(QPainterPath& path, QPointF center, double radius, double fromDegrees, double toDegrees) {
    const QRectF bounds(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    path.arcTo(bounds, -fromDegrees, -(toDegrees - fromDegrees));
}

} // namespace

QPainterPath PopupShape::path(const QRectF& rect) const {
    const double r = cornerRadius;
    const double half = arrowWidth / 2;

    // The arrow's room comes out of the Dock side only.
    const double top = rect.top();
    const double left = edge == DockEdge::left ? rect.left() + arrowHeight : rect.left();
    const double right = edge == DockEdge::right ? rect.right() - arrowHeight : rect.right();
    const double bottom = edge == DockEdge::bottom ? rect.bottom() - arrowHeight : rect.bottom();

    // The arrow's base never runs into a rounded corner. On a rectangle too small for both, `limit` is
    // negative and wins over the lower bound, so every offset lands on the same spot.
    const double side = edge == DockEdge::bottom ? rect.width() : rect.height();
    const double limit = side / 2 - r - half;
    const double d = std::min(std::max(arrowOffset, -limit), limit);

    QPainterPath path;
    path.moveTo(left + r, top);
    path.lineTo(right - r, top);
    addArc(path, {right - r, top + r}, r, -90, 0);
    if (edge == DockEdge::right) {
        const double m = rect.center().y() + d;
        path.lineTo(right, m - half);
        path.lineTo(rect.right(), m);
        path.lineTo(right, m + half);
    }
    path.lineTo(right, bottom - r);
    addArc(path, {right - r, bottom - r}, r, 0, 90);
    if (edge == DockEdge::bottom) {
        const double m = rect.center().x() + d;
        path.lineTo(m + half, bottom);
        path.lineTo(m, rect.bottom());
        path.lineTo(m - half, bottom);
    }
    path.lineTo(left + r, bottom);
    addArc(path, {left + r, bottom - r}, r, 90, 180);
    if (edge == DockEdge::left) {
        const double m = rect.center().y() + d;
        path.lineTo(left, m + half);
        path.lineTo(rect.left(), m);
        path.lineTo(left, m - half);
    }
    path.lineTo(left, top + r);
    addArc(path, {left + r, top + r}, r, 180, 270);
    path.closeSubpath();
    return path;
}

PopupShape PopupShape::interpolated(const PopupShape& from, const PopupShape& to, double t) {
    PopupShape shape = to;
    shape.arrowOffset = from.arrowOffset + (to.arrowOffset - from.arrowOffset) * t;
    return shape;
}

PopupShape folderPopupShape(DockEdge edge, double arrowOffset) {
    return {edge, kPopupCornerRadius, kPopupArrowWidth, kPopupArrowHeight, arrowOffset};
}

} // namespace tessly
