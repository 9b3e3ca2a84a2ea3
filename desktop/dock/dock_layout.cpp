#include "dock_layout.h"

#include <algorithm>
#include <cmath>

namespace tessly::dock {

namespace {

bool isVertical(DockOrientation orientation) {
    return orientation != DockOrientation::bottom;
}

/// The grown size of a tile whose resting centre is `distance` from the pointer along the strip.
double magnifiedSize(double tileSize, double largeSize, double distance) {
    const double reach = kMagnificationReach * tileSize;
    if (largeSize <= tileSize || distance >= reach) {
        return tileSize;
    }
    // A cosine bell: the tile under the pointer reaches the large size, the growth fades smoothly to nothing
    // at the reach, so neighbours move without jumps as the pointer slides.
    const double weight = (1 + std::cos(M_PI * distance / reach)) / 2;
    return tileSize + (largeSize - tileSize) * weight;
}

/// The square of side `size` whose near edge lies `padding` from the screen edge of `strip`, at `along`.
QRectF tileRect(const QRectF& screen, DockOrientation orientation, double along, double size) {
    switch (orientation) {
    case DockOrientation::bottom:
        return {along, screen.bottom() - kDockPadding - size, size, size};
    case DockOrientation::left:
        return {screen.left() + kDockPadding, along, size, size};
    case DockOrientation::right:
        return {screen.right() - kDockPadding - size, along, size, size};
    }
    return {};
}

/// A band of `thickness` on the Dock's edge of `screen`, `length` long, centred along the edge.
QRectF band(const QRectF& screen, DockOrientation orientation, double length, double thickness) {
    switch (orientation) {
    case DockOrientation::bottom:
        return {screen.center().x() - length / 2, screen.bottom() - thickness, length, thickness};
    case DockOrientation::left:
        return {screen.left(), screen.center().y() - length / 2, thickness, length};
    case DockOrientation::right:
        return {screen.right() - thickness, screen.center().y() - length / 2, thickness, length};
    }
    return {};
}

} // namespace

DockOrientation orientationFromText(const std::optional<QString>& text) {
    if (text == QStringLiteral("left")) {
        return DockOrientation::left;
    }
    if (text == QStringLiteral("right")) {
        return DockOrientation::right;
    }
    return DockOrientation::bottom;
}

QString orientationText(DockOrientation orientation) {
    switch (orientation) {
    case DockOrientation::left:
        return QStringLiteral("left");
    case DockOrientation::right:
        return QStringLiteral("right");
    case DockOrientation::bottom:
        break;
    }
    return QStringLiteral("bottom");
}

DockLayout layoutDock(const DockLayoutInput& input) {
    DockLayout layout;
    layout.orientation = input.orientation;
    const bool vertical = isVertical(input.orientation);
    const int count = std::max(0, input.keptCount) + std::max(0, input.otherCount);
    const bool hasSeparator = input.keptCount > 0 && input.otherCount > 0;
    const double extra = 2 * kDockPadding + (count > 1 ? (count - 1) * kDockTileSpacing : 0) +
                         (hasSeparator ? kDockSeparatorGap : 0);
    const double screenLength = vertical ? input.screen.height() : input.screen.width();
    double tileSize = std::clamp(std::isfinite(input.tileSize) ? input.tileSize : 48, kDockMinimumTileSize,
                                 kDockMaximumTileSize);
    // Too many tiles for the screen: they shrink until the strip fits, as the Dock does.
    if (count > 0 && extra + count * tileSize > screenLength) {
        tileSize = std::max(1.0, (screenLength - extra) / count);
    }
    layout.tileSize = tileSize;
    const double thickness = tileSize + 2 * kDockPadding;
    const double restingLength = std::max(thickness, extra + count * tileSize);
    layout.strip = band(input.screen, input.orientation, restingLength, thickness);
    const double stripStart = vertical ? layout.strip.top() : layout.strip.left();

    // Resting centres first: magnification is decided by the pointer's distance from where tiles rest, so a
    // tile does not run away from the pointer as it grows.
    QList<double> sizes;
    double along = stripStart + kDockPadding;
    const bool magnifies = input.magnification && input.pointer && std::isfinite(input.largeSize);
    const double largeSize = magnifies ? std::min(input.largeSize, kDockMaximumTileSize) : tileSize;
    for (int index = 0; index < count; ++index) {
        if (hasSeparator && index == input.keptCount) {
            along += kDockSeparatorGap;
        }
        const double centre = along + tileSize / 2;
        const double pointer = magnifies ? (vertical ? input.pointer->y() : input.pointer->x()) : centre;
        sizes.append(magnifies ? magnifiedSize(tileSize, largeSize, std::abs(pointer - centre)) : tileSize);
        along += tileSize + kDockTileSpacing;
    }
    double grownLength = extra;
    double thickest = tileSize;
    for (const double size : sizes) {
        grownLength += size;
        thickest = std::max(thickest, size);
    }
    // Grown tiles spread from the strip's centre, so the row stays centred on the screen.
    const double length = std::max(restingLength, grownLength);
    along =
        (vertical ? input.screen.center().y() : input.screen.center().x()) - grownLength / 2 + kDockPadding;
    for (int index = 0; index < count; ++index) {
        if (hasSeparator && index == input.keptCount) {
            const double middle = along - kDockTileSpacing / 2 + kDockSeparatorGap / 2;
            layout.separator = vertical
                                   ? QRectF(layout.strip.left() + kDockPadding, middle - 0.5, tileSize, 1)
                                   : QRectF(middle - 0.5, layout.strip.top() + kDockPadding, 1, tileSize);
            along += kDockSeparatorGap;
        }
        layout.tiles.append(tileRect(input.screen, input.orientation, along, sizes.at(index)));
        along += sizes.at(index) + kDockTileSpacing;
    }
    layout.window = band(input.screen, input.orientation, length, thickest + 2 * kDockPadding);
    return layout;
}

QPointF runningDotCentre(const QRectF& tile, DockOrientation orientation) {
    switch (orientation) {
    case DockOrientation::bottom:
        return {tile.center().x(), tile.bottom() + kDockPadding / 2};
    case DockOrientation::left:
        return {tile.left() - kDockPadding / 2, tile.center().y()};
    case DockOrientation::right:
        return {tile.right() + kDockPadding / 2, tile.center().y()};
    }
    return {};
}

std::optional<int> tileAt(const DockLayout& layout, const QPointF& point) {
    for (int index = 0; index < layout.tiles.size(); ++index) {
        // Half the spacing on every side, and the padding up to the screen edge: a pointer thrown against the
        // edge still hits the tile in front of it.
        QRectF target = layout.tiles.at(index).adjusted(-kDockTileSpacing / 2, -kDockTileSpacing / 2,
                                                        kDockTileSpacing / 2, kDockTileSpacing / 2);
        switch (layout.orientation) {
        case DockOrientation::bottom:
            target.setBottom(target.bottom() + kDockPadding);
            break;
        case DockOrientation::left:
            target.setLeft(target.left() - kDockPadding);
            break;
        case DockOrientation::right:
            target.setRight(target.right() + kDockPadding);
            break;
        }
        if (target.contains(point)) {
            return index;
        }
    }
    return std::nullopt;
}

std::array<std::uint32_t, 12> strutPartial(const QRect& strip, const QRect& root,
                                           DockOrientation orientation) {
    std::array<std::uint32_t, 12> strut{};
    const auto at = [](int value) { return static_cast<std::uint32_t>(std::max(0, value)); };
    switch (orientation) {
    case DockOrientation::bottom:
        // Measured from the root's bottom edge, so a screen above another still reserves its own bottom.
        strut[3] = at(root.y() + root.height() - strip.y());
        strut[10] = at(strip.x());
        strut[11] = at(strip.x() + strip.width() - 1);
        break;
    case DockOrientation::left:
        strut[0] = at(strip.x() + strip.width() - root.x());
        strut[4] = at(strip.y());
        strut[5] = at(strip.y() + strip.height() - 1);
        break;
    case DockOrientation::right:
        strut[1] = at(root.x() + root.width() - strip.x());
        strut[6] = at(strip.y());
        strut[7] = at(strip.y() + strip.height() - 1);
        break;
    }
    return strut;
}

} // namespace tessly::dock
