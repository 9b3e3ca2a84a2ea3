// The composition root: picks the Linux adapters, builds the process of the program on them and runs it.
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
    const std::optional<QString> group = bundle.infoString(QStringLiteral("TSGroupUUID"));
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
    const QString bundleIdentifier = *bundle->bundleIdentifier();
    const std::optional<QUuid> helperFolder = helperFolderOf(*bundle);
    if (helperFolder) {
        // Before the first window: its window class is what a launcher dock matches to the folder's launcher
        // ("StartupWMClass"), and each folder's helper needs its own.
        qputenv("RESOURCE_NAME", launcherWindowClass(bundleIdentifier, *helperFolder).toUtf8());
    }
    QCoreApplication::setApplicationName(
        bundle->infoString(QStringLiteral("CFBundleName")).value_or("Tessly"));
    QCoreApplication::setApplicationVersion(
        bundle->infoString(QStringLiteral("CFBundleShortVersionString")).value_or(QString()));

    const Paths paths = currentUserPaths();
    QtMainQueue queue;
    LinuxWorkspace workspace(queue);
    // One main application per user: two would both synchronise the helpers, watch the Dock and write the
    // folder file. A second start hands over to the first and ends.
    std::optional<InstanceLock> mainLock;
    if (!helperFolder) {
        mainLock = InstanceLock::tryAcquire(paths.mainApplicationLockFile());
        if (!mainLock) {
            handOverToRunningInstance(workspace, bundle->bundlePath());
            return 0;
        }
    }
    // One helper per folder: a launcher dock starts the helper's program at every click on its launcher, and
    // a click while the helper runs is a reopen of the running one. A lock that cannot be taken for another
    // reason than a running helper (an unwritable state folder) does not keep the helper from starting. The
    // main application's own launches ("-group") are not handed over: it starts a helper only when none runs.
    std::optional<InstanceLock> helperLock;
    if (helperFolder && !QCoreApplication::arguments().contains(QStringLiteral("-group"))) {
        helperLock = InstanceLock::tryAcquire(paths.helperLockFile(uuidText(*helperFolder)));
        if (!helperLock && anotherInstanceRuns(workspace, bundle->bundlePath())) {
            handOverToRunningInstance(workspace, bundle->bundlePath());
            return 0;
        }
    }

    PlistFileUserDefaults defaults(paths, bundleIdentifier, console);
    SystemClock clock;
    Syslog systemLog(QCoreApplication::applicationName());
    NotificationCenter notifications;
    DBusDistributedNotificationCenter distributedNotifications(console);
    // Installed, the login item names the installed command, which outlives the bundle's place in a package's
    // updates; from a build tree it names the bundle's executable.
    const QString executable = bundle->executablePath().value_or(QString());
    XdgAutostartLoginItemService loginItems(
        paths.home(), bundleIdentifier, QCoreApplication::applicationName(),
        installedCommandOf(bundle->bundlePath(), executable).value_or(executable));
    QtChildProcessRunner processes;
    LinuxExtendedAttributes attributes;
    InotifyFileWatcherFactory fileWatchers;
    PlistFilePreferencesDomain dockPreferences(paths, QStringLiteral("com.apple.dock"), console);
    LinuxApplication application(bundle->bundlePath());
    LinuxScreens screens;
    LinuxPointer pointer;
    LinuxDockTile dockTile(bundle->bundlePath(), queue);
    const QString resources = bundle->contentsPath() + QStringLiteral("/Resources");
    const LinuxSymbolImages symbols(resources);
    LinuxWorkspaceIcons icons(resources);
    const QString launcherEntriesDirectory = userApplicationsDirectory(paths);
    LinuxDockDiscovery docks(launcherEntriesDirectory, qEnvironmentVariable("XDG_CURRENT_DESKTOP"));
    // The update texts follow the language chosen since; the localisation exists once the settings do.
    std::unique_ptr<Localization> localization;
    auto text = [&localization](const char* key, const QString& fallback,
                                const FormatArguments& arguments = {}) {
        return localization ? localization->localizedString(QString::fromLatin1(key), arguments) : fallback;
    };
    LinuxSoftwareUpdater updater(
        *bundle,
        SoftwareUpdaterTexts{
            [&] { return text("update.title", QStringLiteral("Software Update")); },
            [&] { return text("update.no_feed", QStringLiteral("This build has no update feed.")); },
            [&](const QString& feed) {
                return text("update.not_checked",
                            QStringLiteral("This build does not look for updates itself. Its feed: ") + feed,
                            FormatArguments{feed});
            }});

    // On Linux the code-signing tool is the stand-in that travels inside the bundle (and so inside every
    // helper copied from it).
    const PlatformServices services{paths,
                                    *bundle,
                                    defaults,
                                    queue,
                                    clock,
                                    console,
                                    systemLog,
                                    notifications,
                                    distributedNotifications,
                                    loginItems,
                                    workspace,
                                    processes,
                                    attributes,
                                    dockPreferences,
                                    bundle->bundlePath() + QStringLiteral("/Contents/Helpers/codesign"),
                                    application,
                                    screens,
                                    pointer,
                                    dockTile,
                                    symbols,
                                    icons,
                                    &updater,
                                    QCoreApplication::arguments().mid(1),
                                    &fileWatchers,
                                    &docks,
                                    launcherEntriesDirectory};
    // The main application's window controller exists once the process's settings do; until then (and in a
    // helper) a reveal does nothing.
    std::unique_ptr<MainWindowController> windowController;
    TesslyProcess process(services,
                          folderPopupViewMaker(icons, symbols, workspace, queue, console,
                                               PopupWindowEffects{compositorIsRunning, requestBlurBehind},
                                               [&localization](const QString& key) {
                                                   return localization ? localization->localizedString(key)
                                                                       : key;
                                               }),
                          [&windowController](NavigationPage page) {
                              if (windowController) {
                                  windowController->revealMainWindow(page);
                              }
                          });
    localization = std::make_unique<Localization>(process.settings(), *bundle, &console);
    process.launch();

    std::unique_ptr<TesslyMenuBarMenu> menuBarMenu;
    // The installed applications the picker offers: bundles of the application folders and the desktop's
    // entries, sorted in the interface language.
    LinuxDesktopApplications desktopApplications;
    AppDiscovery discovery(
        paths.home(), queue, [&process] { return localeForLanguage(process.settings().language()); },
        &desktopApplications);
    if (!process.helpers().isHelperProcess()) {
        windowController =
            std::make_unique<MainWindowController>(application, queue, notifications, process.settings());
        // The main window's scene: what opens the window (it deletes itself when closed, and a reveal makes a
        // new one).
        const std::function<void()> openMainWindow = [&] {
            if (windowController->findMainWindow()) {
                return;
            }
            MainWindowView* window = makeMainWindow(MainWindowServices{
                process.settings(), process.store(), *localization, *bundle, symbols, icons, updater,
                *windowController, queue, notifications, distributedNotifications,
                [&](QWidget& made) { setWindowIdentifier(made, QString::fromLatin1(kMainWindowIdentifier)); },
                &discovery, &clock, &docks});
            window->show();
            windowController->registerMainWindow(windowController->findMainWindow());
        };
        // The scene opens its window at launch and hands over how to open it again.
        openMainWindow();
        windowController->registerOpenWindowAction(openMainWindow);
        menuBarMenu = std::make_unique<TesslyMenuBarMenu>(MenuBarMenuParts{
            process.settings(), *windowController, application, queue, notifications, symbols, console,
            [&localization](const QString& key) { return localization->localizedString(key); },
            openMainWindow});
    }
    const int status = QCoreApplication::exec();
    menuBarMenu.reset();
    process.terminate();
    return status;
}

} // namespace
} // namespace tessly

int main(int argc, char** argv) {
    return tessly::run(argc, argv);
}
