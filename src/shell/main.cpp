// The composition root: picks the Linux adapters, builds the process's objects in order, runs the event loop.
#include "model/folder_store.h"
#include "platform/linux/login_item_service_linux.h"
#include "platform/linux/main_bundle_linux.h"
#include "platform/linux/plist_file_user_defaults_linux.h"
#include "platform/linux/process_local_notification_center_linux.h"
#include "platform/linux/quit_signals_linux.h"
#include "platform/linux/system_linux.h"
#include "platform/notification_center.h"
#include "settings/app_settings.h"

#include <QCoreApplication>

namespace tessly {
namespace {

// Helper bundles are not built by this program yet: folder changes are saved, and no helper is started.
class NoHelperActions final : public HelperActions {
public:
    void installHelper(const AppFolder&) override {}
    void removeHelper(const QUuid&, bool) override {}
    void syncHelpers(const QList<AppFolder>&) override {}
    void scheduleHelperOff(const AppFolder&, double) override {}
    void cancelHelperOff(const AppFolder&) override {}
};

// Before any window or menu exists, so that the platform's own texts follow the user's language.
void applyLanguageDefaults(UserDefaults& defaults) {
    const QString language = defaults.stringForKey(QStringLiteral("language")).value_or(QStringLiteral("en"));
    defaults.setStringArray(QStringLiteral("AppleLanguages"), {language});
}

int run(int argc, char** argv) {
    QCoreApplication app(argc, argv);
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
    applyLanguageDefaults(defaults);

    QtMainQueue queue;
    SystemClock clock;
    NotificationCenter notifications;
    ProcessLocalNotificationCenter distributedNotifications(queue);
    XdgAutostartLoginItemService loginItems(paths.home(), bundleIdentifier,
                                            bundle->executablePath().value_or(""));
    AppSettings settings(defaults, notifications, distributedNotifications, loginItems, console, paths,
                         bundleIdentifier, clock);

    NoHelperActions helpers;
    FolderStore store(paths, helpers, notifications, queue, clock, console);
    store.load();

    const QuitSignals quitSignals;
    return QCoreApplication::exec();
}

} // namespace
} // namespace tessly

int main(int argc, char** argv) {
    return tessly::run(argc, argv);
}
