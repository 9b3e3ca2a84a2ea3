// Starting, stopping, retiring and deleting helpers, and telling running helpers about changes.
#include "helpers/helper_manager.h"

#include "helpers/helper_files.h"
#include "model/notification_names.h"
#include "model/uuid_text.h"
#include "platform/atomic_file.h"
#include "platform/guarded.h"

#include <QPointer>

namespace tessly {

using namespace helper_files;

HelperManager::HelperManager(const HelperEnvironment& environment, QObject* parent)
    : QObject(parent), m_env(environment) {
    auto observe = [this](const QString& name, NotificationHandler handler) {
        m_observers.emplace_back(m_env.notifications,
                                 m_env.notifications.addObserver(name, std::move(handler)));
    };
    observe(notification_names::kTileAppearanceChanged,
            [this](const Notification&) { updateAllHelperTiles(); });
    observe(notification_names::kPopupSettingsChanged,
            [this](const Notification&) { refreshAllHelperPopups(); });
    // The tile's colours follow the theme; a launcher's icon file has to be drawn again for it.
    observe(notification_names::kThemeChanged, [this](const Notification&) {
        if (m_launcherSupport && m_launcherSupport->folders && !isHelperProcess()) {
            refreshLaunchers(m_launcherSupport->folders());
        }
    });
}

void HelperManager::noteLaunch(const QUuid& folderId) {
    if (m_launchRecorder) {
        m_launchRecorder->noteHelperLaunch(folderId, m_env.clock.now());
    }
}

void HelperManager::launchHelper(const QString& helperPath, const QUuid& folderId) {
    OpenConfiguration configuration;
    configuration.activates = false;
    configuration.createsNewApplicationInstance = true;
    // "-group" tells the helper that the main application started it, so it shows its badge instead of its
    // popup.
    configuration.arguments = {QStringLiteral("-group"), uuidText(folderId)};
    m_env.workspace.openApplication(
        helperPath, configuration, guarded(this, [this, helperPath, folderId](const auto& error) {
            if (error) {
                m_failedToStart.insert(folderId);
                removeMarker(folderId, QStringLiteral(".launch"));
                m_env.console.printLine(
                    QStringLiteral("Failed to launch helper %1: %2").arg(helperPath, *error));
                m_env.systemLog.log(
                    QStringLiteral("Tessly: Failed to launch helper %1: %2").arg(helperPath, *error));
                return;
            }
            m_failedToStart.remove(folderId);
            m_env.console.printLine(QStringLiteral("Successfully launched helper: ") + helperPath);
            m_env.systemLog.log(QStringLiteral("Tessly: Successfully launched helper: ") + helperPath);
        }));
}

void HelperManager::installHelper(const AppFolder& folder) {
    removeHelper(folder.id, true);
    // A launcher dock starts the helper itself, on the user's click: no marker may make that start look like
    // one of the main application's.
    const bool launcherDockKeepsIt = launcherDock() != nullptr;
    if (!launcherDockKeepsIt) {
        writeLaunchMarker(folder.id);
    }
    const auto helper = buildHelper(folder);
    if (!helper) {
        // The launch marker stays; the next synchronisation tries again. Meanwhile the folder stays in the
        // Dock: the user put it there, and Dock monitoring does not take it out for a helper that failed.
        m_failedToStart.insert(folder.id);
        return;
    }
    if (launcherDockKeepsIt) {
        putInLauncherDock(folder, *helper);
        return;
    }
    launchHelper(*helper, folder.id);
}

void HelperManager::removeHelper(const QUuid& folderId, bool preserve) {
    if (!preserve) {
        m_failedToStart.remove(folderId); // gone for good: nothing to retry
    }
    const auto helper = findHelper(folderId);
    if (!helper) {
        return;
    }
    if (preserve) {
        (void)writeFileAtomically(stateFilePath(folderId, QStringLiteral(".preserve")), QByteArray());
    } else {
        removeMarker(folderId, QStringLiteral(".preserve"));
    }
    quitRunningApplications(*helper);
    removeTree(*helper);
}

void HelperManager::syncHelpers(const QList<AppFolder>& folders) {
    QSet<QString> inDock;
    for (const AppFolder& folder : folders) {
        if (folder.isInDock) {
            inDock.insert(uuidText(folder.id));
        }
    }
    // One look at the helpers directory and one at the running processes serve the whole pass: each folder's
    // own steps change only its own helper, chosen as findHelper() chooses it.
    QStringList links;
    const QStringList bundles = listedHelperBundles(&links);
    for (const QString& link : links) {
        removeTree(link); // the link itself, never what it leads to
    }
    QHash<QString, QStringList> keptBundlesOf;
    for (const QString& bundle : bundles) {
        const auto owner = helperGroupUUID(bundle);
        if (owner && inDock.contains(*owner)) {
            keptBundlesOf[*owner].append(bundle);
            continue;
        }
        quitRunningApplications(bundle);
        removeTree(bundle);
    }
    removeLaunchersOtherThan(inDock);
    const QHash<QString, QString> helperOf = helperOfEachFolder(std::move(keptBundlesOf));
    const QSet<QString> running = runningBundlePaths();
    const bool launcherDockKeepsThem = launcherDock() != nullptr;
    const QSet<QString> keptLaunchers = launcherDockKeepsThem ? keptLauncherEntries() : QSet<QString>();
    for (const AppFolder& folder : folders) {
        if (!folder.isInDock) {
            continue;
        }
        const auto found = helperOf.constFind(uuidText(folder.id));
        if (found == helperOf.constEnd()) {
            noteLaunch(folder.id);
            installHelper(folder);
            continue;
        }
        const QString& helper = *found;
        const bool stale = isHelperStale(helper, m_env.mainBundle.bundlePath());
        rebuildHelperIfStale(folder, helper);
        const QString current = stale ? findHelper(folder.id).value_or(helper) : helper;
        if (launcherDockKeepsThem) {
            // The dock starts the helper when the user clicks its launcher, and the helper quits once idle.
            putInLauncherDock(folder, current, &keptLaunchers);
            continue;
        }
        if (running.contains(canonicalPath(current))) {
            continue;
        }
        noteLaunch(folder.id);
        launchHelper(current, folder.id);
    }
}

void HelperManager::scheduleHelperOff(const AppFolder& folder, double delaySeconds) {
    m_env.distributedNotifications.post(notification_names::kTSFolderOffBadge, std::nullopt,
                                        PlistDictionary{{notification_names::kKeyId, uuidText(folder.id)}});
    // A second retirement of the same folder replaces the first.
    auto [timer, inserted] = m_offTimers.try_emplace(folder.id, m_env.queue);
    timer->second.start(delaySeconds, [this, folder] {
        m_offTimers.erase(folder.id);
        removeDockTile(folder);
        removeHelper(folder.id, false);
    });
}

void HelperManager::cancelHelperOff(const AppFolder& folder) {
    m_offTimers.erase(folder.id);
    m_env.distributedNotifications.post(notification_names::kTSFolderOffBadge, std::nullopt,
                                        PlistDictionary{{notification_names::kKeyId, uuidText(folder.id)},
                                                        {notification_names::kKeyHide, true}});
}

void HelperManager::updateAllHelperTiles() {
    m_env.distributedNotifications.post(notification_names::kTSTileAppearanceChanged);
    // A launcher dock draws the tile from the launcher's icon file, which only the main application redraws.
    if (m_launcherSupport && m_launcherSupport->folders && !isHelperProcess()) {
        refreshLaunchers(m_launcherSupport->folders());
    }
}

void HelperManager::refreshAllHelperPopups() {
    m_env.distributedNotifications.post(notification_names::kTSPopupSettingsChanged);
}

} // namespace tessly
