// The Dock's preferences: tile sizes, magnification, the pinned items, and removing a helper's tiles.
#include "helpers/helper_manager.h"

#include "model/notification_names.h"
#include "model/uuid_text.h"
#include "platform/path_safety.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <cmath>

namespace tessly {

namespace {

const QString kTileSize = QStringLiteral("tilesize");
const QString kLargeSize = QStringLiteral("largesize");
const QString kMagnification = QStringLiteral("magnification");
const QString kPersistentApps = QStringLiteral("persistent-apps");

std::optional<double> wholeNumber(const PlistValue& value) {
    if (const auto* integer = value.asInteger()) {
        return static_cast<double>(*integer);
    }
    if (const auto* real = value.asReal(); real && std::isfinite(*real) && std::trunc(*real) == *real) {
        return *real;
    }
    return std::nullopt;
}

/// The entries that are dictionaries, in order; nothing when `value` is not an array.
std::optional<PlistArray> dictionariesOf(const PlistValue& value) {
    const PlistArray* items = value.asArray();
    if (!items) {
        return std::nullopt;
    }
    PlistArray kept;
    for (const PlistValue& item : *items) {
        if (item.isDictionary()) {
            kept.push_back(item);
        }
    }
    return kept;
}

const PlistDictionary* dictionaryAt(const PlistDictionary& dictionary, const QString& key) {
    const PlistValue* value = dictionary.find(key);
    return value ? value->asDictionary() : nullptr;
}

} // namespace

QString standardizedPath(const QString& path) {
    if (path.isEmpty()) {
        return path;
    }
    QString clean = QDir::cleanPath(path);
    while (clean.size() > 1 && clean.endsWith(QLatin1Char('/'))) {
        clean.chop(1);
    }
    // Above the root there is only the root: "/../x" is "/x", as the system resolves it.
    while (clean.startsWith(QLatin1String("/../")) || clean == QLatin1String("/..")) {
        clean.remove(0, 3);
        if (clean.isEmpty()) {
            clean = QStringLiteral("/");
        }
    }
    return clean;
}

QString canonicalPath(const QString& path) {
    const QString standard = standardizedPath(path);
    // Relative to nothing in particular (a Dock entry of type 0 may hold one): left as written rather than
    // resolved against whatever the working directory happens to be.
    if (!standard.startsWith(QLatin1Char('/'))) {
        return standard;
    }
    // Resolve the links of the part that exists; what does not exist (a bundle not built yet, or deleted) is
    // kept as written after it, so that it compares equal to the same path reached another way.
    QString existing = standard;
    QString rest;
    while (!existing.isEmpty() && !QFileInfo::exists(existing)) {
        const qsizetype slash = existing.lastIndexOf(QLatin1Char('/'));
        if (slash < 0) {
            return standard;
        }
        rest.prepend(existing.mid(slash));
        existing.truncate(slash);
    }
    if (existing.isEmpty()) {
        return standard;
    }
    const QString resolved = QFileInfo(existing).canonicalFilePath();
    if (resolved.isEmpty()) {
        return standard;
    }
    return standardizedPath(resolved + rest);
}

QString HelperManager::dockPreferencesURL() const {
    return m_env.paths.home() + QStringLiteral("/Library/Preferences/com.apple.dock.plist");
}

std::optional<PlistDictionary> HelperManager::dockPreferencesFile() const {
    auto file = readPropertyListFile(dockPreferencesURL());
    if (!file || !file->root.isDictionary()) {
        return std::nullopt;
    }
    return *file->root.asDictionary();
}

std::optional<double> HelperManager::dockWholeNumber(const QString& key) {
    m_env.dockPreferences.synchronize();
    if (const auto value = m_env.dockPreferences.copyValue(key)) {
        if (const auto number = wholeNumber(*value)) {
            return number;
        }
    }
    if (const auto file = dockPreferencesFile()) {
        if (const PlistValue* value = file->find(key)) {
            return wholeNumber(*value);
        }
    }
    return std::nullopt;
}

std::optional<double> HelperManager::dockTileSize() {
    return dockWholeNumber(kTileSize);
}

std::optional<double> HelperManager::dockLargeSize() {
    return dockWholeNumber(kLargeSize);
}

bool HelperManager::dockMagnification() {
    m_env.dockPreferences.synchronize();
    if (const auto value = m_env.dockPreferences.copyValue(kMagnification)) {
        if (const bool* flag = value->asBoolean()) {
            return *flag;
        }
        if (const auto* integer = value->asInteger()) {
            return *integer != 0;
        }
    }
    if (const auto file = dockPreferencesFile()) {
        if (const PlistValue* value = file->find(kMagnification)) {
            if (const bool* flag = value->asBoolean()) {
                return *flag;
            }
            if (const auto* integer = value->asInteger()) {
                return *integer != 0;
            }
        }
    }
    return false;
}

std::optional<PlistArray> HelperManager::persistentApps() {
    m_env.dockPreferences.synchronize();
    const auto value = m_env.dockPreferences.copyValue(kPersistentApps);
    if (!value) {
        return std::nullopt;
    }
    return dictionariesOf(*value);
}

std::optional<PlistArray> HelperManager::persistentAppsFromFile() const {
    const auto file = dockPreferencesFile();
    if (!file) {
        return std::nullopt;
    }
    const PlistValue* value = file->find(kPersistentApps);
    if (!value || !value->asArray()) {
        return std::nullopt;
    }
    for (const PlistValue& item : *value->asArray()) {
        if (!item.isDictionary()) {
            return std::nullopt;
        }
    }
    return *value->asArray();
}

QSet<QString> HelperManager::persistentAppPathsFromFile() const {
    QSet<QString> paths;
    if (const auto entries = persistentAppsFromFile()) {
        for (const PlistValue& entry : *entries) {
            if (const auto path = tilePath(entry)) {
                paths.insert(canonicalPath(*path));
            }
        }
    }
    return paths;
}

std::optional<QString> HelperManager::tilePath(const PlistValue& entry) {
    const PlistDictionary* root = entry.asDictionary();
    const PlistDictionary* tileData = root ? dictionaryAt(*root, QStringLiteral("tile-data")) : nullptr;
    const PlistDictionary* fileData =
        tileData ? dictionaryAt(*tileData, QStringLiteral("file-data")) : nullptr;
    const PlistValue* urlValue = fileData ? fileData->find(QStringLiteral("_CFURLString")) : nullptr;
    if (!urlValue || !urlValue->asString()) {
        return std::nullopt;
    }
    const QString& text = *urlValue->asString();
    const PlistValue* type = fileData->find(QStringLiteral("_CFURLStringType"));
    if (type && type->asInteger() && *type->asInteger() == 0) {
        return standardizedPath(text); // a plain path: trusted as written
    }
    const QUrl url(text, QUrl::StrictMode);
    if (url.isValid() && url.isLocalFile()) {
        // "file://localhost/x" names the local "/x" as "file:///x" does; a file URL of another host names
        // nothing here.
        const QString host = url.host();
        if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0) {
            return std::nullopt;
        }
        return standardizedPath(url.path(QUrl::FullyDecoded));
    }
    if (text.startsWith(QLatin1Char('/'))) {
        return standardizedPath(text);
    }
    return std::nullopt;
}

void HelperManager::removeDockTile(const AppFolder& folder) {
    removeLauncher(folder.id);
    std::optional<QString> helperPath;
    if (const auto helper = findHelper(folder.id)) {
        helperPath = canonicalPath(*helper);
    }
    const QString root = canonicalPath(helpersDir());
    const QString wanted = uuidText(folder.id);

    PlistArray entries = persistentApps().value_or(persistentAppsFromFile().value_or(PlistArray{}));
    PlistArray kept;
    for (const PlistValue& entry : entries) {
        const auto path = tilePath(entry);
        if (!path) {
            kept.push_back(entry);
            continue;
        }
        const QString resolved = canonicalPath(*path);
        if (resolved != root && !isInsideDirectory(resolved, root)) {
            kept.push_back(entry); // not one of ours
            continue;
        }
        if (helperPath && resolved == *helperPath) {
            continue;
        }
        if (helperGroupUUID(resolved) == wanted) {
            continue;
        }
        // A stale entry of a bundle already deleted or moved, recognised by the folder's current name.
        const PlistDictionary* tileData = dictionaryAt(*entry.asDictionary(), QStringLiteral("tile-data"));
        const PlistValue* label = tileData ? tileData->find(QStringLiteral("file-label")) : nullptr;
        if (label && label->asString() && *label->asString() == folder.name) {
            continue;
        }
        kept.push_back(entry);
    }
    if (kept.size() == entries.size()) {
        return;
    }
    m_env.dockPreferences.setValue(kPersistentApps, PlistValue(std::move(kept)));
    m_env.dockPreferences.synchronize();
    m_env.distributedNotifications.post(notification_names::kDockPreferencesChanged);
}

} // namespace tessly
