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

} // namespace

void AppDelegate::startDockStateMonitoring() {
    m_dockStateStartupGraceUntil = m_env.clock.now().addingTimeInterval(kStartupGraceSeconds);
    reconcileDockState(false);
    startDockStateWatcher();
    startDockPreferencesWatcher();
    m_postGraceReconcile.start(kPostGraceReconcileSeconds, [this] { reconcileDockState(true); });
}

void AppDelegate::stopDockStateMonitoring() {
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

void AppDelegate::reconcileDockState(bool afterGrace) {
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
    if (!folder || !folder->isInDock) {
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
