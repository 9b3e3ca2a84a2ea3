// Dock monitoring in the main application: the folders marked in the Dock follow what the user does in the
// Dock. Two watchers (the helper state directory, where the plug-ins write their pin files, and the Dock's
// preferences file) and the plug-in's "TSDockTilePinStateChanged" report lead to reconciliations; a folder
// whose helper is neither pinned nor running is taken out of the Dock. Three guards keep transient states
// from doing that: the start-up grace, the recently-launched window of a helper, and the re-check after an
// unpin report.
#include "shell/app_delegate.h"

#include "helpers/helper_manager.h"
#include "model/folder_store.h"
#include "model/notification_names.h"
#include "model/uuid_text.h"
#include "platform/clock.h"

#include <algorithm>

namespace tessly {

namespace {

// 6.0 s: at start-up the Dock and the helpers the main application just launched have not settled; the pin
// states seen meanwhile are recorded, but no folder leaves the Dock.
constexpr double kStartupGraceSeconds = 6.0;
// 6.1 s: the first reconciliation that may take folders out, just after the grace has ended.
constexpr double kPostGraceReconcileSeconds = 6.1;
// 2.5 s: a helper launched this recently is not running yet nor held by the Dock; it is not judged.
constexpr double kRecentLaunchSeconds = 2.5;
// 0.05 s: the plug-ins' pin files and the launch markers land as several events (a temporary file, a rename).
constexpr double kStateDirectorySettleSeconds = 0.05;
// 0.03 s: the Dock replaces its preferences file as a copy renamed over the original.
constexpr double kDockPreferencesSettleSeconds = 0.03;
// 0.08 s: the plug-in reports "not pinned" briefly while the Dock rearranges tiles.
constexpr double kUnpinRecheckSeconds = 0.08;
// 0.05 s: a launcher dock reports one change of its list several times over (Plank once per item it
// rearranges); one look at the list follows the burst.
constexpr double kLauncherChangeSettleSeconds = 0.05;
// A dock that has just taken its bus name may not answer yet (Plank makes its items object a moment later):
// it is asked again every 0.25 s, for 10 s at most, before the folders are put in it.
constexpr double kLauncherDockReadyRetrySeconds = 0.25;
constexpr int kLauncherDockReadyAttempts = 40;

} // namespace

void AppDelegate::startDockStateMonitoring() {
    m_dockStateStartupGraceUntil = m_env.clock.now().addingTimeInterval(kStartupGraceSeconds);
    if (m_env.docks) {
        m_env.docks->setChangeHandler([this] { dockChanged(); });
        followLauncherDock();
        LauncherDock* dock = m_env.docks->launcherDock();
        if (dock && !dock->keptLaunchers()) {
            // The start-up's synchronisation found the dock not answering yet: the folders go in once it
            // does.
            syncLauncherDockWhenReady(kLauncherDockReadyAttempts);
        }
    }
    reconcileDockState(false);
    startDockStateWatcher();
    startDockPreferencesWatcher();
    m_postGraceReconcile.start(kPostGraceReconcileSeconds, [this] { reconcileDockState(true); });
}

void AppDelegate::stopDockStateMonitoring() {
    if (m_env.docks) {
        m_env.docks->setChangeHandler({});
        if (LauncherDock* dock = m_env.docks->launcherDock()) {
            dock->setChangeHandler({});
        }
    }
    m_pendingLauncherReconcile.stop();
    m_launcherDockReadyCheck.stop();
    m_postGraceReconcile.stop();
    m_pendingHelperTerminationChecks.clear(); // each DelayedWork cancels its check
    m_dockStateWatcher.reset();
    m_dockPreferencesWatcher.reset();
}

void AppDelegate::startDockStateWatcher() {
    if (m_dockStateWatcher || !m_env.fileWatchers) {
        return;
    }
    // Watching the directory rather than the files in it is what notices pin files created, replaced or
    // removed. It is created when missing, at every (re)start.
    m_dockStateWatcher = FileWatcher::start(
        *m_env.fileWatchers, m_env.queue,
        {m_parts.helpers.helperStateDir(), kStateDirectorySettleSeconds, FileWatcher::Kind::directory},
        [this](FileEvents) { dockStateDirectoryChanged(); });
}

void AppDelegate::startDockPreferencesWatcher() {
    if (m_dockPreferencesWatcher || !m_env.fileWatchers) {
        return;
    }
    m_dockPreferencesWatcher = FileWatcher::start(
        *m_env.fileWatchers, m_env.queue,
        {m_parts.helpers.dockPreferencesURL(), kDockPreferencesSettleSeconds, FileWatcher::Kind::file},
        [this](FileEvents) { dockPreferencesFileChanged(); });
}

void AppDelegate::dockStateDirectoryChanged() {
    // After a delete or rename the watcher opens its path again by itself.
    reconcileDockState(m_env.clock.now() >= m_dockStateStartupGraceUntil);
}

void AppDelegate::dockPreferencesFileChanged() {
    reconcileDockState(m_env.clock.now() >= m_dockStateStartupGraceUntil);
    // The popup sits above the Dock: its thickness follows the tile size the Dock now has.
    seedCachedDockHeight(m_dockMemory, m_parts.helpers.dockTileSize());
}

void AppDelegate::followLauncherDock() {
    LauncherDock* dock = m_env.docks ? m_env.docks->launcherDock() : nullptr;
    if (!dock) {
        return;
    }
    m_sawLauncherDock = true;
    dock->setChangeHandler([this] {
        m_pendingLauncherReconcile.startUnlessPending(kLauncherChangeSettleSeconds,
                                                      [this] { reconcileLaunchers(); });
    });
}

void AppDelegate::dockChanged() {
    m_launchersSeenKept.clear();
    m_pendingLauncherReconcile.stop();
    m_launcherDockReadyCheck.stop();
    followLauncherDock();
    m_env.notifications.post(notification_names::kDockChanged);
    // With no dock at all nothing is put anywhere; the folders wait, in the Dock, for one to come back.
    if (!m_env.docks || !m_env.docks->currentDock()) {
        return;
    }
    if (m_env.docks->launcherDock()) {
        syncLauncherDockWhenReady(kLauncherDockReadyAttempts);
        return;
    }
    m_parts.store.syncHelpers();
    reconcileDockState(m_env.clock.now() >= m_dockStateStartupGraceUntil);
}

void AppDelegate::syncLauncherDockWhenReady(int attemptsLeft) {
    LauncherDock* dock = m_env.docks ? m_env.docks->launcherDock() : nullptr;
    if (!dock) {
        return;
    }
    if (!dock->keptLaunchers()) {
        if (attemptsLeft > 1) {
            m_launcherDockReadyCheck.start(kLauncherDockReadyRetrySeconds, [this, attemptsLeft] {
                syncLauncherDockWhenReady(attemptsLeft - 1);
            });
        }
        return;
    }
    m_parts.store.syncHelpers();
    reconcileLaunchers();
}

bool AppDelegate::followsStandInDock() const {
    if (!m_env.docks) {
        return true;
    }
    const std::optional<DockKind> dock = m_env.docks->currentDock();
    return dock ? *dock == DockKind::standIn : !m_sawLauncherDock;
}

void AppDelegate::reconcileLaunchers() {
    LauncherDock* dock = m_env.docks ? m_env.docks->launcherDock() : nullptr;
    const std::optional<QStringList> kept = dock ? dock->keptLaunchers() : std::nullopt;
    if (!kept) {
        return; // the dock cannot say now: nothing is judged on silence
    }
    QSet<QString> keptEntries;
    for (const QString& entry : *kept) {
        keptEntries.insert(canonicalPath(entry));
    }
    // A copy: taking a folder out of the Dock saves the store while the list is walked.
    const QList<AppFolder> folders = m_parts.store.folders();
    for (const AppFolder& folder : folders) {
        if (!folder.isInDock) {
            continue;
        }
        const std::optional<QString> entry = m_parts.helpers.launcherEntryPath(folder.id);
        if (!entry) {
            continue;
        }
        if (keptEntries.contains(canonicalPath(*entry))) {
            m_launchersSeenKept.insert(folder.id);
            m_dockPinnedStateByFolderID[folder.id] = true;
            continue;
        }
        // Only a launcher the dock was seen keeping is gone because of the user: one not added yet, or one
        // the dock refused, leaves the folder where the folder file has it.
        if (m_launchersSeenKept.remove(folder.id)) {
            markFolderRemovedFromDock(folder.id);
        }
    }
}

void AppDelegate::reconcileDockState(bool afterGrace) {
    if (m_env.docks && m_env.docks->launcherDock()) {
        reconcileLaunchers();
        return;
    }
    if (!followsStandInDock()) {
        return;
    }
    const Date now = m_env.clock.now();
    // A copy: taking a folder out of the Dock saves the store while the list is walked.
    const QList<AppFolder> folders = m_parts.store.folders();
    QList<QUuid> inDock;
    for (const AppFolder& folder : folders) {
        if (folder.isInDock) {
            inDock.append(folder.id);
        }
    }
    const QHash<QUuid, HelperDockState> states = m_parts.helpers.helperDockStates(inDock);
    for (const AppFolder& folder : folders) {
        if (!folder.isInDock) {
            continue;
        }
        const HelperDockState state = states.value(folder.id);
        const bool pinned = state.pinned;
        m_dockPinnedStateByFolderID[folder.id] = pinned;
        if (pinned) {
            cancelHelperTerminationCheck(folder.id);
            continue;
        }
        if (!afterGrace) {
            continue;
        }
        const auto launched = m_recentHelperLaunchDates.constFind(folder.id);
        const bool recent = launched != m_recentHelperLaunchDates.constEnd() &&
                            now.timeIntervalSince(*launched) < kRecentLaunchSeconds;
        if (recent) {
            continue;
        }
        // A helper that runs keeps its folder in the Dock even when it is not pinned: the user turned off
        // "Keep in Dock" while it runs, and its tile stays until it quits. One that Tessly failed to build or
        // start is not missing because of the user: its folder stays, and the next synchronisation retries.
        if (!state.running && !state.failedToStart) {
            markFolderRemovedFromDock(folder.id);
        }
    }
    std::erase_if(m_dockPinnedStateByFolderID, [this](const auto& entry) {
        const std::optional<AppFolder> folder = m_parts.store.folder(entry.first);
        return !folder || !folder->isInDock;
    });
}

void AppDelegate::markFolderRemovedFromDock(const QUuid& folderId) {
    const QUuid id = folderId; // the caller's reference may live in a map changed below
    cancelHelperTerminationCheck(id);
    // A later return to the Dock starts a fresh recently-launched window.
    m_recentHelperLaunchDates.remove(id);
    m_parts.store.setInDock(id, false);
    m_parts.store.syncHelpers();
    m_dockPinnedStateByFolderID[id] = false;
}

void AppDelegate::handleDockTilePinStateChanged(const DistributedNotification& notification) {
    if (m_parts.helpers.isHelperProcess()) {
        return;
    }
    const PlistValue* folderText = notification.userInfo.find(notification_names::kKeyFolderID);
    const PlistValue* isPinnedValue = notification.userInfo.find(notification_names::kKeyIsPinned);
    const std::optional<QUuid> id =
        folderText && folderText->asString() ? parseUuid(*folderText->asString()) : std::nullopt;
    if (!id || !isPinnedValue || !isPinnedValue->asBoolean()) {
        return;
    }
    // Only the folders there are: any process of the session may report identifiers by the hundred thousand,
    // and each would stay in the map until the next reconciliation.
    const QList<AppFolder>& folders = m_parts.store.folders();
    if (std::none_of(folders.begin(), folders.end(),
                     [&](const AppFolder& folder) { return folder.id == *id; })) {
        return;
    }
    const bool isPinned = *isPinnedValue->asBoolean();
    const auto recorded = m_dockPinnedStateByFolderID.find(*id);
    if (!isPinned && recorded != m_dockPinnedStateByFolderID.end() && recorded->second) {
        // Possibly the Dock rearranging its tiles: the record stands until the re-check.
        scheduleHelperTerminationCheck(*id);
        return;
    }
    m_dockPinnedStateByFolderID[*id] = isPinned;
    if (isPinned) {
        cancelHelperTerminationCheck(*id);
    }
}

void AppDelegate::scheduleHelperTerminationCheck(const QUuid& folderId) {
    auto [entry, inserted] = m_pendingHelperTerminationChecks.try_emplace(folderId, m_env.queue);
    entry->second.start(kUnpinRecheckSeconds, [this, id = folderId] { runHelperTerminationCheck(id); });
}

void AppDelegate::cancelHelperTerminationCheck(const QUuid& folderId) {
    m_pendingHelperTerminationChecks.erase(folderId); // the DelayedWork cancels its run
}

void AppDelegate::runHelperTerminationCheck(QUuid folderId) {
    // By value: the entry erased here owns the closure that called us.
    m_pendingHelperTerminationChecks.erase(folderId);
    const std::optional<AppFolder> folder = m_parts.store.folder(folderId);
    if (!folder || !folder->isInDock || !followsStandInDock()) {
        return;
    }
    if (m_parts.helpers.isFolderPinned(folderId)) {
        m_dockPinnedStateByFolderID[folderId] = true;
        return;
    }
    // Within the start-up grace no folder leaves the Dock, whatever reported it: the reconciliation after the
    // grace judges this one with the running and recently-launched guards.
    if (m_env.clock.now() < m_dockStateStartupGraceUntil) {
        return;
    }
    markFolderRemovedFromDock(folderId);
}

} // namespace tessly
