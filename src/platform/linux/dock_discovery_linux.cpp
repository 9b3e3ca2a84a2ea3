#include "platform/linux/dock_discovery_linux.h"

#include "platform/linux/gnome_dock_linux.h"
#include "platform/linux/plank_dock_linux.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>

namespace tessly {

class LinuxDockDiscovery::Watcher {
public:
    explicit Watcher(LinuxDockDiscovery& discovery) {
        m_watcher.setConnection(QDBusConnection::sessionBus());
        m_watcher.setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
        m_watcher.setWatchedServices(
            {QString::fromLatin1(kStandInDockService), QString::fromLatin1(kPlankService)});
        QObject::connect(&m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, &m_watcher,
                         [&discovery](const QString& service, const QString&, const QString& newOwner) {
                             discovery.ownerChanged(service, !newOwner.isEmpty());
                         });
    }

private:
    QDBusServiceWatcher m_watcher;
};

namespace {

bool isOnBus(const char* service) {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(QString::fromLatin1(service)).value();
}

} // namespace

LinuxDockDiscovery::LinuxDockDiscovery(QString applicationsDirectory, const QString& currentDesktop)
    : m_applicationsDirectory(std::move(applicationsDirectory)), m_currentDesktop(currentDesktop),
      m_gnomeShellSchemaInstalled(gnomeShellSchemaInstalled()) {
    // Watching first: a dock that comes or goes while the bus is asked below is reported afterwards.
    m_watcher = std::make_unique<Watcher>(*this);
    m_standInOnBus = isOnBus(kStandInDockService);
    m_plankOnBus = isOnBus(kPlankService);
    choose();
}

LinuxDockDiscovery::~LinuxDockDiscovery() = default;

void LinuxDockDiscovery::ownerChanged(const QString& service, bool owned) {
    if (service == QLatin1String(kStandInDockService)) {
        m_standInOnBus = owned;
    } else if (service == QLatin1String(kPlankService)) {
        m_plankOnBus = owned;
    }
    const std::optional<DockKind> before = m_currentDock;
    choose();
    if (m_currentDock == before) {
        return;
    }
    // A copy: the handler may replace itself.
    if (const std::function<void()> handler = m_changeHandler) {
        handler();
    }
}

void LinuxDockDiscovery::choose() {
    const std::optional<DockKind> chosen =
        chooseDock(m_standInOnBus, m_plankOnBus, m_currentDesktop, m_gnomeShellSchemaInstalled);
    if (chosen == m_currentDock) {
        return;
    }
    m_currentDock = chosen;
    m_launcherDock.reset();
    if (chosen == DockKind::plank) {
        m_launcherDock = std::make_unique<PlankDock>();
    } else if (chosen == DockKind::gnome) {
        m_launcherDock = std::make_unique<GnomeDock>(m_applicationsDirectory);
    }
}

} // namespace tessly
