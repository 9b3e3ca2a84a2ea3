// The helpers: per-folder copies of the application bundle, their state files, their launch and retirement,
// and the Dock's preferences that list them.
//
//     HelperManager helpers(environment);          // one per process, owned by the composition root
//     folderStore = FolderStore(paths, helpers, ...);
//     store.syncHelpers();                         // at start of the main application
//
// A helper bundle is "Application Support/Tessly/Helpers/<name>.app": the running bundle copied, scrubbed of
// custom icons and extended attributes, its Info.plist carrying the folder's name and "TSGroupUUID", and
// signed anew. Helpers are started with "-group <UUID>", asked to quit with a normal quit request, and told
// about changes by distributed notifications; nothing waits for them.
//
// No folder name, UUID text, Dock entry or Info.plist content makes a file operation reach outside the
// helpers and state directories; symbolic links found inside them are removed as links, never followed.
//
// Main thread only. The implementation is spread over one file per concern: bundle builder, lifecycle, Dock
// preferences, state files.
#pragma once

#include "helpers/launcher_entries.h"
#include "model/app_folder.h"
#include "model/helper_actions.h"
#include "platform/child_process.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/distributed_notification_center.h"
#include "platform/extended_attributes.h"
#include "platform/launcher_dock.h"
#include "platform/main_bundle.h"
#include "platform/main_queue.h"
#include "platform/notification_center.h"
#include "platform/paths.h"
#include "platform/preferences_domain.h"
#include "platform/scoped_observer.h"
#include "platform/user_defaults.h"
#include "platform/workspace.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace tessly {

/// What a helper manager works with; everything is owned elsewhere and outlives the manager.
struct HelperEnvironment {
    const Paths& paths;
    const MainBundle& mainBundle;
    UserDefaults& defaults;
    Workspace& workspace;
    ChildProcessRunner& processes;
    ExtendedAttributes& attributes;
    /// The Dock's preferences domain, "com.apple.dock".
    PreferencesDomain& dockPreferences;
    NotificationCenter& notifications;
    DistributedNotificationCenter& distributedNotifications;
    MainQueue& queue;
    const Clock& clock;
    Console& console;
    SystemLog& systemLog;
    /// The code-signing tool ("/usr/bin/codesign" on macOS, the bundled stand-in on Linux).
    QString codesignPath;
};

/// What a helper manager needs to keep folders in a dock of launchers (Plank, the GNOME dash): there a folder
/// is a desktop entry of Tessly's pointing at its helper bundle, and no helper runs to be seen.
struct LauncherSupport {
    /// Which dock the session uses. Not owned.
    DockDiscovery* docks = nullptr;
    /// Where the folders' desktop entries go: "$XDG_DATA_HOME/applications".
    QString entriesDirectory;
    /// The folder's tile as PNG bytes, for its launcher's icon; empty when it cannot be drawn.
    std::function<QByteArray(const AppFolder&)> renderIcon;
    /// The folders as the store has them now, for redrawing the launchers when the tiles' look changes.
    std::function<QList<AppFolder>()> folders;
};

/// The name of a folder's helper bundle: the first 30 user-perceived characters of the name, without the
/// characters a file name must not hold, "Group" when nothing is left, then ".app". The whole name stays
/// within the 255 bytes of UTF-8 a file system allows for one name, cut between user-perceived characters.
[[nodiscard]] QString helperBundleName(const QString& folderName);

/// The shortest decimal text, with a decimal point, that reads back as the same double.
[[nodiscard]] QString shortestDecimalText(double value);

/// A path with "." and ".." resolved, separators cleaned and any trailing "/" removed; links not followed.
[[nodiscard]] QString standardizedPath(const QString& path);
/// The standardized path with the symbolic links in its existing part resolved; what does not exist (yet, or
/// any more) follows the resolved part as written. A relative path stays standardized.
///
/// Every comparison of a bundle path with a running process or a Dock entry is made in this form: processes
/// report resolved paths, while a home reached through a link, or written with doubled slashes, does not.
[[nodiscard]] QString canonicalPath(const QString& path);

/// What the Dock holds of one folder's helper, as `isFolderPinned` and `isHelperRunning` would say.
struct HelperDockState {
    bool hasHelper = false;
    bool running = false;
    bool pinned = false;
    /// The latest build or launch of the helper failed: it is missing from the Dock because of Tessly, not
    /// because of the user, and the next synchronisation tries again.
    bool failedToStart = false;
};

class HelperManager final : public QObject, public HelperActions {
    Q_OBJECT

public:
    explicit HelperManager(const HelperEnvironment& environment, QObject* parent = nullptr);

    /// Where helper launches are noted; null while the shell has none. Not owned.
    void setHelperLaunchRecorder(HelperLaunchRecorder* recorder) { m_launchRecorder = recorder; }
    /// Lets the manager keep folders in a launcher dock whenever the session uses one; without it, every dock
    /// is followed as one that shows the helpers' own tiles.
    void setLauncherSupport(LauncherSupport support);

    // Directories.
    /// Application Support/"Tessly/Helpers", canonical: the paths of helpers are those their processes
    /// report.
    [[nodiscard]] QString helpersDir();
    [[nodiscard]] QString helperStateDir();
    [[nodiscard]] QString dockPreferencesURL() const;

    // Bundle builder.
    [[nodiscard]] std::optional<QString> buildHelper(const AppFolder& folder);
    [[nodiscard]] std::optional<QString> findHelper(const QUuid& folderId);
    [[nodiscard]] std::optional<QString> helperGroupUUID(const QString& bundlePath) const;
    void rebuildHelperIfStale(const AppFolder& folder, const QString& helperPath);
    [[nodiscard]] bool isHelperStale(const QString& helperPath, const QString& applicationPath) const;
    [[nodiscard]] bool isHelperRunning(const QString& helperPath) const;
    [[nodiscard]] std::optional<QString> signingIdentity();
    /// Removes the custom icon, the preview library and every extended attribute of the bundle. A folder that
    /// cannot be read is passed over and the rest still cleared; the first such failure is returned
    /// ("<path>: <reason>").
    std::optional<QString> scrubHelperBundle(const QString& helperPath);

    // Lifecycle.
    void launchHelper(const QString& helperPath, const QUuid& folderId);
    void installHelper(const AppFolder& folder) override;
    void removeHelper(const QUuid& folderId, bool preserve) override;
    void syncHelpers(const QList<AppFolder>& folders) override;
    void scheduleHelperOff(const AppFolder& folder, double delaySeconds) override;
    void cancelHelperOff(const AppFolder& folder) override;
    void updateAllHelperTiles();
    void refreshAllHelperPopups();
    [[nodiscard]] bool hasOffTimerForTesting(const QUuid& folderId) const {
        return m_offTimers.contains(folderId);
    }

    // Launcher docks.
    /// The session's dock when it keeps launchers; null when the helpers' tiles are what the Dock shows.
    [[nodiscard]] LauncherDock* launcherDock() const;
    /// The path of the folder's desktop entry; nothing without launcher support.
    [[nodiscard]] std::optional<QString> launcherEntryPath(const QUuid& folderId) const;
    /// Writes the folder's desktop entry (its tile drawn as the icon) pointing at the helper, and keeps it in
    /// the launcher dock. A failure is logged and counts as a failed start.
    /// `keptEntries`, when given, is what the dock keeps already (read once for many folders).
    void putInLauncherDock(const AppFolder& folder, const QString& helperPath,
                           const QSet<QString>* keptEntries = nullptr);
    /// The desktop entries the launcher dock keeps now, as it names them; none without one.
    [[nodiscard]] QSet<QString> keptLauncherEntries() const;
    void removeLauncher(const QUuid& folderId) override;
    /// Draws each launcher of `folders` in the Dock again; only the changed ones are rewritten.
    void refreshLaunchers(const QList<AppFolder>& folders);
    /// Removes the launcher of every folder whose UUID text is not in `keptFolders`.
    void removeLaunchersOtherThan(const QSet<QString>& keptFolders);

    // Dock preferences.
    [[nodiscard]] std::optional<double> dockTileSize();
    [[nodiscard]] std::optional<double> dockLargeSize();
    [[nodiscard]] bool dockMagnification();
    [[nodiscard]] std::optional<PlistArray> persistentApps();
    [[nodiscard]] std::optional<PlistArray> persistentAppsFromFile() const;
    /// The canonical paths of the items kept in the Dock, as its preferences file lists them.
    [[nodiscard]] QSet<QString> persistentAppPathsFromFile() const;
    [[nodiscard]] static std::optional<QString> tilePath(const PlistValue& entry);
    void removeDockTile(const AppFolder& folder);

    // State files and process identity.
    void removeMarker(const QUuid& folderId, const QString& suffix);
    /// Writes the launch marker: now, in seconds since 1970, as the shortest decimal text.
    void writeLaunchMarker(const QUuid& folderId);
    [[nodiscard]] bool consumePreserveMarker(const QUuid& folderId);
    [[nodiscard]] bool isFolderPinned(const QUuid& folderId);
    /// `isFolderPinned` and whether the helper runs, for many folders at once.
    [[nodiscard]] QHash<QUuid, HelperDockState> helperDockStates(const QList<QUuid>& folderIds);
    /// This process's "TSGroupUUID", mirrored into the "group" default (removed when there is none) whenever
    /// it differs from what this process mirrored last: the main application and its helpers share that
    /// default and ask at every notification, and would otherwise take turns rewriting it.
    [[nodiscard]] std::optional<QString> helperGroupIdentifier();
    [[nodiscard]] bool isHelperProcess();
    void removeFile(const QString& path);

private:
    [[nodiscard]] QString stateFilePath(const QUuid& folderId, const QString& suffix);
    /// The pin file says "1" (trimmed); it counts only while the helper runs.
    [[nodiscard]] bool pinFileSaysPinned(const QUuid& folderId);
    /// The entries of the helpers directory with the extension "app", links left out (and listed in `links`
    /// when given).
    [[nodiscard]] QStringList listedHelperBundles(QStringList* links = nullptr);
    /// The helper of every folder that has one, by the folder's UUID text: the one rule by which
    /// `findHelper`, `syncHelpers` and `helperDockStates` tell a folder's helper.
    [[nodiscard]] QHash<QString, QString> helperOfEachFolder();
    /// The same, from the bundles already read for each identifier.
    [[nodiscard]] QHash<QString, QString> helperOfEachFolder(QHash<QString, QStringList> bundlesOf);
    /// Chooses the helper path for a folder: its name, or the name with a number when another folder's
    /// helper holds it.
    [[nodiscard]] QString helperPathFor(const AppFolder& folder);
    /// The canonical bundle paths of the running applications.
    [[nodiscard]] QSet<QString> runningBundlePaths() const;
    /// Asks every running application of the bundle at `bundlePath` (in any form) to quit; nothing when
    /// `bundlePath` is a link.
    void quitRunningApplications(const QString& bundlePath);
    // The steps of a helper's build; each says why it failed.
    [[nodiscard]] bool copyApplicationTo(const QString& helper);
    [[nodiscard]] bool writeHelperInfo(const QString& helper, const AppFolder& folder);
    [[nodiscard]] bool signHelper(const QString& helper);
    void logFailure(const QString& line);
    [[nodiscard]] std::optional<double> dockWholeNumber(const QString& key);
    [[nodiscard]] std::optional<PlistDictionary> dockPreferencesFile() const;
    void noteLaunch(const QUuid& folderId);

    HelperEnvironment m_env;
    HelperLaunchRecorder* m_launchRecorder = nullptr;
    std::optional<QString> m_helpersDir;
    std::optional<QString> m_helperStateDir;
    std::map<QUuid, DelayedWork> m_offTimers;
    /// The folders whose helper could not be built or launched the last time it was tried.
    QSet<QUuid> m_failedToStart;
    /// What `helperGroupIdentifier` last mirrored into "group" (nothing: it removed the key); unset before.
    std::optional<std::optional<QString>> m_mirroredGroup;
    std::optional<LauncherSupport> m_launcherSupport;
    std::unique_ptr<LauncherEntries> m_launchers;
    // Last, so that they end first.
    std::vector<ScopedObserver<NotificationCenter>> m_observers;
};

} // namespace tessly
