// The composition root: picks the Linux adapters, builds the process's objects in order, runs the event loop.
#include "helpers/helper_manager.h"
#include "model/folder_store.h"
#include "platform/linux/child_process_linux.h"
#include "platform/linux/dbus_notification_center_linux.h"
#include "platform/linux/extended_attributes_linux.h"
#include "platform/linux/login_item_service_linux.h"
#include "platform/linux/main_bundle_linux.h"
#include "platform/linux/plist_file_user_defaults_linux.h"
#include "platform/linux/preferences_domain_linux.h"
#include "platform/linux/quit_signals_linux.h"
#include "platform/linux/system_linux.h"
#include "platform/linux/workspace_linux.h"
#include "platform/notification_center.h"
#include "settings/app_settings.h"

#include <QCoreApplication>

namespace tessly {
namespace {

int run(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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
    QCoreApplication::setApplicationName(
        bundle->infoString(QStringLiteral("CFBundleName")).value_or("Tessly"));
    QCoreApplication::setApplicationVersion(
        bundle->infoString(QStringLiteral("CFBundleShortVersionString")).value_or(QString()));

    const Paths paths = currentUserPaths();
    PlistFileUserDefaults defaults(paths, bundleIdentifier, console);
    AppSettings::applyLanguageDefaults(defaults);

    QtMainQueue queue;
    SystemClock clock;
    Syslog systemLog(QCoreApplication::applicationName());
    NotificationCenter notifications;
    DBusDistributedNotificationCenter distributedNotifications(console);
    XdgAutostartLoginItemService loginItems(paths.home(), bundleIdentifier,
                                            bundle->executablePath().value_or(""));
    AppSettings settings(defaults, notifications, distributedNotifications, loginItems, console, paths,
                         bundleIdentifier, clock);

    LinuxWorkspace workspace(queue, bundle->bundlePath());
    QtChildProcessRunner processes;
    LinuxExtendedAttributes attributes;
    PlistFilePreferencesDomain dockPreferences(paths, QStringLiteral("com.apple.dock"), console);
    // On Linux the code-signing tool is the stand-in that travels inside the bundle (and so inside every
    // helper copied from it).
    HelperManager helpers(
        HelperEnvironment{paths, *bundle, defaults, workspace, processes, attributes, dockPreferences,
                          notifications, distributedNotifications, queue, clock, console, systemLog,
                          bundle->bundlePath() + QStringLiteral("/Contents/Helpers/codesign")});

    if (helpers.isHelperProcess()) {
        // A helper bundle's process: the tile and the popup come with the application shell; until then it
        // only waits to be asked to quit. A second open of its bundle is a reopen request, heard and ignored.
        workspace.setReopenHandler([] {});
        return QCoreApplication::exec();
    }

    FolderStore store(paths, helpers, notifications, queue, clock, console);
    store.load();
    // The folder file may name folders in the Dock whose helpers are missing, stale or not running (the
    // program was not running, or was updated): bring them all in line before anything else happens. A file
    // that could not be read says nothing about the helpers, and synchronising against an empty list would
    // delete every one of them: they stay as they are until a list is loaded or saved.
    if (!store.fileFailedToLoad()) {
        helpers.syncHelpers(store.folders());
    }

    return QCoreApplication::exec();
}

} // namespace
} // namespace tessly

int main(int argc, char** argv) {
    return tessly::run(argc, argv);
}
