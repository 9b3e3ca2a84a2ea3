// The platform services one process of the program runs on: the adapters the composition root picks, or the
// doubles a test hands in. Everything is owned elsewhere and outlives the process's objects.
//
//     PlatformServices services{paths, bundle, defaults, queue, clock, ...};
//     TesslyProcess process(services, makePopupView, revealMainWindow);
//
// Main thread only.
#pragma once

#include <functional>

#include "platform/paths.h"

#include <QString>
#include <QStringList>

namespace tessly {

class Application;
class ChildProcessRunner;
class Clock;
class Console;
class DistributedNotificationCenter;
class DockDiscovery;
class DockTile;
class ExtendedAttributes;
class FileWatcherFactory;
class LoginItemService;
class MainBundle;
class MainQueue;
class NotificationCenter;
class Pointer;
class PreferencesDomain;
class Screens;
class SoftwareUpdater;
class SymbolImages;
class SystemLog;
class UserDefaults;
class Workspace;
class WorkspaceIcons;

struct PlatformServices {
    Paths paths;
    const MainBundle& mainBundle;
    UserDefaults& defaults;
    MainQueue& queue;
    Clock& clock;
    Console& console;
    SystemLog& systemLog;
    NotificationCenter& notifications;
    DistributedNotificationCenter& distributedNotifications;
    LoginItemService& loginItems;
    Workspace& workspace;
    ChildProcessRunner& processes;
    ExtendedAttributes& attributes;
    /// The Dock's preferences domain, "com.apple.dock".
    PreferencesDomain& dockPreferences;
    /// The code-signing tool.
    QString codesignPath;
    Application& application;
    Screens& screens;
    Pointer& pointer;
    DockTile& dockTile;
    const SymbolImages& symbols;
    WorkspaceIcons& icons;
    /// The software-update component; null where there is none.
    SoftwareUpdater* updater = nullptr;
    /// The process's command-line arguments after the program path.
    QStringList arguments;
    /// Opens the file-system event sources of the main application's Dock monitoring; null where there are
    /// none (the Dock is then followed through the plug-in's reports and the post-grace check only).
    FileWatcherFactory* fileWatchers = nullptr;
    /// Which dock the session uses; null: the stand-in Dock's path only, as without the docks of a desktop.
    DockDiscovery* docks = nullptr;
    /// Where the folders' launchers go in a launcher dock: "$XDG_DATA_HOME/applications".
    QString launcherEntriesDirectory;
    /// Hands the heap's free pages back to the system; empty where nothing does.
    std::function<void()> releaseFreeMemory;
};

} // namespace tessly
