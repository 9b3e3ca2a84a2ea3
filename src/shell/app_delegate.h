// The application delegate: how a process of the program decides its role, what each role sets up at launch,
// the reopen event (a click on the process's Dock tile), the notification handlers of both roles, the
// helper's popup panel, and termination. Exactly one exists per process, made by the process's composition
// (TesslyProcess) and kept until the process ends.
//
//     AppDelegate delegate(environment, parts, popupViewFactory, revealMainWindow);
//     delegate.applicationWillFinishLaunching();
//     delegate.applicationDidFinishLaunching();
//     ...                                               // the event loop runs; the platform calls back
//     delegate.applicationWillTerminate();
//
// One implementation file per concern: start-up and role (app_delegate_startup.cpp), reopen and notification
// handlers (app_delegate_handlers.cpp), the popup panel (app_delegate_popup.cpp), Dock monitoring
// (app_delegate_dock.cpp).
//
// Main thread only.
#pragma once

#include "mainwindow/frame/navigation_page.h"
#include "model/app_folder.h"
#include "model/helper_actions.h"
#include "platform/date.h"
#include "platform/distributed_notification_center.h"
#include "platform/file_watcher.h"
#include "platform/gui/application.h"
#include "platform/gui/screens.h"
#include "platform/launcher_dock.h"
#include "platform/main_queue.h"
#include "platform/notification_center.h"
#include "platform/paths.h"
#include "platform/scoped_observer.h"
#include "platform/user_defaults.h"
#include "shell/popup_placement.h"

#include <QHash>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QUuid>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace tessly {

class AppSettings;
class Clock;
class DockTileManager;
class FolderStore;
class HelperManager;
class SoftwareUpdater;

/// What the popup's content view is made from.
struct PopupViewRequest {
    AppFolder folder;
    /// The Dock's edge when the popup sits above the Dock, else the bottom edge.
    DockEdge dockEdge = DockEdge::bottom;
    /// Closes the popup; does nothing once the delegate is gone.
    std::function<void()> onDismiss;
    /// Pins or unpins the popup; does nothing once the delegate or the panel is gone.
    std::function<void(bool)> onTogglePin;
    /// The tallest the panel may be where it opens: the room its screen leaves it.
    std::optional<double> maximumHeight;
};
using PopupViewFactory = std::function<std::unique_ptr<QWidget>(const PopupViewRequest&)>;
/// Shows the main window at a page (the main window's controller); nothing while there is no window.
using MainWindowReveal = std::function<void(NavigationPage)>;

/// The platform services the delegate uses.
struct AppDelegateEnvironment {
    Paths paths;
    UserDefaults& defaults;
    MainQueue& queue;
    const Clock& clock;
    NotificationCenter& notifications;
    DistributedNotificationCenter& distributedNotifications;
    Application& application;
    Screens& screens;
    Pointer& pointer;
    /// The process's command-line arguments after the program path.
    QStringList arguments;
    /// Opens the watchers of Dock monitoring; null: no watchers.
    FileWatcherFactory* fileWatchers = nullptr;
    /// Which dock the session uses; null: the stand-in Dock's path only.
    DockDiscovery* docks = nullptr;
    /// Hands the heap's free pages back to the system once a helper is idle; empty: nothing does.
    std::function<void()> releaseFreeMemory;
};

/// The program's objects of this process that the delegate drives; the updater only in a process that may
/// become the main application (null in tests that leave it out).
struct AppDelegateParts {
    AppSettings& settings;
    FolderStore& store;
    HelperManager& helpers;
    DockTileManager& tile;
    SoftwareUpdater* updater = nullptr;
};

class AppDelegate final : public QObject, public HelperLaunchRecorder {
    Q_OBJECT

public:
    AppDelegate(AppDelegateEnvironment environment, AppDelegateParts parts, PopupViewFactory popupViewFactory,
                MainWindowReveal revealMainWindow, QObject* parent = nullptr);
    ~AppDelegate() override;

    // Application callbacks.
    /// Before any window or menu exists: the platform's own texts follow the user's language.
    void applicationWillFinishLaunching();
    /// The start-up of either role.
    void applicationDidFinishLaunching();
    /// The settings are read again: another process may have changed them.
    void applicationDidBecomeActive();
    /// A click on the running process's Dock tile. Always answers false: the platform's own reopen behaviour
    /// (opening or restoring windows) never runs.
    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    /// Closing the main window never quits.
    [[nodiscard]] static bool applicationShouldTerminateAfterLastWindowClosed() { return false; }
    void applicationWillTerminate();

    void openMainWindow();

    // Notification handlers.
    void updateMainAppPresentationMode();
    void updateDockTile();
    void refreshPopupSettings();
    void refreshTheme();
    void handleClosePopupsNotification(const DistributedNotification& notification);
    void handleDockTilePinStateChanged(const DistributedNotification& notification);
    void offBadge(const DistributedNotification& notification);
    void deleteBadge(const DistributedNotification& notification);

    // The popup panel.
    /// Opens the popup for the folder, or closes it when it is open.
    void showPopup(const AppFolder& folder);
    void closePopup();
    void updatePopupFrame();
    void setPopupPinned(bool pinned);
    void handleOutsideClick();
    [[nodiscard]] DockEdge detectDockEdge(const ScreenGeometry& screen);
    [[nodiscard]] QPointF popupOrigin(double width, double height);

    /// HelperLaunchRecorder: the main application (re)launched a folder's helper at `when`.
    void noteHelperLaunch(const QUuid& folderId, Date when) override;

    // Dock monitoring (main application only): the folders marked in the Dock follow the Dock.
    /// Once, at the main application's start: the grace period, a first reconciliation, the watchers of the
    /// helper state directory and of the Dock's preferences file, and the reconciliation after the grace.
    void startDockStateMonitoring();
    /// Records each in-Dock folder's pin state and, when `afterGrace`, takes out of the Dock every folder
    /// whose helper is neither pinned nor running nor launched just now.
    void reconcileDockState(bool afterGrace);
    /// Clears the folder's `isInDock` and removes its helper.
    void markFolderRemovedFromDock(const QUuid& folderId);
    /// In a launcher dock: takes out of the Dock every folder whose launcher the dock kept and keeps no more.
    void reconcileLaunchers();
    /// A dock appeared or went away: the folders are put in the new one, and it is followed from now on.
    void dockChanged();
    /// Whether the stand-in Dock's rules judge the folders now: its own Dock runs, or no dock of launchers
    /// was ever seen this session. After a launcher dock went away nothing judges them until a dock is back.
    [[nodiscard]] bool followsStandInDock() const;

    // State, for the views and the tests.
    [[nodiscard]] const std::map<QUuid, bool>& dockPinnedStateByFolderID() const {
        return m_dockPinnedStateByFolderID;
    }
    [[nodiscard]] const std::optional<QUuid>& pendingInitialHelperPopupFolderID() const {
        return m_pendingInitialHelperPopupFolderID;
    }
    [[nodiscard]] bool shouldIgnoreNextHelperReopen() const { return m_shouldIgnoreNextHelperReopen; }
    [[nodiscard]] bool hasHandledInitialReopen() const { return m_hasHandledInitialReopen; }
    [[nodiscard]] const QHash<QUuid, Date>& recentHelperLaunchDates() const {
        return m_recentHelperLaunchDates;
    }
    [[nodiscard]] Date dockStateStartupGraceUntil() const { return m_dockStateStartupGraceUntil; }
    [[nodiscard]] bool hasPendingHelperTerminationCheck(const QUuid& folderId) const {
        const auto found = m_pendingHelperTerminationChecks.find(folderId);
        return found != m_pendingHelperTerminationChecks.end() && found->second.isPending();
    }
    /// The descriptors the two watchers hold open; -1 while a watcher is absent.
    [[nodiscard]] int dockStateWatcherFileDescriptor() const {
        return m_dockStateWatcher ? m_dockStateWatcher->descriptor() : -1;
    }
    [[nodiscard]] int dockPreferencesWatcherFileDescriptor() const {
        return m_dockPreferencesWatcher ? m_dockPreferencesWatcher->descriptor() : -1;
    }
    [[nodiscard]] bool didApplyInitialMainAppPresentation() const {
        return m_didApplyInitialMainAppPresentation;
    }
    [[nodiscard]] double cachedDockHeight() const { return m_dockMemory.cachedDockHeight; }
    [[nodiscard]] DockEdge lastDockEdge() const { return m_dockMemory.lastDockEdge; }
    [[nodiscard]] QPointF absoluteArrowLocation() const { return m_absoluteArrowLocation; }
    [[nodiscard]] Panel* popupPanel() const { return m_popupPanel.get(); }
    [[nodiscard]] bool isPopupPinned() const { return m_isPopupPinned; }
    [[nodiscard]] bool hasOutsideClickMonitor() const { return m_outsideClickMonitor.has_value(); }
    [[nodiscard]] Date lastPopupCloseTime() const { return m_lastPopupCloseTime; }
    [[nodiscard]] bool hasPendingIdleQuit() const { return m_idleQuit.isPending(); }

private:
    /// The folder this process is the helper of: its identifier parses and the folder is in the store.
    [[nodiscard]] std::optional<AppFolder> helperFolder();
    void helperStartup(const AppFolder& folder);
    /// Seconds since the marker's time when the main application launched this helper; nothing otherwise.
    /// The marker is deleted in every case.
    [[nodiscard]] std::optional<double> consumeLaunchMarker(const AppFolder& folder);
    void applyPresentationMode();
    void registerObservers(bool mainApplication);
    /// The notification handlers' work, done once after the current event however many notifications ask for
    /// it: any process of the session can post them by the thousand, and each redraws or reloads files.
    void scheduleDockTileUpdate();
    void schedulePopupSettingsRefresh();
    void scheduleThemeRefresh();
    void installOutsideClickMonitor();
    void removeOutsideClickMonitor();
    /// The Dock's values placement needs, read from its preferences (a file read each time).
    [[nodiscard]] DockValues dockValues() const;
    [[nodiscard]] PopupPlacementInput placementInput(const QSizeF& size, const DockValues& dock) const;
    /// updatePopupFrame() with the screens and the Dock's values read already; the size is the panel's.
    void updatePopupFrame(PopupPlacementInput where);
    void publishArrowOffset(std::optional<double> offset);
    [[nodiscard]] WindowAppearance popupAppearance() const;
    void startDockStateWatcher();
    void startDockPreferencesWatcher();
    void dockStateDirectoryChanged();
    void dockPreferencesFileChanged();
    void scheduleHelperTerminationCheck(const QUuid& folderId);
    void cancelHelperTerminationCheck(const QUuid& folderId);
    void runHelperTerminationCheck(QUuid folderId);
    /// Teardown: the watchers closed, every pending check and the post-grace reconciliation cancelled.
    void stopDockStateMonitoring();
    /// Follows the current launcher dock's list, if there is one.
    void followLauncherDock();
    /// Puts the folders in the launcher dock once it answers, asking again a while later when it does not
    /// yet.
    void syncLauncherDockWhenReady(int attemptsLeft);
    /// A helper in a launcher dock is not needed while its popup is closed: it quits a while later.
    void scheduleIdleQuitIfUnneeded();
    /// A while after a helper's start or its popup's close: what only a shown popup needs goes.
    void scheduleIdleMemoryRelease();
    void releaseIdleMemory();
    /// Moves the open popup after its launcher when the dock has moved it since the popup opened.
    void followLauncher(const AppFolder& folder);
    /// Where the popup's arrow points in a launcher dock that can say where the folder's launcher is.
    [[nodiscard]] std::optional<LauncherPosition> ownLauncherPosition(const AppFolder& folder) const;

    AppDelegateEnvironment m_env;
    AppDelegateParts m_parts;
    PopupViewFactory m_popupViewFactory;
    MainWindowReveal m_revealMainWindow;

    // The fields of the delegate, in the order the program's design lists them.
    std::map<QUuid, bool> m_dockPinnedStateByFolderID;
    std::map<QUuid, DelayedWork> m_pendingHelperTerminationChecks;
    std::optional<QUuid> m_pendingInitialHelperPopupFolderID;
    bool m_shouldIgnoreNextHelperReopen = false;
    bool m_hasHandledInitialReopen = false;
    QHash<QUuid, Date> m_recentHelperLaunchDates;
    // Each holds its descriptor (`dockStateWatcherFileDescriptor`, `dockPreferencesWatcherFileDescriptor`)
    // and re-arms itself after a delete or rename of its item.
    std::unique_ptr<FileWatcher> m_dockStateWatcher;
    std::unique_ptr<FileWatcher> m_dockPreferencesWatcher;
    Date m_dockStateStartupGraceUntil = Date::distantPast();
    bool m_didApplyInitialMainAppPresentation = false;
    /// `cachedDockHeight` and `lastDockEdge`.
    DockMemory m_dockMemory;
    QPointF m_absoluteArrowLocation;
    std::unique_ptr<Panel> m_popupPanel;
    bool m_isPopupPinned = false;
    std::optional<MouseMonitorToken> m_outsideClickMonitor;
    /// A press outside the popup closed it and no press has followed: the next reopen is that press's
    /// release.
    bool m_closingPressIsHeld = false;
    Date m_lastPopupCloseTime = Date::distantPast();

    /// The content view this delegate put in the panel; the frame is only managed while it is still there.
    QPointer<QWidget> m_popupView;
    /// The reconciliation 6.1 s after monitoring started, the first that may take a folder out of the Dock.
    DelayedWork m_postGraceReconcile{m_env.queue};
    /// The pending `updateDockTile`, `refreshPopupSettings` and `refreshTheme` of the notifications that
    /// arrived during the current event; cancelled when the process ends.
    DelayedWork m_pendingDockTileUpdate{m_env.queue};
    DelayedWork m_pendingPopupSettingsRefresh{m_env.queue};
    DelayedWork m_pendingThemeRefresh{m_env.queue};

    /// The folders whose launcher the current launcher dock was seen to keep; only those can be taken out by
    /// the dock's dropping them. Cleared when the dock changes.
    QSet<QUuid> m_launchersSeenKept;
    /// A launcher dock was in use at some time in this session.
    bool m_sawLauncherDock = false;
    /// One reconciliation for the dock's burst of change reports.
    DelayedWork m_pendingLauncherReconcile{m_env.queue};
    /// The next look at a launcher dock that did not answer yet.
    DelayedWork m_launcherDockReadyCheck{m_env.queue};
    /// The second look at where the launcher is, once the dock's animation of a start is over.
    DelayedWork m_launcherSettleCheck{m_env.queue};
    /// The helper's quit after its popup closed in a launcher dock.
    DelayedWork m_idleQuit{m_env.queue};
    DelayedWork m_idleMemoryRelease{m_env.queue};
    /// The popup's arrow points at the launcher's side facing away from the dock, not at the pointer.
    std::optional<DockEdge> m_anchoredDockEdge;

    // Last, so that they end first.
    std::vector<ScopedObserver<NotificationCenter>> m_localObservers;
    std::vector<ScopedObserver<DistributedNotificationCenter>> m_distributedObservers;
};

} // namespace tessly
