// Where the stand-in Dock's strip, tiles, separator and running dots go, and the room it reserves from the
// window manager: plain arithmetic on rectangles, tested without a display.
//
//     DockLayoutInput input{screen, DockOrientation::bottom, 48, 3, 2};
//     input.pointer = hoveredPoint;                    // magnification follows the pointer
//     const DockLayout layout = layoutDock(input);
//     const auto strut = strutPartial(layout.strip, rootGeometry, input.orientation);
//
// All rectangles are in Qt's global coordinates (y down, logical pixels). The strip lies on the screen's
// edge, centred along it, tileSize + 2 * kDockPadding thick; tiles sit kDockPadding from the edge and grow
// away from it when magnified. The window is the strip, made thicker and longer while magnified tiles need
// the room.
//
// Any thread: nothing here touches Qt's GUI state.
#pragma once

#include <QList>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

namespace tessly::dock {

enum class DockOrientation { bottom, left, right };

/// The Dock's "orientation" text; bottom for anything else, as the Dock starts at the bottom.
[[nodiscard]] DockOrientation orientationFromText(const std::optional<QString>& text);
[[nodiscard]] QString orientationText(DockOrientation orientation);

/// Between a tile and the screen edge, and between the strip's ends and its outer tiles: room for the dot.
inline constexpr double kDockPadding = 9;
/// Between neighbouring tiles.
inline constexpr double kDockTileSpacing = 4;
/// The gap holding the separator line between the kept and the other running applications.
inline constexpr double kDockSeparatorGap = 13;
/// Smallest and largest tile size honoured, in points (the Dock's own settings range).
inline constexpr double kDockMinimumTileSize = 16;
inline constexpr double kDockMaximumTileSize = 128;
/// Along the strip, how far (in resting tile sizes) a magnified tile's neighbours still grow.
inline constexpr double kMagnificationReach = 2.5;
/// Diameter of the dot under a running application's tile.
inline constexpr double kRunningDotDiameter = 5;

struct DockLayoutInput {
    /// The screen the Dock sits on.
    QRectF screen;
    DockOrientation orientation = DockOrientation::bottom;
    /// "tilesize", clamped to the honoured range.
    double tileSize = 48;
    /// Tiles before the separator (kept) and after it (running, not kept).
    int keptCount = 0;
    int otherCount = 0;
    bool magnification = false;
    /// "largesize"; magnification only grows tiles, never shrinks them.
    double largeSize = 0;
    /// The pointer while it is over the Dock's window; magnification follows it.
    std::optional<QPointF> pointer;
};

struct DockLayout {
    DockOrientation orientation = DockOrientation::bottom;
    /// The strip at rest: what the Dock reserves from the window manager.
    QRectF strip;
    /// The window: the strip, or more while magnified tiles need the room.
    QRectF window;
    /// The tiles in Dock order (kept first), each square.
    QList<QRectF> tiles;
    /// The separator's line, when there are tiles on both sides of it.
    std::optional<QRectF> separator;
    /// The tile size the strip was laid out with (smaller than asked when the screen is too short).
    double tileSize = 0;
};

[[nodiscard]] DockLayout layoutDock(const DockLayoutInput& input);

/// The centre of the running dot of `tile`: between the tile and the screen edge.
[[nodiscard]] QPointF runningDotCentre(const QRectF& tile, DockOrientation orientation);

/// The index of the tile at `point`, or nothing.
[[nodiscard]] std::optional<int> tileAt(const DockLayout& layout, const QPointF& point);

/// _NET_WM_STRUT_PARTIAL for a strip at `strip` on a root window of `root` (both in device pixels): left,
/// right, top, bottom, then the start and end of each side's extent (inclusive), as the window manager reads
/// them. Only the strip's own edge reserves room.
[[nodiscard]] std::array<std::uint32_t, 12> strutPartial(const QRect& strip, const QRect& root,
                                                         DockOrientation orientation);

} // namespace tessly::dock
