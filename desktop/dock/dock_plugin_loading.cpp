#include "dock_plugin_loading.h"

#include "platform/path_safety.h"
#include "platform/property_list.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace tessly::dock {

namespace {

std::optional<QString> infoText(const QString& bundle, const char* key) {
    const auto info = readPropertyListFile(bundle + QStringLiteral("/Contents/Info.plist"));
    if (!info || !info->root.isDictionary()) {
        return std::nullopt;
    }
    const PlistValue* value = info->root.asDictionary()->find(QString::fromLatin1(key));
    return value && value->asString() && !value->asString()->isEmpty() ? std::optional(*value->asString())
                                                                       : std::nullopt;
}

PlugInLocation refused(QString reason) {
    PlugInLocation location;
    location.status = PlugInStatus::refused;
    location.reason = std::move(reason);
    return location;
}

} // namespace

PlugInLocation locatePlugIn(const QString& applicationBundlePath) {
    const auto name = infoText(applicationBundlePath, "NSDockTilePlugIn");
    if (!name) {
        return {};
    }
    if (!isPlainFileName(*name)) {
        return refused(QStringLiteral("the plug-in's name is not a plain file name"));
    }
    const QString plugInBundle = applicationBundlePath + QStringLiteral("/Contents/PlugIns/") + *name;
    const auto executable = infoText(plugInBundle, "CFBundleExecutable");
    const auto principal = infoText(plugInBundle, "NSPrincipalClass");
    if (!executable || !principal) {
        return refused(QStringLiteral("the plug-in bundle names no executable or principal class"));
    }
    if (!isPlainFileName(*executable)) {
        return refused(QStringLiteral("the plug-in's executable is not a plain file name"));
    }
    const QString bundleRoot = QFileInfo(plugInBundle).canonicalFilePath();
    const QString resolved =
        QFileInfo(plugInBundle + QStringLiteral("/Contents/MacOS/") + *executable).canonicalFilePath();
    if (!isInsideDirectory(resolved, bundleRoot) || !QFileInfo(resolved).isFile()) {
        return refused(QStringLiteral("the plug-in's executable is missing or outside its bundle"));
    }
    QFile file(resolved);
    if (!file.open(QIODevice::ReadOnly) || file.read(4) != QByteArray("\177ELF", 4)) {
        return refused(QStringLiteral("the plug-in's executable is not a shared object"));
    }
    PlugInLocation location;
    location.status = PlugInStatus::found;
    location.executable = resolved;
    location.principalClass = *principal;
    return location;
}

} // namespace tessly::dock
