#include "plugin/dock_tile_state_plugin.h"

#include "model/notification_names.h"
#include "platform/atomic_file.h"
#include "platform/path_safety.h"

#include <QDir>
#include <QFileInfo>

namespace tessly {

namespace {

/// The application bundle that holds a plug-in bundle: plug-in bundle → PlugIns → Contents → application.
QString hostBundlePath(const QString& plugInBundlePath) {
    QString path = QDir::cleanPath(plugInBundlePath);
    for (int level = 0; level < 3; ++level) {
        path = QFileInfo(path).path();
    }
    return path;
}

} // namespace

std::optional<QString> hostFolderID(const QString& plugInBundlePath) {
    const auto info =
        readPropertyListFile(hostBundlePath(plugInBundlePath) + QStringLiteral("/Contents/Info.plist"));
    if (!info || !info->root.isDictionary()) {
        return std::nullopt;
    }
    const PlistValue* value = info->root.asDictionary()->find(QStringLiteral("TSGroupUUID"));
    if (!value || !value->asString() || value->asString()->isEmpty()) {
        return std::nullopt;
    }
    // Any text is used as it is, a UUID or not, but it names a file in the shared state directory: a value
    // such as "../../x" must not lead a write out of it, so it counts as no identity at all.
    if (!isPlainFileName(*value->asString())) {
        return std::nullopt;
    }
    return *value->asString();
}

bool writePinFile(const Paths& paths, bool isPinned, const QString& folderID) {
    const QString directory = paths.helperStateDirectory();
    // A failure here shows in the write below; the directory may well exist already.
    (void)QDir().mkpath(directory);
    // Atomic: the main application reads the file whenever the directory changes, and must see the old state
    // or the new one, never an empty file.
    // A link planted at the name is replaced, never written through.
    return !writeFileAtomically(directory + QLatin1Char('/') + folderID + QStringLiteral(".pinned"),
                                isPinned ? QByteArrayView("1") : QByteArrayView("0"));
}

DockTileStatePlugin::DockTileStatePlugin(Environment environment) : m_environment(std::move(environment)) {}

void DockTileStatePlugin::setDockTile(const dock::DockTile* tile) noexcept {
    // Nothing may escape into the Dock, which cannot know what to do with it.
    try {
        reportPinState(tile != nullptr);
    } catch (...) {
    }
}

const dock::DockMenu* DockTileStatePlugin::dockMenu() noexcept {
    return nullptr;
}

void DockTileStatePlugin::reportPinState(bool isPinned) {
    const std::optional<QString> bundle = m_environment.plugInBundlePath();
    if (!bundle) {
        return;
    }
    // The main application's own tile has no identity: nothing to report.
    const std::optional<QString> folderID = hostFolderID(*bundle);
    if (!folderID) {
        return;
    }
    (void)writePinFile(m_environment.paths(), isPinned, *folderID);
    m_environment.post(notification_names::kTSDockTilePinStateChanged,
                       PlistDictionary{{notification_names::kKeyFolderID, *folderID},
                                       {notification_names::kKeyIsPinned, isPinned}});
}

} // namespace tessly
