#include "dock_controller.h"

#include "platform/linux/application_linux.h"
#include "platform/linux/dock_tile_linux.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFileInfo>

#include <algorithm>
#include <csignal>

namespace tessly::dock {

namespace {

const QString kPersistentApps = QStringLiteral("persistent-apps");

QString resolved(const QString& path) {
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

/// Whether the presence in `message` is its sender's own: the bus says the sending connection belongs to the
/// process the presence names, and that process runs an executable inside the bundle. A presence decides
/// whose content the tile shows, which process a click reopens and which one "Quit" stops; a claim made for
/// another process or another bundle would hand those to whoever sent it.
bool isOwnPresence(const QDBusMessage& message, const QString& bundlePath, qint64 processIdentifier) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusReply<uint> sender = bus.interface()->servicePid(message.service());
    if (!sender.isValid() || static_cast<qint64>(sender.value()) != processIdentifier) {
        return false;
    }
    const QString executable =
        QFileInfo(QStringLiteral("/proc/%1/exe").arg(processIdentifier)).canonicalFilePath();
    const QString bundle = QFileInfo(bundlePath).canonicalFilePath();
    return !executable.isEmpty() && !bundle.isEmpty() &&
           executable.startsWith(bundle + QStringLiteral("/Contents/MacOS/"));
}

} // namespace

DockController::DockController(const DockEnvironment& environment, QObject* parent)
    : QObject(parent), m_env(environment), m_plugIns(environment.plugInHost) {
    connect(&m_plugIns, &DockPlugIns::stateChanged, this, &DockController::changed);
}

DockController::~DockController() {
    if (m_preferencesObserver != 0) {
        m_env.notifications.removeObserver(m_preferencesObserver);
    }
}

void DockController::start() {
    m_preferencesObserver =
        m_env.notifications.addObserver(QString::fromLatin1(kDockPreferencesChangedNotification),
                                        [this](const DistributedNotification&) { reload(); });
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        bus.connect(
            QString(), QString::fromLatin1(kApplicationPath), QString::fromLatin1(kApplicationInterface),
            QString::fromLatin1(kApplicationPresenceChangedMember), this, SLOT(handlePresence(QDBusMessage)));
        bus.connect(QString(), QString::fromLatin1(kDockTilePath), QString::fromLatin1(kDockTileInterface),
                    QString::fromLatin1(kDockTileContentChangedMember), this,
                    SLOT(handleContent(QDBusMessage)));
        bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                    QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                    SLOT(handleNameOwnerChanged(QString, QString, QString)));
    }
    reload();
    if (bus.isConnected()) {
        // Applications that started before the Dock announce themselves again; each then hears its tile size
        // and publishes its tile.
        bus.send(QDBusMessage::createSignal(QString::fromLatin1(kApplicationPath),
                                            QString::fromLatin1(kApplicationInterface),
                                            QString::fromLatin1(kApplicationPresenceRequestedMember)));
    }
}

void DockController::reload() {
    m_settings = readDockSettings(m_env.preferences);
    m_model.setKept(keptBundlePaths(m_settings.persistentApps));
    tilesChanged();
}

void DockController::tilesChanged() {
    QStringList shown;
    for (const DockTileItem& tile : m_model.tiles()) {
        shown.append(tile.bundlePath);
        if (tile.running) {
            sendTileSize(tile.bundlePath);
        } else {
            m_toldSizes.remove(tile.bundlePath);
        }
    }
    m_plugIns.setShownTiles(shown);
    emit changed();
}

void DockController::sendTileSize(const QString& bundlePath) {
    // The largest the tile is ever drawn: magnified tiles stay sharp.
    const double side = std::clamp(
        m_settings.magnification ? std::max(m_settings.tileSize, m_settings.largeSize) : m_settings.tileSize,
        kDockMinimumTileSize, kDockMaximumTileSize);
    if (m_toldSizes.value(bundlePath) == side) {
        return;
    }
    m_toldSizes.insert(bundlePath, side);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kDockTilePath),
                                                     QString::fromLatin1(kDockTileInterface),
                                                     QString::fromLatin1(kDockTileSizeChangedMember));
    signal << bundlePath << side << m_devicePixelRatio;
    bus.send(signal);
}

void DockController::setDevicePixelRatio(double ratio) {
    if (!(ratio > 0) || ratio == m_devicePixelRatio) {
        return;
    }
    m_devicePixelRatio = ratio;
    m_toldSizes.clear();
    tilesChanged();
}

void DockController::handlePresence(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() != 3 || arguments.at(0).metaType() != QMetaType::fromType<QString>() ||
        arguments.at(1).metaType() != QMetaType::fromType<qint64>() ||
        arguments.at(2).metaType() != QMetaType::fromType<bool>()) {
        return;
    }
    const QString bundlePath = arguments.at(0).toString();
    const qint64 processIdentifier = arguments.at(1).toLongLong();
    const bool present = arguments.at(2).toBool();
    // A withdrawal needs no check: it ends only a presence the same connection announced for the same
    // process.
    if (present && !isOwnPresence(message, bundlePath, processIdentifier)) {
        return;
    }
    if (m_model.setPresence(message.service(), bundlePath, processIdentifier, present)) {
        tilesChanged();
    }
}

void DockController::handleContent(const QDBusMessage& message) {
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() != 3 || arguments.at(0).metaType() != QMetaType::fromType<QString>() ||
        arguments.at(2).metaType() != QMetaType::fromType<QByteArray>()) {
        return;
    }
    // Anything else (not a PNG, too large, an application without a tile, a sender that did not announce the
    // bundle's presence) is ignored: the tile keeps what it had.
    // The process identifier in the signal is only what the sender says; its connection is what counts.
    if (m_model.setContent(message.service(), arguments.at(0).toString(), arguments.at(2).toByteArray())) {
        emit changed();
    }
}

void DockController::handleNameOwnerChanged(const QString& name, const QString&, const QString& newOwner) {
    // A unique name that loses its owner is a process gone, killed or not.
    if (newOwner.isEmpty() && name.startsWith(QLatin1Char(':')) && m_model.connectionGone(name)) {
        tilesChanged();
    }
}

bool DockController::activate(const QString& bundlePath) {
    const DockTileItem* tile = m_model.find(bundlePath);
    if (!tile) {
        return false;
    }
    if (tile->running) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kApplicationPath),
                                                         QString::fromLatin1(kApplicationInterface),
                                                         QString::fromLatin1(kApplicationReopenMember));
        signal << bundlePath;
        return bus.isConnected() && bus.send(signal);
    }
    // A normal launch, as the desktop starts an application: no arguments of the program's own.
    m_env.workspace.openApplication(bundlePath, OpenConfiguration{}, [bundlePath](const auto& error) {
        if (error) {
            qWarning("tessly-dock: cannot open %s: %s", qPrintable(bundlePath), qPrintable(*error));
        }
    });
    return true;
}

bool DockController::keep(const QString& bundlePath) {
    const QString path = resolved(bundlePath);
    if (!QFileInfo(path + QStringLiteral("/Contents/Info.plist")).isFile()) {
        return false;
    }
    m_settings = readDockSettings(m_env.preferences);
    const auto edited = withBundleKept(m_settings.persistentApps, path);
    if (!edited) {
        return false;
    }
    writePersistentApps(*edited);
    return true;
}

bool DockController::remove(const QString& bundlePath) {
    m_settings = readDockSettings(m_env.preferences);
    const auto edited = withBundleRemoved(m_settings.persistentApps, resolved(bundlePath));
    if (!edited) {
        return false;
    }
    writePersistentApps(*edited);
    return true;
}

bool DockController::quit(const QString& bundlePath) {
    bool asked = false;
    for (const qint64 process : m_model.processesOf(bundlePath)) {
        asked = m_env.workspace.terminate(RunningApplication{process, bundlePath}) || asked;
    }
    return asked;
}

void DockController::writePersistentApps(const PlistArray& entries) {
    writeAndReload(kPersistentApps, PlistValue(entries));
}

void DockController::writeAndReload(const QString& key, const PlistValue& value) {
    m_env.preferences.setValue(key, value);
    reload();
    // Everyone reading the Dock's preferences hears of it, the Dock included (a second reload, harmless).
    m_env.notifications.post(QString::fromLatin1(kDockPreferencesChangedNotification));
}

void DockController::setOrientation(DockOrientation orientation) {
    writeAndReload(QStringLiteral("orientation"), PlistValue(orientationText(orientation)));
}

void DockController::setTileSize(double size) {
    writeAndReload(
        QStringLiteral("tilesize"),
        PlistValue(static_cast<std::int64_t>(std::clamp(size, kDockMinimumTileSize, kDockMaximumTileSize))));
}

void DockController::setMagnification(bool on, double largeSize) {
    m_env.preferences.setValue(QStringLiteral("largesize"),
                               PlistValue(static_cast<std::int64_t>(
                                   std::clamp(largeSize, kDockMinimumTileSize, kDockMaximumTileSize))));
    writeAndReload(QStringLiteral("magnification"), PlistValue(on));
}

} // namespace tessly::dock
