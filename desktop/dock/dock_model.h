// The tiles the stand-in Dock shows, apart from drawing them: the kept applications in their order, then the
// running applications that are not kept, in the order they appeared; whether each runs; the tile content
// each published; and the entries of a tile's menu.
//
//     DockModel model;
//     model.setKept(keptBundlePaths(settings.persistentApps));
//     model.setPresence(":1.42", "/home/me/Applications/Mail.app", 4242, true);
//     model.setContent(":1.42", "/home/me/Applications/Mail.app", pngBytes);
//     for (const DockTileItem& tile : model.tiles()) { ... }
//
// A running application is known by the bus connection that announced it; its presence ends when it says so
// or when that connection goes. A tile's content comes only from a connection that announced the bundle's
// presence: any other process on the bus could otherwise draw over another application's tile. Content is
// kept only while the bundle runs: a tile of an application that quit shows the bundle's icon again.
//
// Main thread only.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace tessly::dock {

/// Published tiles larger than this are refused undecoded (the program publishes at most 1024 pixels square).
inline constexpr qsizetype kMaximumTileContentBytes = 8 * 1024 * 1024;
inline constexpr int kMaximumTileContentPixels = 1024;

struct DockTileItem {
    QString bundlePath;
    bool kept = false;
    bool running = false;
    /// What the application published last; null while it has published nothing or does not run.
    QImage content;
};

enum class DockMenuAction { keep, remove, open, quit };

struct DockMenuEntry {
    DockMenuAction action = DockMenuAction::open;
    QString title;
    bool checkable = false;
    bool checked = false;
};

/// The menu of `tile`: "Keep in Dock" (checked while kept), "Remove from Dock" (kept tiles only: a running
/// application that is not kept leaves the Dock when it quits), then "Quit" for a running application or
/// "Open".
[[nodiscard]] QList<DockMenuEntry> menuFor(const DockTileItem& tile);

/// The image of a published tile, or a null image when `bytes` is not a PNG of a sensible size.
[[nodiscard]] QImage decodeTileContent(const QByteArray& bytes);

class DockModel {
public:
    /// Replaces the kept bundles (in their order). Returns whether the shown tiles changed.
    bool setKept(const QStringList& bundlePaths);
    /// A presence announced (or withdrawn) by the process `processIdentifier` on the bus connection
    /// `connection`. Returns whether the shown tiles changed.
    bool setPresence(const QString& connection, const QString& bundlePath, qint64 processIdentifier,
                     bool present);
    /// The bus connection went: its process is gone. Returns whether the shown tiles changed.
    bool connectionGone(const QString& connection);
    /// Content published for `bundlePath` by the bus connection `connection`; false (and nothing kept) unless
    /// that connection announced the bundle's presence, or when the bytes are not a PNG.
    bool setContent(const QString& connection, const QString& bundlePath, const QByteArray& png);

    [[nodiscard]] const QList<DockTileItem>& tiles() const { return m_tiles; }
    [[nodiscard]] int keptCount() const;
    /// The tile of `bundlePath`, or null.
    [[nodiscard]] const DockTileItem* find(const QString& bundlePath) const;
    /// The processes that announced `bundlePath`.
    [[nodiscard]] QList<qint64> processesOf(const QString& bundlePath) const;

private:
    struct Presence {
        QString bundlePath;
        qint64 processIdentifier = 0;
    };

    /// Rebuilds m_tiles; returns whether the list of (bundle, kept, running) changed.
    bool rebuild();

    QStringList m_kept;
    /// Keyed by bus connection; one process per connection.
    std::map<QString, Presence> m_presences;
    /// Running bundles that are not kept, in the order they appeared.
    QStringList m_runningOrder;
    QHash<QString, QImage> m_content;
    QList<DockTileItem> m_tiles;
};

} // namespace tessly::dock
