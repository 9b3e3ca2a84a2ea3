// A dock of the desktop that keeps launchers: desktop entries it starts on a click and draws from their icon
// files, instead of showing whatever a running application publishes. Each folder in such a dock is a desktop
// entry of Tessly's own; this port adds it, takes it out, lists what the dock keeps and says where a launcher
// sits on screen when the dock can tell.
//
//     LauncherDock& dock = *discovery.launcherDock();           // Plank, the GNOME dash, ...
//     dock.setChangeHandler([this] { reconcileLaunchers(); });
//     if (!dock.keep(entryPath)) { ... }                        //
//     "/home/u/.local/share/applications/x.desktop" const std::optional<QStringList> kept =
//     dock.keptLaunchers(); if (const auto where = dock.launcherPosition(entryPath)) {
//     placePopupAt(where->point, where->edge); }
//
// A launcher is named by the absolute path of its desktop entry. A dock that keeps desktop-file ids rather
// than paths (the GNOME dash) reports each id as that file in the applications directory Tessly writes its
// entries to: the ids of other programs' entries come back as paths that may not exist, and are never
// Tessly's.
//
// Main thread only. The change handler is called on the main thread, after the dock's list may have changed;
// it may be called when nothing changed.
#pragma once

#include <QPointF>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace tessly {

/// The edge of its screen a dock sits on.
enum class ScreenEdge { bottom, left, right, top };

/// Where a launcher's tile is: the middle of its side facing away from the dock's edge (above the tile for a
/// bottom dock), in y-up global points, and the dock's edge.
struct LauncherPosition {
    QPointF point;
    ScreenEdge edge = ScreenEdge::bottom;
};

class LauncherDock {
public:
    virtual ~LauncherDock() = default;

    /// The dock's name as its users know it ("Plank").
    [[nodiscard]] virtual QString name() const = 0;
    /// Keeps the launcher of the desktop entry at `entryPath` in the dock, at its end. True when the dock
    /// keeps it afterwards (also when it already did).
    virtual bool keep(const QString& entryPath) = 0;
    /// Takes the launcher out of the dock. True when the dock does not keep it afterwards (also when it did
    /// not before).
    virtual bool remove(const QString& entryPath) = 0;
    /// The desktop entries of the launchers the dock keeps, in the dock's order; nothing when the dock cannot
    /// be asked now (it is gone, or did not answer).
    [[nodiscard]] virtual std::optional<QStringList> keptLaunchers() = 0;
    /// Where the launcher's tile is on screen; nothing when the dock does not keep it or cannot say.
    [[nodiscard]] virtual std::optional<LauncherPosition> launcherPosition(const QString& entryPath) = 0;
    /// Replaces the handler called after the dock's kept launchers may have changed; an empty one stops
    /// the reports.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

/// The docks Tessly can put folders in.
enum class DockKind {
    /// The stand-in Dock of the development tree: it shows the helpers' published tiles.
    standIn,
    plank,
    gnome,
};

/// Which dock the session has, and the launcher dock itself for the kinds that keep launchers.
///
///     discovery.setChangeHandler([this] { dockChanged(); });   // a dock appeared or went away
///     if (LauncherDock* dock = discovery.launcherDock()) { ... } else { ... the stand-in Dock's path ... }
class DockDiscovery {
public:
    virtual ~DockDiscovery() = default;

    /// The dock in use; nothing when the session has none Tessly knows (the stand-in Dock's path is followed
    /// then, as when it runs).
    [[nodiscard]] virtual std::optional<DockKind> currentDock() const = 0;
    /// The launcher dock of `currentDock()`; null for the stand-in Dock and for none. Owned by the discovery,
    /// valid until the next change report.
    [[nodiscard]] virtual LauncherDock* launcherDock() = 0;
    /// Replaces the handler called when `currentDock()` changes.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

/// The dock a session uses: the stand-in Dock when it owns its bus name, else Plank when it owns its own,
/// else the GNOME dash when `currentDesktop` (the session's "XDG_CURRENT_DESKTOP", a colon-separated list)
/// names GNOME and the "org.gnome.shell" schema is installed; nothing otherwise.
[[nodiscard]] std::optional<DockKind>
chooseDock(bool standInOnBus, bool plankOnBus, const QString& currentDesktop, bool gnomeShellSchemaInstalled);

} // namespace tessly
