// Which dock the Linux session has: the stand-in Dock or Plank when either owns its name on the session bus
// (both are watched, so a dock that starts or quits later is noticed), else the GNOME dash of a GNOME
// session.
//
//     LinuxDockDiscovery discovery(QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation));
//     discovery.setChangeHandler([this] { dockChanged(); });
//     if (LauncherDock* dock = discovery.launcherDock()) { ... }
//
// The session's desktop ("XDG_CURRENT_DESKTOP") and whether GNOME Shell's schema is installed are read once,
// at construction. The launcher dock handed out is made for the dock in use and replaced, before the change
// handler is called, when the dock changes.
//
// Main thread only.
#pragma once

#include "platform/launcher_dock.h"

#include <QString>

#include <memory>

namespace tessly {

inline constexpr char kStandInDockService[] = "app.tessly.Dock";

class LinuxDockDiscovery final : public DockDiscovery {
public:
    /// `applicationsDirectory` is where Tessly writes its desktop entries (for the GNOME dash's ids).
    explicit LinuxDockDiscovery(QString applicationsDirectory,
                                const QString& currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    ~LinuxDockDiscovery() override;
    LinuxDockDiscovery(const LinuxDockDiscovery&) = delete;
    LinuxDockDiscovery& operator=(const LinuxDockDiscovery&) = delete;

    [[nodiscard]] std::optional<DockKind> currentDock() const override { return m_currentDock; }
    [[nodiscard]] LauncherDock* launcherDock() override { return m_launcherDock.get(); }
    void setChangeHandler(std::function<void()> handler) override { m_changeHandler = std::move(handler); }

private:
    class Watcher;

    void ownerChanged(const QString& service, bool owned);
    void choose();

    QString m_applicationsDirectory;
    QString m_currentDesktop;
    bool m_gnomeShellSchemaInstalled = false;
    bool m_standInOnBus = false;
    bool m_plankOnBus = false;
    std::optional<DockKind> m_currentDock;
    std::unique_ptr<LauncherDock> m_launcherDock;
    std::unique_ptr<Watcher> m_watcher;
    std::function<void()> m_changeHandler;
};

} // namespace tessly
