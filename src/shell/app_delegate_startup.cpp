// Start-up and role: language set-up, the start-up of either role, the helper's launch-time decisions, the
// main application's presentation mode, termination and teardown.
#include "shell/app_delegate.h"

#include "helpers/helper_manager.h"
#include "model/folder_store.h"
#include "model/notification_names.h"
#include "model/uuid_text.h"
#include "platform/bounded_file.h"
#include "platform/clock.h"
#include "platform/gui/system_style.h"
#include "platform/software_updater.h"
#include "settings/app_settings.h"
#include "shell/launch_marker.h"
#include "tile/dock_tile_manager.h"

namespace tessly {

namespace {

// A launch marker younger than this was written by the main application for this very start.
constexpr double kLaunchMarkerFreshSeconds = 60.0;
constexpr double kBadgeSeconds = 2.0;

} // namespace

AppDelegate::AppDelegate(AppDelegateEnvironment environment, AppDelegateParts parts,
                         PopupViewFactory popupViewFactory, MainWindowReveal revealMainWindow,
                         QObject* parent)
    : QObject(parent), m_env(std::move(environment)), m_parts(parts),
      m_popupViewFactory(std::move(popupViewFactory)), m_revealMainWindow(std::move(revealMainWindow)) {}

AppDelegate::~AppDelegate() {
    // Dock monitoring ends first: no check or reconciliation may run against a delegate being torn down.
    stopDockStateMonitoring();
    if (m_env.docks) {
        m_env.docks->setChangeHandler({});
    }
    removeOutsideClickMonitor();
    m_parts.tile.setBundleIconWrittenHandler({});
    m_localObservers.clear();
    m_distributedObservers.clear();
}

void AppDelegate::applicationWillFinishLaunching() {
    AppSettings::applyLanguageDefaults(m_env.defaults);
}

void AppDelegate::applicationDidFinishLaunching() {
    const bool helperProcess = m_parts.helpers.isHelperProcess();
    if (!helperProcess && m_parts.updater) {
        m_parts.updater->start();
    }
    m_parts.settings.reloadFromDefaults();
    m_parts.store.load();
    seedCachedDockHeight(m_dockMemory, m_parts.helpers.dockTileSize());

    if (const std::optional<AppFolder> folder = helperFolder()) {
        helperStartup(*folder);
        registerObservers(false);
        return;
    }
    // The main application, or a helper whose folder is gone: it keeps the helpers in step and watches the
    // Dock, but has no updater of its own.
    // Not after a folder file that could not be read: the store keeps the helpers as they are then.
    m_parts.store.syncHelpers();
    startDockStateMonitoring();
    applyPresentationMode();
    registerObservers(true);
}

void AppDelegate::applicationDidBecomeActive() {
    m_parts.settings.reloadFromDefaults();
}

void AppDelegate::applicationWillTerminate() {
    if (const std::optional<QString> identifier = m_parts.helpers.helperGroupIdentifier()) {
        if (const std::optional<QUuid> id = parseUuid(*identifier)) {
            (void)m_parts.helpers.consumePreserveMarker(*id);
        }
    }
}

void AppDelegate::openMainWindow() {
    if (m_revealMainWindow) {
        m_revealMainWindow(NavigationPage::allFolders);
    }
}

std::optional<AppFolder> AppDelegate::helperFolder() {
    const std::optional<QString> identifier = m_parts.helpers.helperGroupIdentifier();
    const std::optional<QUuid> id = identifier ? parseUuid(*identifier) : std::nullopt;
    if (!id) {
        return std::nullopt;
    }
    return m_parts.store.folder(*id);
}

void AppDelegate::helperStartup(const AppFolder& folder) {
    m_env.application.setActivationPolicy(ActivationPolicy::regular);
    if (const QList<Window*> windows = m_env.application.windows(); !windows.isEmpty()) {
        windows.first()->orderOut();
    }
    m_hasHandledInitialReopen = false;
    m_shouldIgnoreNextHelperReopen = false;
    m_lastPopupCloseTime = Date::distantPast();
    // A launcher dock draws the launcher's own icon file: a tile published from here would be drawn for
    // nobody, before the popup the user is waiting for.
    const bool inLauncherDock = m_env.docks && m_env.docks->launcherDock();
    if (!inLauncherDock) {
        m_parts.tile.updateTile(folder);
    }

    const std::optional<double> elapsed = consumeLaunchMarker(folder);
    // A time in the future counts as fresh too: the clock may have been set back since.
    const bool launchedByMainApplication = elapsed && *elapsed <= kLaunchMarkerFreshSeconds;
    if (launchedByMainApplication) {
        m_parts.tile.showBadge(QStringLiteral("ON"), systemColor(SystemColor::green), kBadgeSeconds);
    }
    // Drawing the bundle icon is the start's largest allocation, and a redrawn tile's after it: whatever it
    // freed goes back once the helper is idle again.
    m_parts.tile.setBundleIconWrittenHandler([this] { scheduleIdleMemoryRelease(); });
    scheduleIdleMemoryRelease();
    if (m_env.docks) {
        // A dock of launchers appearing while the popup is closed makes this helper unneeded.
        m_env.docks->setChangeHandler([this] { scheduleIdleQuitIfUnneeded(); });
    }
    if (launchedByMainApplication || m_env.arguments.contains(QStringLiteral("-group"))) {
        // Started by the main application: the helper comes up silently, and in a launcher dock, where the
        // dock starts helpers itself, goes again.
        scheduleIdleQuitIfUnneeded();
        return;
    }
    // Started by a click on its Dock tile: the popup opens at once, and the reopen that belongs to this very
    // click is swallowed.
    m_pendingInitialHelperPopupFolderID = folder.id;
    showPopup(folder);
    m_shouldIgnoreNextHelperReopen = true;
}

std::optional<double> AppDelegate::consumeLaunchMarker(const AppFolder& folder) {
    const QString path = m_env.paths.helperStateDirectory() + QLatin1Char('/') + uuidText(folder.id) +
                         QStringLiteral(".launch");
    const BoundedFileRead marker = readBoundedFile(path, kStateFileLimit);
    std::optional<double> elapsed;
    if (marker.status == BoundedFileRead::Status::Read) {
        if (const std::optional<double> launched = parseLaunchMarker(marker.bytes)) {
            elapsed = m_env.clock.now().timeIntervalSince1970() - *launched;
        }
    }
    m_parts.helpers.removeFile(path);
    return elapsed;
}

void AppDelegate::applyPresentationMode() {
    m_didApplyInitialMainAppPresentation = true;
    m_env.application.setActivationPolicy(m_parts.settings.showMenuBar() ? ActivationPolicy::accessory
                                                                         : ActivationPolicy::regular);
}

void AppDelegate::updateMainAppPresentationMode() {
    if (m_parts.helpers.isHelperProcess()) {
        return;
    }
    Window* key = m_env.application.keyWindow();
    applyPresentationMode();
    // Switching the policy must never hide the window the user is working in.
    if (key && key->isVisible()) {
        key->orderFrontRegardless();
    }
}

void AppDelegate::registerObservers(bool mainApplication) {
    namespace names = notification_names;
    if (mainApplication) {
        m_localObservers.emplace_back(
            m_env.notifications,
            m_env.notifications.addObserver(names::kShowMenuBarChanged, [this](const Notification&) {
                updateMainAppPresentationMode();
            }));
        m_localObservers.emplace_back(
            m_env.notifications,
            m_env.notifications.addObserver(names::kTileAppearanceChanged,
                                            [this](const Notification&) { scheduleDockTileUpdate(); }));
    }
    auto observe = [this](const QString& name, std::function<void(const DistributedNotification&)> handler) {
        m_distributedObservers.emplace_back(
            m_env.distributedNotifications,
            m_env.distributedNotifications.addObserver(name, std::move(handler)));
    };
    observe(names::kTSTileAppearanceChanged,
            [this](const DistributedNotification&) { scheduleDockTileUpdate(); });
    observe(names::kTSPopupSettingsChanged,
            [this](const DistributedNotification&) { schedulePopupSettingsRefresh(); });
    observe(names::kTSThemeChanged, [this](const DistributedNotification&) { scheduleThemeRefresh(); });
    observe(names::kTSCloseNonPinnedPopups,
            [this](const DistributedNotification& n) { handleClosePopupsNotification(n); });
    observe(names::kTSDockTilePinStateChanged,
            [this](const DistributedNotification& n) { handleDockTilePinStateChanged(n); });
    observe(names::kTSFolderOffBadge, [this](const DistributedNotification& n) { offBadge(n); });
    observe(names::kTSFolderDeleteBadge, [this](const DistributedNotification& n) { deleteBadge(n); });
}

void AppDelegate::noteHelperLaunch(const QUuid& folderId, Date when) {
    m_recentHelperLaunchDates.insert(folderId, when);
}

} // namespace tessly
