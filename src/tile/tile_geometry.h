// Where the parts of a Dock tile go: the plate, its border, the glyph, the icon grid and the badge.
//
//     const RoundedRect plate = plateShape(kTileCanvasSize, style.cornerRadius);
//     for (const QRectF& cell : iconGridFrames(plate.rect, apps.size(), settings.tileIconPadding())) ...
//
// Rectangles are in the tile canvas's coordinates: origin at the bottom left, y pointing up, 512 x 512 for
// the tile image (the Dock tile's own size for a badge). Plain functions; use them from any thread.
#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <optional>

namespace tessly {

/// The tile image's canvas; the Dock draws it at whatever size it needs.
inline constexpr QSizeF kTileCanvasSize(512.0, 512.0);
/// The application icons a tile shows, at most: a 2 x 2 grid.
inline constexpr qsizetype kMaximumTileIcons = 4;

struct RoundedRect {
    QRectF rect;
    double radius = 0;

    friend bool operator==(const RoundedRect&, const RoundedRect&) = default;
};

struct BorderShape {
    RoundedRect shape;
    double lineWidth = 0;
};

/// The plate: the canvas inset by 44 on every side, with the folder's corner radius at 8 pixels per unit (a
/// negative radius counts as none).
[[nodiscard]] RoundedRect plateShape(QSizeF canvas, double cornerRadius);

/// The border's line, at 2 pixels per unit of `borderWidth` and never thinner than half a pixel, drawn inside
/// the plate's bounds: inset by half the line, with the radius reduced by as much (never below 0).
[[nodiscard]] BorderShape borderShape(const RoundedRect& plate, QSizeF canvas, double borderWidth);

/// The point size the glyph's symbol is configured at, for a plate of `plate`'s size.
[[nodiscard]] double glyphSymbolPointSize(const QRectF& plate);
/// The square the glyph's symbol is drawn into, centred on the plate.
[[nodiscard]] QRectF glyphSymbolFrame(const QRectF& plate);
/// The bold system font size of a glyph drawn as text.
[[nodiscard]] double glyphFontSize(const QRectF& plate);
/// A rectangle of `size` centred on `rect`'s centre.
[[nodiscard]] QRectF centeredRect(const QRectF& rect, QSizeF size);

/// The squares of the first min(`appCount`, 4) applications in the fixed 2 x 2 grid: entry 0 top left, 1 top
/// right, 2 bottom left, 3 bottom right; fewer icons are not re-centred. `tileIconPadding` widens the inner
/// padding by 1/64 of the plate width per unit. Empty when the padding leaves no room for a cell.
[[nodiscard]] QList<QRectF> iconGridFrames(const QRectF& plate, qsizetype appCount, double tileIconPadding);

/// The badge's parts on a Dock tile of `tileSize`: an opaque rounded plate and the symbol's square on it.
struct BadgeLayout {
    QRectF plateFrame;
    double plateCornerRadius = 0;
    QRectF symbolFrame;
    /// The point size the badge symbol is configured at (its frame's side).
    double symbolPointSize = 0;
};

[[nodiscard]] BadgeLayout badgeLayout(QSizeF tileSize);

/// The symbol a badge shows for its text: "nosign" for "OFF", "xmark.circle" for "DELETE", otherwise
/// "checkmark.circle". The text itself is never drawn.
[[nodiscard]] QString badgeSymbolName(const QString& badgeText);

} // namespace tessly
