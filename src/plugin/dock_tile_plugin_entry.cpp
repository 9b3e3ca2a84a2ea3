// The plug-in's composition root and its one exported function: the Dock tile state plug-in as the Dock
// loads it, bound to the real process around it (its own location on disk, the home folder, the session bus).
#include "plugin/dock_tile_plugin.h"
#include "plugin/dock_tile_state_plugin.h"

#include "platform/linux/dbus_notification_center_linux.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <pwd.h>
#include <unistd.h>

namespace tessly {
namespace {

/// The plug-in bundle holding this shared object (".../P.docktileplugin/Contents/MacOS/<executable>"), or
/// nothing when the object does not sit in a bundle's Contents/MacOS.
std::optional<QString> ownPlugInBundlePath() {
    // An address inside this very object: every copy of the plug-in (one per helper) finds its own file.
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&ownPlugInBundlePath), &info) == 0 || !info.dli_fname ||
        !*info.dli_fname) {
        return std::nullopt;
    }
    const QFileInfo executable(QFile::decodeName(info.dli_fname));
    const QDir macOS = executable.absoluteDir();
    const QString contents = QFileInfo(macOS.absolutePath()).path();
    if (macOS.dirName() != QLatin1String("MacOS") ||
        QFileInfo(contents).fileName() != QLatin1String("Contents")) {
        return std::nullopt;
    }
    return QFileInfo(contents).path();
}

/// The home of the process that loaded the plug-in: $HOME, else the user's entry, as the program finds it.
Paths processPaths() {
    if (const char* home = std::getenv("HOME"); home && *home) {
        return Paths(QFile::decodeName(home));
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
        return Paths(QFile::decodeName(entry->pw_dir));
    }
    return Paths(QStringLiteral("/"));
}

/// Posts as the program's distributed notification centre does (DBusDistributedNotificationCenter::post), so
/// that its observers in every process decode it: one broadcast signal, "sbsay", the user information as a
/// binary property list. Only posting: the plug-in listens to nothing.
void postOnSessionBus(const QString& name, const PlistDictionary& userInfo) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    const QByteArray encoded = writePropertyList(PlistValue(userInfo), PlistFormat::Binary);
    if (encoded.size() > kMaximumUserInfoBytes) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kDistributedNotificationsPath),
                                                     QString::fromLatin1(kDistributedNotificationsInterface),
                                                     QString::fromLatin1(kDistributedNotificationsMember));
    signal << name << false << QString() << encoded;
    (void)bus.send(signal);
}

} // namespace
} // namespace tessly

extern "C" tessly::dock::DockTilePlugIn* TSDockTilePlugInCreate(std::uint32_t dockProtocolVersion,
                                                                const char* principalClass,
                                                                std::uint32_t* pluginProtocolVersion) {
    using namespace tessly;
    if (pluginProtocolVersion) {
        *pluginProtocolVersion = dock::kDockTilePlugInProtocolVersion;
    }
    if (dockProtocolVersion != dock::kDockTilePlugInProtocolVersion || !principalClass ||
        std::strcmp(principalClass, kDockTileStatePluginClass) != 0) {
        return nullptr;
    }
    // No exception may cross into the Dock: out of memory is a refusal like any other.
    try {
        return new DockTileStatePlugin(
            DockTileStatePlugin::Environment{&ownPlugInBundlePath, &processPaths, &postOnSessionBus});
    } catch (...) {
        return nullptr;
    }
}
