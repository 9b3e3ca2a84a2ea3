// tessly-dock: the stand-in Dock. Shows the kept and running applications at a screen edge, from the Dock's
// preferences in ~/Library/Preferences/com.apple.dock.plist, and owns "app.tessly.Dock" on the session bus
// (dock_control.h). A second Dock on the same bus says so and ends.
//
//     tessly-dock [--resources DIR] [--test-control]
//
// DIR holds the generic icons drawn for bundles without one (the program's Contents/Resources); by default
// the images of the source tree it was built from. --test-control offers the control interface of
// dock_control.h, through which any process of the session can keep, click and remove tiles: for tests and
// scripts only. The plug-in host is looked for beside this program.
#include "dock_control.h"
#include "dock_controller.h"
#include "dock_window.h"

#include "platform/linux/application_linux.h"
#include "platform/linux/dbus_notification_center_linux.h"
#include "platform/linux/preferences_domain_linux.h"
#include "platform/linux/quit_signals_linux.h"
#include "platform/linux/system_linux.h"
#include "platform/linux/workspace_icons_linux.h"
#include "platform/linux/workspace_linux.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <memory>

using namespace tessly;
using namespace tessly::dock;

int main(int argc, char* argv[]) {
    ensureXcbOnWayland();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tessly-dock"));
    QApplication::setQuitOnLastWindowClosed(false);
    const QuitSignals quitSignals;

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A stand-in Dock for Tessly on Linux."));
    parser.addHelpOption();
    // Installed, the Dock lies beside Tessly's bundle and takes the generic icons from it; in the build tree
    // it takes them from the sources.
    const QString installedResources = QDir(QCoreApplication::applicationDirPath())
                                           .filePath(QStringLiteral("Tessly.app/Contents/Resources"));
    const QCommandLineOption resourcesOption(
        QStringLiteral("resources"), QStringLiteral("Directory of the generic icons."), QStringLiteral("dir"),
        QFileInfo(installedResources).isDir() ? installedResources : QStringLiteral(TESSLY_DOCK_RESOURCES));
    parser.addOption(resourcesOption);
    const QCommandLineOption controlOption(
        QString::fromLatin1(kDockTestControlOption),
        QStringLiteral(
            "Offers the control interface on the session bus, for tests: any process of the session "
            "can then keep, click and remove tiles."));
    parser.addOption(controlOption);
    parser.process(application);

    StdoutConsole console;
    const Paths paths = currentUserPaths();
    QtMainQueue queue;
    LinuxWorkspace workspace(queue);
    DBusDistributedNotificationCenter notifications(console);
    PlistFilePreferencesDomain preferences(paths, QStringLiteral("com.apple.dock"), console);
    LinuxWorkspaceIcons icons(parser.value(resourcesOption));
    const QString plugInHost =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("tessly-dock-plugin-host"));

    DockController controller(DockEnvironment{preferences, notifications, workspace, plugInHost});
    DockWindow window(controller, icons);
    std::unique_ptr<DockControl> control;
    if (parser.isSet(controlOption)) {
        control = std::make_unique<DockControl>(controller, window);
        // Before the name is taken: whoever sees the name may call at once.
        if (!control->registerOnSessionBus()) {
            std::fputs("tessly-dock: cannot offer the control interface on the session bus; ending.\n",
                       stderr);
            return 1;
        }
    }
    if (!claimDockServiceName()) {
        std::fputs(
            "tessly-dock: another Dock owns app.tessly.Dock on this session bus, or there is no session "
            "bus; ending.\n",
            stderr);
        return 1;
    }
    window.winId(); // the native window exists before the hints are set and the window maps
    controller.start();
    window.show();
    window.relayout();
    return QApplication::exec();
}
