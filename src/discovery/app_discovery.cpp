#include "discovery/app_discovery.h"

#include "model/uuid_text.h"
#include "platform/bounded_file.h"
#include "platform/property_list.h"

#include <QCollator>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <array>

namespace tessly {

namespace {

constexpr QLatin1StringView kBundleSuffix(".app");

// The scan list, in the order that decides which copy of an identifier is kept; the home directory's
// "Applications" comes between the two groups.
constexpr std::array kSystemDirectoriesBeforeHome{QLatin1StringView("/Applications"),
                                                  QLatin1StringView("/Applications/Utilities")};
constexpr std::array kSystemDirectoriesAfterHome{
    QLatin1StringView("/System/Applications"), QLatin1StringView("/System/Applications/Utilities"),
    QLatin1StringView("/System/Library/CoreServices/Applications")};

/// A text value of the bundle's Info.plist; an empty text counts as present.
const QString* infoText(const PlistDictionary& info, const QString& key) {
    const PlistValue* value = info.find(key);
    return value ? value->asString() : nullptr;
}

/// The entry for the bundle at `path` (file name `fileName`), or nothing when it is not a bundle with an
/// identifier.
std::optional<AppItem> readBundle(const QString& path, const QString& fileName) {
    // A bundle is a directory with Contents/Info.plist; anything else (a plain file, a folder without one, an
    // unreadable or malformed property list) fails to open as one. Only a regular file of a sane size is
    // read: a pipe in its place would block the scan, and a huge file is no application's.
    const QString infoPath = path + QStringLiteral("/Contents/Info.plist");
    const QFileInfo infoFile(infoPath);
    if (!infoFile.isFile() || infoFile.size() > kPropertyListFileLimit) {
        return std::nullopt;
    }
    auto parsed = readPropertyListFile(infoPath);
    if (!parsed || !parsed->root.isDictionary()) {
        return std::nullopt;
    }
    const PlistDictionary& info = *parsed->root.asDictionary();
    const QString* identifier = infoText(info, QStringLiteral("CFBundleIdentifier"));
    // An empty identifier identifies nothing: it would fold every such bundle into one entry.
    if (!identifier || identifier->isEmpty()) {
        return std::nullopt;
    }
    QString name;
    if (const QString* displayName = infoText(info, QStringLiteral("CFBundleDisplayName"))) {
        name = *displayName;
    } else if (const QString* bundleName = infoText(info, QStringLiteral("CFBundleName"))) {
        name = *bundleName;
    } else {
        name = fileName.chopped(kBundleSuffix.size());
    }
    // A directory's file URL ends in "/", as the platform writes bundle URLs.
    return AppItem{makeUuid(), std::move(name), *identifier, QUrl::fromLocalFile(path + QLatin1Char('/'))};
}

} // namespace

AppDiscovery::AppDiscovery(QString homeDirectory, MainQueue& queue, SortLocaleSource sortLocale,
                           const DesktopApplications* desktopApplications)
    : m_homeDirectory(std::move(homeDirectory)), m_queue(queue), m_sortLocale(std::move(sortLocale)),
      m_desktopApplications(desktopApplications) {}

QList<DesktopApplication> AppDiscovery::desktopEntries(const QLocale& locale) const {
    return m_desktopApplications ? m_desktopApplications->applications(desktopEntryLanguage(locale))
                                 : QList<DesktopApplication>{};
}

QLocale AppDiscovery::sortLocale() const {
    // Without a source, a fixed order rather than the process's locale, which the program does not choose.
    return m_sortLocale ? m_sortLocale() : QLocale::c();
}

QStringList AppDiscovery::scanDirectories() const {
    QStringList directories;
    for (const QLatin1StringView directory : kSystemDirectoriesBeforeHome) {
        directories.append(m_systemRoot + directory);
    }
    directories.append(m_homeDirectory + QStringLiteral("/Applications"));
    for (const QLatin1StringView directory : kSystemDirectoriesAfterHome) {
        directories.append(m_systemRoot + directory);
    }
    return directories;
}

void AppDiscovery::discoverApps(Completion completion) const {
    // The desktop's entries are read when the scan runs; the port outlives this object by contract, so the
    // queued scan may use it without a guard.
    m_queue.async([directories = scanDirectories(), locale = sortLocale(),
                   desktopApplications = m_desktopApplications, completion = std::move(completion)] {
        if (!completion) {
            return;
        }
        const QList<DesktopApplication> entries =
            desktopApplications ? desktopApplications->applications(desktopEntryLanguage(locale))
                                : QList<DesktopApplication>{};
        completion(discoverAppsIn(directories, locale, entries));
    });
}

QList<AppItem> AppDiscovery::discoverAppsNowForTesting() const {
    const QLocale locale = sortLocale();
    return discoverAppsIn(scanDirectories(), locale, desktopEntries(locale));
}

QString desktopEntryLanguage(const QLocale& locale) {
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage) {
        return {};
    }
    return QLocale::languageToCode(locale.language(), QLocale::ISO639Part1);
}

QList<AppItem> discoverAppsIn(const QStringList& directories, const QLocale& sortLocale,
                              const QList<DesktopApplication>& desktopEntries) {
    QList<AppItem> apps;
    QSet<QString> identifiers;
    for (const QString& directory : directories) {
        // Names in the order the file system lists them; a missing or unreadable directory lists nothing.
        QDirIterator entries(directory,
                             QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (entries.hasNext()) {
            entries.next();
            const QString fileName = entries.fileName();
            if (!fileName.endsWith(kBundleSuffix, Qt::CaseSensitive)) {
                continue;
            }
            std::optional<AppItem> app = readBundle(entries.filePath(), fileName);
            // The first directory of the scan list wins, and within one directory the first listed.
            if (!app || identifiers.contains(app->bundleID)) {
                continue;
            }
            identifiers.insert(app->bundleID);
            apps.append(std::move(*app));
        }
    }
    // The desktop's entries come after every bundle: a bundle of the same identifier is kept.
    for (const DesktopApplication& entry : desktopEntries) {
        if (entry.identifier.isEmpty() || identifiers.contains(entry.identifier)) {
            continue;
        }
        identifiers.insert(entry.identifier);
        apps.append(AppItem{makeUuid(), entry.name, entry.identifier, QUrl::fromLocalFile(entry.entryPath)});
    }
    // The interface language's alphabet: a default collator would follow the process's locale, which is the
    // character-code order under C and another language's alphabet when the user's system speaks it.
    QCollator collator(sortLocale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(apps.begin(), apps.end(), [&collator](const AppItem& a, const AppItem& b) {
        return collator.compare(a.name, b.name) < 0;
    });
    return apps;
}

} // namespace tessly
