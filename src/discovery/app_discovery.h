// The applications installed on the machine, for the application picker: every bundle one level deep in the
// standard application directories, then the desktop's own entries of applications when the platform has
// them, one entry per identifier, sorted by name in the alphabet of the interface language.
//
//     AppDiscovery discovery(paths.home(), queue,
//                            [&settings] { return localeForLanguage(settings.language()); },
//                            &desktopApplications);
//     discovery.discoverApps([picker = QPointer(this)](QList<AppItem> apps) {
//         if (picker) picker->showApplications(apps);
//     });
//
// A desktop entry becomes an application with the entry's identifier as `bundleID` and the file URL of the
// entry as `appURL` (the workspace opens and draws it as it does a bundle), named in the interface language.
// A bundle and an entry of the same identifier give one application: the bundle, as the first source.
//
// Nothing is cached: every call scans again, and every entry gets a fresh `id`, so callers that need a stable
// identity compare `bundleID` or `appURL`. Unreadable directories, entries that are not bundles and bundles
// without an identifier are skipped silently.
//
// One instance per process, owned by the composition root. Main thread only: the scan and the completion both
// run there.
#pragma once

#include "model/app_folder.h"
#include "platform/desktop_applications.h"
#include "platform/main_queue.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>

namespace tessly {

class AppDiscovery final {
public:
    using Completion = std::function<void(QList<AppItem>)>;
    /// The interface language's locale, asked for at every scan: its alphabet orders the names, and its
    /// language names the desktop entries.
    using SortLocaleSource = std::function<QLocale()>;

    /// Scans the system's application directories and `homeDirectory` + "/Applications", then the entries of
    /// `desktopApplications` (none without), and sorts in the locale `sortLocale` gives: the interface
    /// language's, which the user chooses in the program and may differ from the process's locale.
    /// `desktopApplications` must outlive this object.
    AppDiscovery(QString homeDirectory, MainQueue& queue, SortLocaleSource sortLocale,
                 const DesktopApplications* desktopApplications = nullptr);

    /// The directories scanned, in the order in which the first copy of a bundle identifier wins.
    [[nodiscard]] QStringList scanDirectories() const;

    /// Scans, and hands the sorted list to `completion` on the main queue after the current event (the work
    /// is done there too: the call is asynchronous in form only). The sort locale is the one of the moment of
    /// the call. The scan holds nothing of this object, so it needs no guard; `completion` must guard its own
    /// owner.
    void discoverApps(Completion completion) const;

    /// The same scan, done now.
    [[nodiscard]] QList<AppItem> discoverAppsNowForTesting() const;

    /// Moves the system directories ("/Applications", "/System/...") under `root`, so that a test can lay out
    /// a whole machine in a temporary folder. The program never calls this.
    void setSystemRootForTesting(const QString& root) { m_systemRoot = root; }

private:
    [[nodiscard]] QLocale sortLocale() const;

    [[nodiscard]] QList<DesktopApplication> desktopEntries(const QLocale& locale) const;

    QString m_homeDirectory;
    QString m_systemRoot;
    MainQueue& m_queue;
    SortLocaleSource m_sortLocale;
    const DesktopApplications* m_desktopApplications;
};

/// Scans `directories` in order (one level deep, names ending in ".app" exactly), then takes
/// `desktopEntries`, and returns one entry per identifier, the first found winning, sorted by name ascending
/// in the collation of `sortLocale`, case-insensitive; the sort is stable.
[[nodiscard]] QList<AppItem> discoverAppsIn(const QStringList& directories, const QLocale& sortLocale,
                                            const QList<DesktopApplication>& desktopEntries = {});

/// The language code the names of desktop entries are asked for in `locale` ("uk"); empty for the C locale.
[[nodiscard]] QString desktopEntryLanguage(const QLocale& locale);

} // namespace tessly
