// The composition root: picks the Linux adapters, builds the process of the program on them and runs it.
#include "base/shared_names.h"
#include "discovery/app_discovery.h"
#include "helpers/launcher_entries.h"
#include "mainwindow/frame/main_window_controller.h"
#include "mainwindow/main_window_maker.h"
#include "model/uuid_text.h"
#include "platform/instance_lock.h"
#include "platform/linux/application_linux.h"
#include "platform/linux/child_process_linux.h"
#include "platform/linux/compositor_linux.h"
#include "platform/linux/dbus_notification_center_linux.h"
#include "platform/linux/desktop_applications_linux.h"
#include "platform/linux/dock_discovery_linux.h"
#include "platform/linux/dock_tile_linux.h"
#include "platform/linux/extended_attributes_linux.h"
#include "platform/linux/file_watcher_linux.h"
#include "platform/linux/login_item_service_linux.h"
#include "platform/linux/main_bundle_linux.h"
#include "platform/linux/plist_file_user_defaults_linux.h"
#include "platform/linux/pointer_linux.h"
#include "platform/linux/preferences_domain_linux.h"
#include "platform/linux/quit_signals_linux.h"
#include "platform/linux/screens_linux.h"
#include "platform/linux/software_updater_linux.h"
#include "platform/linux/symbol_images_linux.h"
#include "platform/linux/system_linux.h"
#include "platform/linux/workspace_icons_linux.h"
#include "platform/linux/workspace_linux.h"
#include "platform/notification_center.h"
#include "settings/localization.h"
#include "shell/menu_bar_menu.h"
#include "shell/popup_view_maker.h"
#include "shell/tessly_process.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>

namespace tessly {
namespace {

/// The folder of a helper bundle; the main application's bundle carries none.
std::optional<QUuid> helperFolderOf(const MainBundle& bundle) {
    const std::optional<QString> group = bundle.infoString(QLatin1String(kGroupIdentifierInfoKey));
    return group ? parseUuid(*group) : std::nullopt;
}

/// Whether another process than this one runs from the bundle.
bool anotherInstanceRuns(const Workspace& workspace, const QString& bundlePath) {
    const QString bundle = QFileInfo(bundlePath).canonicalFilePath();
    const qint64 self = QCoreApplication::applicationPid();
    for (const RunningApplication& application : workspace.runningApplications()) {
        if (application.bundlePath == bundle && application.processIdentifier != self) {
            return true;
        }
    }
    return false;
}

/// Asks the instance of the bundle that already runs to reopen (the main application shows its window, a
/// helper its popup), and waits until the request is out.
void handOverToRunningInstance(Workspace& workspace, const QString& bundlePath) {
    QEventLoop loop;
    OpenConfiguration configuration;
    configuration.activates = true;
    workspace.openApplication(bundlePath, configuration,
                              [&loop](const std::optional<QString>&) { loop.quit(); });
    loop.exec();
}

/// The locks of this start: one main application per user (two would both synchronise the helpers, watch the
/// Dock and write the folder file), one helper per folder (a launcher dock starts the helper's program at
/// every click on its launcher). Nothing when another instance runs and this start handed over to it and
/// ends.
struct InstanceLocks {
    std::optional<InstanceLock> mainApplication;
    std::optional<InstanceLock> helper;
};
std::optional<InstanceLocks> takeInstanceLocks(const Paths& paths, Workspace& workspace,
                                               const MainBundle& bundle,
                                               const std::optional<QUuid>& helperFolder) {
    InstanceLocks locks;
    if (!helperFolder) {
        locks.mainApplication = InstanceLock::tryAcquire(paths.mainApplicationLockFile());
        if (!locks.mainApplication) {
            handOverToRunningInstance(workspace, bundle.bundlePath());
            return std::nullopt;
        }
        return locks;
    }
    // A click while the helper runs is a reopen of the running one. A lock that cannot be taken for another
    // reason than a running helper (an unwritable state folder) does not keep the helper from starting. The
    // main application's own launches ("-group") are not handed over: it starts a helper only when none runs.
    if (!QCoreApplication::arguments().contains(QStringLiteral("-group"))) {
        locks.helper = InstanceLock::tryAcquire(paths.helperLockFile(uuidText(*helperFolder)));
        if (!locks.helper && anotherInstanceRuns(workspace, bundle.bundlePath())) {
            handOverToRunningInstance(workspace, bundle.bundlePath());
            return std::nullopt;
        }
    }
    return locks;
}

/// Names the process after its bundle; a helper's windows get the class its folder's launcher names.
void identifyProcess(const MainBundle& bundle, const std::optional<QUuid>& helperFolder) {
    if (helperFolder) {
        // Before the first window: its window class is what a launcher dock matches to the folder's launcher
        // ("StartupWMClass"), and each folder's helper needs its own.
        qputenv("RESOURCE_NAME", launcherWindowClass(*bundle.bundleIdentifier(), *helperFolder).toUtf8());
    }
    QCoreApplication::setApplicationName(
        bundle.infoString(QStringLiteral("CFBundleName")).value_or("Tessly"));
    QCoreApplication::setApplicationVersion(
        bundle.infoString(QStringLiteral("CFBundleShortVersionString")).value_or(QString()));
}

/// Every Linux adapter of the process, built in the order they need each other; they live as long as the run.
struct LinuxPlatform {
    LinuxPlatform(const Paths& paths, const MainBundle& bundle, QtMainQueue& queue, LinuxWorkspace& workspace,
                  StdoutConsole& console)
        : paths(paths), bundle(bundle), queue(queue), workspace(workspace), console(console),
          defaults(paths, *bundle.bundleIdentifier(), console),
          systemLog(QCoreApplication::applicationName()), distributedNotifications(console),
          // Installed, the login item names the installed command, which outlives the bundle's place in a
          // package's updates; from a build tree it names the bundle's executable.
          loginItems(paths.home(), *bundle.bundleIdentifier(), QCoreApplication::applicationName(),
                     installedCommandOf(bundle.bundlePath(), executable()).value_or(executable())),
          dockPreferences(paths, QStringLiteral("com.apple.dock"), console), application(bundle.bundlePath()),
          dockTile(bundle.bundlePath(), queue), symbols(resources()), icons(resources()),
          launcherEntriesDirectory(userApplicationsDirectory(paths)),
          docks(launcherEntriesDirectory, qEnvironmentVariable("XDG_CURRENT_DESKTOP")) {}

    [[nodiscard]] QString executable() const { return bundle.executablePath().value_or(QString()); }
    [[nodiscard]] QString resources() const { return bundle.contentsPath() + QStringLiteral("/Resources"); }

    /// The services on these adapters; the update check is made later, on the interface's texts.
    [[nodiscard]] PlatformServices services(SoftwareUpdater* updater) {
        return PlatformServices{
            .paths = paths,
            .mainBundle = bundle,
            .defaults = defaults,
            .queue = queue,
            .clock = clock,
            .console = console,
            .systemLog = systemLog,
            .notifications = notifications,
            .distributedNotifications = distributedNotifications,
            .loginItems = loginItems,
            .workspace = workspace,
            .processes = processes,
            .attributes = attributes,
            .dockPreferences = dockPreferences,
            // On Linux the code-signing tool is the stand-in that travels inside the bundle (and so inside
            // every helper copied from it).
            .codesignPath = bundle.bundlePath() + QStringLiteral("/Contents/Helpers/codesign"),
            .application = application,
            .screens = screens,
            .pointer = pointer,
            .dockTile = dockTile,
            .symbols = symbols,
            .icons = icons,
            .updater = updater,
            .arguments = QCoreApplication::arguments().mid(1),
            .fileWatchers = &fileWatchers,
            .docks = &docks,
            .launcherEntriesDirectory = launcherEntriesDirectory,
            .releaseFreeMemory = releaseFreeMemory,
        };
    }

    const Paths& paths;
    const MainBundle& bundle;
    QtMainQueue& queue;
    LinuxWorkspace& workspace;
    StdoutConsole& console;
    PlistFileUserDefaults defaults;
    SystemClock clock;
    Syslog systemLog;
    NotificationCenter notifications;
    DBusDistributedNotificationCenter distributedNotifications;
    XdgAutostartLoginItemService loginItems;
    QtChildProcessRunner processes;
    LinuxExtendedAttributes attributes;
    InotifyFileWatcherFactory fileWatchers;
    PlistFilePreferencesDomain dockPreferences;
    LinuxApplication application;
    LinuxScreens screens;
    LinuxPointer pointer;
    LinuxDockTile dockTile;
    const LinuxSymbolImages symbols;
    LinuxWorkspaceIcons icons;
    const QString launcherEntriesDirectory;
    LinuxDockDiscovery docks;
};

/// The update check's texts in the user's language.
SoftwareUpdaterTexts updaterTexts(const Localization& localization) {
    return SoftwareUpdaterTexts{
        [&localization] { return localization.localizedString(QStringLiteral("update.title")); },
        [&localization] { return localization.localizedString(QStringLiteral("update.no_feed")); },
        [&localization](const QString& feed) {
            return localization.localizedString(QStringLiteral("update.not_checked"), {feed});
        }};
}

/// The main application's window, its controller and the status-area menu: the window opens at launch, and
/// a reveal (the Dock tile, the menu, a second start) opens it again once closed.
class MainApplicationWindow {
public:
    MainApplicationWindow(LinuxPlatform& platform, TesslyProcess& process, const Localization& localization,
                          SoftwareUpdater& updater, const AppDiscovery& discovery)
        : m_platform(platform), m_process(process), m_localization(localization), m_updater(updater),
          m_discovery(discovery),
          m_controller(platform.application, platform.queue, platform.notifications, process.settings()) {}

    MainWindowController& controller() { return m_controller; }

    void open() {
        const std::function<void()> openMainWindow = [this] { openWindow(); };
        openMainWindow();
        m_controller.registerOpenWindowAction(openMainWindow);
        m_menuBarMenu = std::make_unique<TesslyMenuBarMenu>(MenuBarMenuParts{
            m_process.settings(), m_controller, m_platform.application, m_platform.queue,
            m_platform.notifications, m_platform.symbols, m_platform.console,
            [this](const QString& key) { return m_localization.localizedString(key); }, openMainWindow});
    }
    /// Before the process ends: the menu goes while what it shows still exists.
    void close() { m_menuBarMenu.reset(); }

private:
    // The window deletes itself when closed; a reveal makes a new one.
    void openWindow() {
        if (m_controller.findMainWindow()) {
            return;
        }
        MainWindowView* window = makeMainWindow(MainWindowServices{
            .settings = m_process.settings(),
            .store = m_process.store(),
            .localization = m_localization,
            .bundle = m_platform.bundle,
            .symbols = m_platform.symbols,
            .icons = m_platform.icons,
            .updater = m_updater,
            .controller = m_controller,
            .queue = m_platform.queue,
            .notifications = m_platform.notifications,
            .distributed = m_platform.distributedNotifications,
            .identify =
                [](QWidget& made) { setWindowIdentifier(made, QString::fromLatin1(kMainWindowIdentifier)); },
            .discovery = &m_discovery,
            .clock = &m_platform.clock,
            .docks = &m_platform.docks,
        });
        window->show();
        m_controller.registerMainWindow(m_controller.findMainWindow());
    }

    LinuxPlatform& m_platform;
    TesslyProcess& m_process;
    const Localization& m_localization;
    SoftwareUpdater& m_updater;
    const AppDiscovery& m_discovery;
    MainWindowController m_controller;
    std::unique_ptr<TesslyMenuBarMenu> m_menuBarMenu;
};

int run(int argc, char** argv) {
    ignoreClosedOutput();
    ensureXcbOnWayland();
    QApplication app(argc, argv);
    // Before the first file is touched: whatever is found in the home folder, Ctrl-C and SIGTERM end the
    // program.
    const QuitSignals quitSignals;
    StdoutConsole console;

    const std::optional<MainBundle> bundle = locateMainBundle(QCoreApplication::arguments());
    if (!bundle || !bundle->bundleIdentifier()) {
        console.printLine(QStringLiteral("Tessly must be started from its application bundle: "
                                         "Tessly.app/Contents/MacOS/Tessly."));
        return 1;
    }
    const std::optional<QUuid> helperFolder = helperFolderOf(*bundle);
    identifyProcess(*bundle, helperFolder);

    const Paths paths = currentUserPaths();
    QtMainQueue queue;
    LinuxWorkspace workspace(queue);
    const std::optional<InstanceLocks> locks = takeInstanceLocks(paths, workspace, *bundle, helperFolder);
    if (!locks) {
        return 0;
    }

    // The settings come first: the interface's texts follow the language they hold, and the update check
    // shows those texts.
    LinuxPlatform platform(paths, *bundle, queue, workspace, console);
    const std::unique_ptr<AppSettings> settings = makeProcessSettings(platform.services(nullptr));
    const Localization localization(*settings, *bundle, &console);
    LinuxSoftwareUpdater updater(*bundle, updaterTexts(localization));

    // The main application's window exists once the process does; until then (and in a helper) a reveal does
    // nothing.
    std::unique_ptr<MainApplicationWindow> mainWindow;
    TesslyProcess process(platform.services(&updater), *settings,
                          folderPopupViewMaker(platform.icons, platform.symbols, workspace, queue, console,
                                               PopupWindowEffects{compositorIsRunning, requestBlurBehind},
                                               [&localization](const QString& key) {
                                                   return localization.localizedString(key);
                                               }),
                          [&mainWindow](NavigationPage page) {
                              if (mainWindow) {
                                  mainWindow->controller().revealMainWindow(page);
                              }
                          });
    process.launch();

    // The installed applications the picker offers: bundles of the application folders and the desktop's
    // entries, sorted in the interface language.
    LinuxDesktopApplications desktopApplications;
    AppDiscovery discovery(
        paths.home(), queue, [&settings] { return localeForLanguage(settings->language()); },
        &desktopApplications);
    if (!process.helpers().isHelperProcess()) {
        mainWindow =
            std::make_unique<MainApplicationWindow>(platform, process, localization, updater, discovery);
        mainWindow->open();
    }
    const int status = QCoreApplication::exec();
    if (mainWindow) {
        mainWindow->close();
    }
    process.terminate();
    return status;
}

} // namespace
} // namespace tessly

int main(int argc, char** argv) {
    return tessly::run(argc, argv);
}
