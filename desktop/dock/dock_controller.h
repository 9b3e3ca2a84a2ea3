// The stand-in Dock's behaviour, apart from its window: its preferences, the applications on the session bus,
// the plug-ins, and what a click, a keep or a remove does.
//
//     DockController controller(environment);
//     DockWindow window(controller, icons);
//     controller.start();          // reads the preferences, asks running applications to announce themselves
//
// On the bus (signals of application_linux.h and dock_tile_linux.h): it hears PresenceChanged, the end of
// each announcing connection (NameOwnerChanged), and TileContentChanged; it sends PresenceRequested at start,
// TileSizeChanged to every running application when it appears and whenever the tile size changes (which also
// makes it publish its tile again), and Reopen on a click on a running application.
//
// A presence counts only when the bus says its connection belongs to the process it names and that process
// runs from the bundle it names; a tile's content counts only from a connection that announced the bundle's
// presence. Whatever else is on the session bus can neither draw a tile nor be quit or reopened in another's
// name.
//
// Keep and remove rewrite "persistent-apps" through the preferences domain, which keeps the file's format,
// and post "com.apple.dock.prefchanged"; the Dock reloads its preferences when anyone posts that.
//
// Main thread only.
#pragma once

#include "dock_layout.h"
#include "dock_model.h"
#include "dock_plugins.h"
#include "dock_settings.h"

#include "platform/distributed_notification_center.h"
#include "platform/preferences_domain.h"
#include "platform/workspace.h"

#include <QObject>

#include <functional>

class QDBusMessage;

namespace tessly::dock {

/// The distributed notification that makes the Dock reload its preferences.
inline constexpr char kDockPreferencesChangedNotification[] = "com.apple.dock.prefchanged";

struct DockEnvironment {
    PreferencesDomain& preferences;
    DistributedNotificationCenter& notifications;
    Workspace& workspace;
    /// The plug-in host program.
    QString plugInHost;
};

class DockController final : public QObject {
    Q_OBJECT

public:
    explicit DockController(const DockEnvironment& environment, QObject* parent = nullptr);
    ~DockController() override;

    /// Reads the preferences, listens on the bus and asks the running applications to announce themselves.
    void start();

    [[nodiscard]] const DockSettings& settings() const { return m_settings; }
    [[nodiscard]] const DockModel& model() const { return m_model; }
    [[nodiscard]] PlugInState plugInState(const QString& bundlePath) const {
        return m_plugIns.state(bundlePath);
    }

    /// A click on the tile: open the bundle when it does not run, else ask it to reopen. False for no tile.
    bool activate(const QString& bundlePath);
    /// Keeps the bundle in the Dock. False when it was kept already or is no bundle.
    bool keep(const QString& bundlePath);
    /// Takes the bundle out of "persistent-apps". False when it was not kept.
    bool remove(const QString& bundlePath);
    /// Asks the running application to quit. False when it does not run.
    bool quit(const QString& bundlePath);
    /// Writes "orientation" and reloads.
    void setOrientation(DockOrientation orientation);
    /// Writes "tilesize" and reloads.
    void setTileSize(double size);
    /// Writes "magnification" and "largesize" and reloads.
    void setMagnification(bool on, double largeSize);
    /// The device pixel ratio of the Dock's screen, passed to the applications with their tile size.
    void setDevicePixelRatio(double ratio);

    /// Re-reads the preferences.
    void reload();

signals:
    /// The tiles, their states or the settings changed: lay out and draw again.
    void changed();

private slots:
    void handlePresence(const QDBusMessage& message);
    void handleContent(const QDBusMessage& message);
    void handleNameOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);

private:
    void writePersistentApps(const PlistArray& entries);
    void writeAndReload(const QString& key, const PlistValue& value);
    /// After any change of the tiles: plug-ins, sizes, a redraw.
    void tilesChanged();
    void sendTileSize(const QString& bundlePath);

    DockEnvironment m_env;
    DockSettings m_settings;
    DockModel m_model;
    DockPlugIns m_plugIns;
    ObserverToken m_preferencesObserver = 0;
    double m_devicePixelRatio = 1;
    /// The bundles told their tile size, with the size they were told.
    QHash<QString, double> m_toldSizes;
};

} // namespace tessly::dock
