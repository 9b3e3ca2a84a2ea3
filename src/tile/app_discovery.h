// The applications installed on the machine, for the application picker: every bundle one level deep in the
// standard application directories, one entry per bundle identifier, sorted by name in the alphabet of the
// interface language.
//
//     AppDiscovery discovery(paths.home(), queue,
//                            [&settings] { return localeForLanguage(settings.language()); });
//     discovery.discoverApps([picker = QPointer(this)](QList<AppItem> apps) {
//         if (picker) picker->showApplications(apps);
//     });
//
// Nothing is cached: every call scans again, and every entry gets a fresh `id`, so callers that need a stable
// identity compare `bundleID` or `appURL`. Unreadable directories, entries that are not bundles and bundles
// without an identifier are skipped silently.
//
// One instance per process, owned by the composition root. Main thread only: the scan and the completion both
// run there.
#pragma once

#include "model/app_folder.h"
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
    /// The locale whose alphabet orders the names, asked for at every scan.
    using SortLocaleSource = std::function<QLocale()>;

    /// Scans the system's application directories and `homeDirectory` + "/Applications", and sorts in the
    /// locale `sortLocale` gives: the interface language's, which the user chooses in the program and may
    /// differ from the process's locale.
    AppDiscovery(QString homeDirectory, MainQueue& queue, SortLocaleSource sortLocale);

    /// The directories scanned, in the order in which the first copy of a bundle identifier wins.
    [[nodiscard]] QStringList scanDirectories() const;

    /// Scans, and hands the sorted list to `completion` on the main queue after the current event (the work
    /// is done there too: the call is asynchronous in form only). The sort locale is the one of the moment of
    /// the call. The scan holds nothing of this object, so it needs no guard; `completion` must guard its own
    /// owner.
    void discoverApps(Completion completion) const;

    /// The same scan, done now.
    [[nodiscard]] QList<AppItem> discoverAppsNow() const;

    /// Moves the system directories ("/Applications", "/System/...") under `root`, so that a test can lay out
    /// a whole machine in a temporary folder. The program never calls this.
    void setSystemRootForTesting(const QString& root) { m_systemRoot = root; }

private:
    [[nodiscard]] QLocale sortLocale() const;

    QString m_homeDirectory;
    QString m_systemRoot;
    MainQueue& m_queue;
    SortLocaleSource m_sortLocale;
};

/// Scans `directories` in order (one level deep, names ending in ".app" exactly) and returns one entry per
/// bundle identifier, the first found winning, sorted by name ascending in the collation of `sortLocale`,
/// case-insensitive; the sort is stable.
[[nodiscard]] QList<AppItem> discoverAppsIn(const QStringList& directories, const QLocale& sortLocale);

} // namespace tessly
