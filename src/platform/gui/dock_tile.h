// This process's tile in the Dock: its size, the content it shows, and a request to redisplay it.
//
//     DockTileContent content;
//     content.size = tile.size();
//     content.view = DockTileImageView{tileImage};
//     tile.setContent(content);
//     tile.display();
//
// The content is a small description of the tile's views (an image view, or the badge's black plate with a
// tinted symbol); the platform draws it at the tile's size when it displays the tile. Main thread only.
#pragma once

#include "platform/gui/image.h"

#include <QColor>
#include <QRectF>
#include <QSizeF>
#include <variant>

namespace tessly {

/// An image view filling the content, showing the image scaled proportionally up or down to fit.
struct DockTileImageView {
    ImagePtr image;
};

/// A badge: an opaque rounded plate with a symbol image view on top, tinted. Frames are in the content's
/// coordinates, origin at the bottom left, y pointing up.
struct DockTileBadgeView {
    QRectF plateFrame;
    double plateCornerRadius = 0;
    QColor plateColor = Qt::black;
    QRectF symbolFrame;
    /// Absent when the symbol could not be made: the plate is shown alone.
    ImagePtr symbol;
    QColor symbolTint;
};

struct DockTileContent {
    /// The content view's frame size, (0, 0, width, height).
    QSizeF size;
    std::variant<std::monostate, DockTileImageView, DockTileBadgeView> view;
};

class DockTile {
public:
    virtual ~DockTile() = default;

    /// The tile's current size in points.
    [[nodiscard]] virtual QSizeF size() const = 0;
    /// Replaces the tile's content view; shown at the next display().
    virtual void setContent(DockTileContent content) = 0;
    /// Asks the Dock to draw the tile again with the current content.
    virtual void display() = 0;
};

} // namespace tessly
