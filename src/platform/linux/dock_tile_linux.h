// This process's Dock tile on Linux: the content is drawn here and published on the session D-Bus, where the
// Dock shows it.
//
//     LinuxDockTile tile(bundle.bundlePath(), queue);
//     tile.setContent(content);
//     tile.display();                     // one TileContentChanged signal with the drawn tile
//
// display() draws the current content at the tile's size in device pixels (its size in points times the pixel
// ratio of the Dock's screen, so that the tile is sharp on a high-density screen; the Dock fits the bitmap
// into the tile) and broadcasts one signal:
// path kDockTilePath, interface kDockTileInterface, member kDockTileContentChangedMember, arguments
// (signature "sxay") the bundle path the tile belongs to (links resolved, as the Dock lists bundles; empty
// outside a bundle), the process identifier, and the tile as PNG bytes. It goes out on the session bus
// connection the process's Dock presence was announced on (LinuxApplication's, application_linux.h): the Dock
// shows a tile's content only from the connection that announced that bundle's presence, so a process
// publishes only its own tile, and only while it is present. A Dock that starts later hears the next
// display(). Content drawn as the Dock draws it (renderDockTileContent()): an image view shows its image
// scaled to fit with its aspect ratio kept, centred; a badge shows its plate, a rounded rectangle of the
// plate colour, and on top the symbol template tinted with the symbol tint and fitted into the symbol frame.
// Frames are y-up, as in the content; the bitmap is y-down.
//
// The tile is kDefaultDockTileSide points square until setSize() says otherwise (the Dock decides a tile's
// size). The pixel ratio is the highest of the application's screens until setDevicePixelRatio() says
// otherwise. The Dock tells the size itself with the broadcast signal kDockTileSizeChangedMember (same path
// and interface, signature "sdd": the bundle path as above, the side in points, the device pixel ratio of its
// screen): a tile of that bundle takes both and, once it has displayed anything, displays again after the
// current event (on the main queue), so that a Dock that starts after the process gets the tile at once. A
// Dock sends it for every tile it shows and whenever the size changes; any process of the session can send it
// by the thousand, and all that arrive before that display are answered by it, at the last size. Without a
// session bus display() still draws, and the signal is lost.
//
// Main thread only.
#pragma once

#include "platform/gui/dock_tile.h"
#include "platform/main_queue.h"

#include <QImage>
#include <QString>

#include <memory>
#include <optional>

namespace tessly {

inline constexpr char kDockTilePath[] = "/app/tessly/DockTile";
inline constexpr char kDockTileInterface[] = "app.tessly.DockTile";
inline constexpr char kDockTileContentChangedMember[] = "TileContentChanged";
inline constexpr char kDockTileSizeChangedMember[] = "TileSizeChanged";
/// The tile's side in points until the Dock tells another: the Dock's largest tile at full magnification.
inline constexpr double kDefaultDockTileSide = 128;
/// The largest side drawn and published, in pixels, whatever size the tile is given.
inline constexpr int kMaximumDockTilePixels = 1024;

class LinuxDockTile final : public DockTile {
public:
    /// `bundlePath`: the bundle this process runs from (empty outside one). `queue` runs the displays that
    /// the Dock's size changes ask for.
    LinuxDockTile(const QString& bundlePath, MainQueue& queue);
    ~LinuxDockTile() override;
    LinuxDockTile(const LinuxDockTile&) = delete;
    LinuxDockTile& operator=(const LinuxDockTile&) = delete;

    [[nodiscard]] QSizeF size() const override { return m_size; }
    void setContent(DockTileContent content) override { m_content = std::move(content); }
    void display() override;

    /// Sets the tile's size in points; an empty or non-finite size is ignored. Shown at the next display().
    void setSize(QSizeF size);
    /// Sets the device pixels per point of the screen the Dock shows the tile on; a ratio that is not a
    /// positive finite number is ignored. Shown at the next display().
    void setDevicePixelRatio(double ratio);

    /// The bitmap of the last display(), as published, with its pixel ratio (null before the first).
    [[nodiscard]] const QImage& lastPublishedImageForTesting() const { return m_lastPublished; }

private:
    class Listener;
    friend class Listener;

    /// The Dock's TileSizeChanged for `bundlePath`.
    void handleSizeFromDock(const QString& bundlePath, double side, double ratio);

    QString m_bundlePath;
    QSizeF m_size{kDefaultDockTileSide, kDefaultDockTileSide};
    /// Unset: the application's screens decide at each display().
    std::optional<double> m_devicePixelRatio;
    DockTileContent m_content;
    QImage m_lastPublished;
    /// The display the Dock's size changes asked for.
    DelayedWork m_sizeDisplay;
    std::unique_ptr<Listener> m_listener;
};

/// `content` drawn on a transparent bitmap of `pixelSize`, its frame (content.size, or the bitmap's size when
/// empty) scaled to fill it.
[[nodiscard]] QImage renderDockTileContent(const DockTileContent& content, const QSize& pixelSize);

} // namespace tessly
