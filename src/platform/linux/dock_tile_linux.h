// This process's Dock tile on Linux: the content is drawn here and published on the session D-Bus, where the
// Dock shows it.
//
//     LinuxDockTile tile(bundle.bundlePath());
//     tile.setContent(content);
//     tile.display();                     // one TileContentChanged signal with the drawn tile
//
// display() draws the current content at the tile's size (one pixel per point) and broadcasts one signal:
// path kDockTilePath, interface kDockTileInterface, member kDockTileContentChangedMember, arguments
// (signature "sxay") the bundle path the tile belongs to (links resolved, as the Dock lists bundles; empty
// outside a bundle), the process identifier, and the tile as PNG bytes. A Dock that starts later hears the
// next display(). Content drawn as the Dock draws it (renderDockTileContent()): an image view shows its image
// scaled to fit with its aspect ratio kept, centred; a badge shows its plate, a rounded rectangle of the
// plate colour, and on top the symbol template tinted with the symbol tint and fitted into the symbol frame.
// Frames are y-up, as in the content; the bitmap is y-down.
//
// The tile is kDefaultDockTileSide points square until setSize() says otherwise (the Dock decides a tile's
// size; when it tells the process, the composition root passes it on). Without a session bus display() still
// draws, and the signal is lost.
//
// Main thread only.
#pragma once

#include "platform/gui/dock_tile.h"

#include <QImage>
#include <QString>

namespace tessly {

inline constexpr char kDockTilePath[] = "/app/tessly/DockTile";
inline constexpr char kDockTileInterface[] = "app.tessly.DockTile";
inline constexpr char kDockTileContentChangedMember[] = "TileContentChanged";
/// The tile's side in points until the Dock tells another: the Dock's largest tile at full magnification.
inline constexpr double kDefaultDockTileSide = 128;
/// The largest side drawn and published, in pixels, whatever size the tile is given.
inline constexpr int kMaximumDockTilePixels = 1024;

class LinuxDockTile final : public DockTile {
public:
    /// `bundlePath`: the bundle this process runs from (empty outside one).
    explicit LinuxDockTile(const QString& bundlePath);

    [[nodiscard]] QSizeF size() const override { return m_size; }
    void setContent(DockTileContent content) override { m_content = std::move(content); }
    void display() override;

    /// Sets the tile's size in points; an empty or non-finite size is ignored. Shown at the next display().
    void setSize(QSizeF size);

    /// The bitmap of the last display(), as published (null before the first).
    [[nodiscard]] const QImage& lastPublishedImageForTesting() const { return m_lastPublished; }

private:
    QString m_bundlePath;
    QSizeF m_size{kDefaultDockTileSide, kDefaultDockTileSide};
    DockTileContent m_content;
    QImage m_lastPublished;
};

/// `content` drawn on a transparent bitmap of `pixelSize`, its frame (content.size, or the bitmap's size when
/// empty) scaled to fill it.
[[nodiscard]] QImage renderDockTileContent(const DockTileContent& content, const QSize& pixelSize);

} // namespace tessly
