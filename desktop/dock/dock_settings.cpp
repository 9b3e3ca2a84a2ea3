#include "dock_settings.h"

#include "helpers/helper_manager.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QUrl>

#include <cmath>

namespace tessly::dock {

namespace {

std::optional<double> numberOf(const std::optional<PlistValue>& value) {
    if (!value) {
        return std::nullopt;
    }
    if (const auto* integer = value->asInteger()) {
        return static_cast<double>(*integer);
    }
    if (const auto* real = value->asReal(); real && std::isfinite(*real)) {
        return *real;
    }
    return std::nullopt;
}

bool isBundle(const QString& path) {
    return QFileInfo(path).isDir() && QFileInfo(path + QStringLiteral("/Contents/Info.plist")).isFile();
}

/// The canonical path an entry names, or nothing.
std::optional<QString> entryPath(const PlistValue& entry) {
    const auto path = HelperManager::tilePath(entry);
    if (!path || !path->startsWith(QLatin1Char('/'))) {
        return std::nullopt;
    }
    return canonicalPath(*path);
}

} // namespace

DockSettings readDockSettings(PreferencesDomain& domain) {
    domain.synchronize();
    DockSettings settings;
    const auto orientation = domain.copyValue(QStringLiteral("orientation"));
    settings.orientation = orientationFromText(orientation && orientation->asString()
                                                   ? std::optional<QString>(*orientation->asString())
                                                   : std::nullopt);
    if (const auto size = numberOf(domain.copyValue(QStringLiteral("tilesize"))); size && *size > 0) {
        settings.tileSize = *size;
    }
    if (const auto size = numberOf(domain.copyValue(QStringLiteral("largesize"))); size && *size > 0) {
        settings.largeSize = *size;
    }
    if (const auto value = domain.copyValue(QStringLiteral("magnification"))) {
        if (const bool* flag = value->asBoolean()) {
            settings.magnification = *flag;
        } else if (const auto* integer = value->asInteger()) {
            settings.magnification = *integer != 0;
        }
    }
    if (const auto apps = domain.copyValue(QStringLiteral("persistent-apps")); apps && apps->asArray()) {
        settings.persistentApps = *apps->asArray();
    }
    return settings;
}

QStringList keptBundlePaths(const PlistArray& entries) {
    QStringList paths;
    QSet<QString> seen;
    for (const PlistValue& entry : entries) {
        const auto path = entryPath(entry);
        if (!path || seen.contains(*path) || !isBundle(*path)) {
            continue;
        }
        seen.insert(*path);
        paths.append(*path);
    }
    return paths;
}

PlistValue makePersistentAppEntry(const QString& bundlePath) {
    const QString path = canonicalPath(bundlePath);
    QUrl url;
    url.setScheme(QStringLiteral("file"));
    url.setHost(QStringLiteral("localhost"));
    url.setPath(path + QLatin1Char('/'));
    const QString label = QFileInfo(path).completeBaseName();
    PlistDictionary fileData{{QStringLiteral("_CFURLString"), PlistValue(url.toString(QUrl::FullyEncoded))},
                             {QStringLiteral("_CFURLStringType"), PlistValue(15)}};
    PlistDictionary tileData{{QStringLiteral("file-data"), PlistValue(std::move(fileData))},
                             {QStringLiteral("file-label"), PlistValue(label)},
                             {QStringLiteral("file-type"), PlistValue(41)}};
    return PlistValue(PlistDictionary{
        {QStringLiteral("GUID"), PlistValue(static_cast<std::int64_t>(QRandomGenerator::global()->bounded(
                                     1, std::numeric_limits<int>::max())))},
        {QStringLiteral("tile-data"), PlistValue(std::move(tileData))},
        {QStringLiteral("tile-type"), PlistValue("file-tile")}});
}

std::optional<PlistArray> withBundleKept(const PlistArray& entries, const QString& bundlePath) {
    const QString path = canonicalPath(bundlePath);
    for (const PlistValue& entry : entries) {
        if (entryPath(entry) == path) {
            return std::nullopt;
        }
    }
    PlistArray edited = entries;
    edited.push_back(makePersistentAppEntry(path));
    return edited;
}

std::optional<PlistArray> withBundleRemoved(const PlistArray& entries, const QString& bundlePath) {
    const QString path = canonicalPath(bundlePath);
    PlistArray edited;
    for (const PlistValue& entry : entries) {
        if (entryPath(entry) != path) {
            edited.push_back(entry);
        }
    }
    if (edited.size() == entries.size()) {
        return std::nullopt;
    }
    return edited;
}

} // namespace tessly::dock
