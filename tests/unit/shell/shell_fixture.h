// Processes of the program side by side in one test: a main application and helpers, each a TesslyProcess on
// doubles, sharing one temporary home, one virtual clock, one session bus, one user defaults domain (helpers
// keep the main application's bundle identifier), the Dock's preferences, the screens, the mouse and the
// file-system events.
#pragma once

#include "model/folder_json.h"
#include "model/uuid_text.h"
#include "platform/gui/system_style.h"
#include "platform/software_updater.h"
#include "shell/tessly_process.h"
#include "support/gui_doubles.h"
#include "support/helper_doubles.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/launcher_dock_doubles.h"
#include "support/recording_console.h"
#include "support/recording_login_items.h"
#include "support/scripted_file_watchers.h"
#include "support/shell_doubles.h"
#include "support/temp_home.h"
#include "support/virtual_time.h"

#include <gtest/gtest.h>

#include <list>
#include <memory>

namespace tessly::testing {

class RecordingUpdater final : public SoftwareUpdater {
public:
    void start() override { ++starts; }
    void checkForUpdates() override { ++checks; }
    int starts = 0;
    int checks = 0;
};

/// The popup's content as the shell sees it: a view of a fixed size that keeps the request it was made for.
class StubPopupView final : public QWidget {
public:
    explicit StubPopupView(PopupViewRequest request) : request(std::move(request)) {}
    [[nodiscard]] QSize sizeHint() const override { return size; }
    PopupViewRequest request;
    QSize size{300, 200};
};

/// One process: its own bundle, local notifications, bus connection, workspace, application and Dock tile.
struct SimulatedProcess {
    SimulatedProcess(const QString& bundlePath, const QStringList& arguments, class ShellWorld& world);

    [[nodiscard]] TesslyProcess& operator*() { return *process; }
    [[nodiscard]] TesslyProcess* operator->() { return process.get(); }
    [[nodiscard]] RecordingPanel* panel() const { return application.lastPanel(); }
    [[nodiscard]] bool popupVisible() const { return panel() && panel()->visible; }
    [[nodiscard]] StubPopupView* popupView() const {
        return panel() ? dynamic_cast<StubPopupView*>(panel()->content()) : nullptr;
    }
    /// The badge the tile shows now, if any.
    [[nodiscard]] const DockTileBadgeView* badge() const {
        return tile.contents.isEmpty() ? nullptr : std::get_if<DockTileBadgeView>(&tile.contents.back().view);
    }

    MainBundle bundle;
    NotificationCenter notifications;
    InMemoryDistributedNotificationCenter distributed;
    RecordingLoginItems loginItems;
    RecordingWorkspace workspace;
    ScriptedChildProcesses processes;
    InMemoryExtendedAttributes attributes;
    RecordingApplication application;
    RecordingDockTile tile;
    FakeSymbolImages symbols;
    FakeWorkspaceIcons icons;
    RecordingUpdater updater;
    /// Present only in a world with a launcher dock.
    std::unique_ptr<FakeDockDiscovery> docks;
    QList<NavigationPage> revealedPages;
    /// How often the process handed its free memory back.
    int memoryReleases = 0;
    std::unique_ptr<AppSettings> settings;
    std::unique_ptr<TesslyProcess> process;
};

class ShellWorld : public ::testing::Test {
protected:
    ShellWorld() {
        // One bottom Dock, 64 points thick, on a 1440 x 900 screen.
        screens.all = {ScreenGeometry{QRectF(0, 0, 1440, 900), QRectF(0, 64, 1440, 811)}};
        mainBundlePath = writeBundle(home.path() + "/Apps/Tessly.app", std::nullopt);
    }

    /// Writes an application bundle; with `group`, a helper bundle of that folder.
    QString writeBundle(const QString& path, const std::optional<QUuid>& group) const {
        PlistDictionary info{{"CFBundleIdentifier", "app.tessly.Tessly"},
                             {"CFBundleExecutable", "Tessly"},
                             {"CFBundleName", "Tessly"}};
        if (group) {
            info.set("TSGroupUUID", uuidText(*group));
        }
        const QString relative = path.mid(home.path().size() + 1);
        home.write(relative + "/Contents/Info.plist", writePropertyList(info, PlistFormat::Xml));
        home.write(relative + "/Contents/MacOS/Tessly", "#!/bin/sh\n");
        return path;
    }

    /// A folder in the folder file, as the main application saved it.
    AppFolder saveFolder(const QString& name, bool inDock = true) {
        AppFolder folder{makeUuid(), name, "folder", {}, inDock, {}, time.now()};
        QList<AppFolder> folders = decodeFolderList(TempHome::read(home.paths().folderFile()), time.now())
                                       .folders.value_or(QList<AppFolder>{});
        folders.append(folder);
        home.write("Library/Application Support/Tessly/folders.json", encodeFolderList(folders));
        return folder;
    }

    /// Whether the folder file on disk has the folder in the Dock.
    [[nodiscard]] bool inDockOnDisk(const AppFolder& folder) const {
        const auto folders = decodeFolderList(TempHome::read(home.paths().folderFile()), time.now()).folders;
        for (const AppFolder& saved : folders.value_or(QList<AppFolder>{})) {
            if (saved.id == folder.id) {
                return saved.isInDock;
            }
        }
        return false;
    }

    /// Writes the folder's launch marker with a time `secondsAgo` before now.
    void writeLaunchMarker(const AppFolder& folder, double secondsAgo) {
        home.write("Library/Application Support/Tessly/HelperState/" + uuidText(folder.id) + ".launch",
                   QByteArray::number(time.now().timeIntervalSince1970() - secondsAgo, 'f', 3));
    }
    [[nodiscard]] bool launchMarkerExists(const AppFolder& folder) const {
        return QFileInfo::exists(home.paths().helperStateDirectory() + "/" + uuidText(folder.id) + ".launch");
    }

    /// Starts a helper process of `folder` from its own bundle.
    SimulatedProcess& startHelper(const AppFolder& folder, const QStringList& arguments = {}) {
        const QString path =
            writeBundle(home.paths().helpersDirectory() + "/" + folder.name + ".app", folder.id);
        return start(path, arguments);
    }
    SimulatedProcess& startMainApplication() { return start(mainBundlePath, {}); }
    SimulatedProcess& start(const QString& bundlePath, const QStringList& arguments) {
        SimulatedProcess& process = m_processes.emplace_back(bundlePath, arguments, *this);
        process->launch();
        time.advance(0); // what the launch queued
        return process;
    }
    /// Ends a process: its objects are destroyed, as at the end of the program.
    void stop(SimulatedProcess& process) {
        m_processes.remove_if([&](const SimulatedProcess& p) { return &p == &process; });
    }

    TempHome home;
    VirtualTime time;
    InMemoryUserDefaults defaults;
    InMemoryNotificationBus bus;
    InMemoryPreferencesDomain dock;
    FixedScreens screens;
    ScriptedPointer pointer;
    RecordingConsole console;
    ScriptedFileWatchers fileWatchers;
    QString mainBundlePath;
    /// The launcher dock every process sees once `useLauncherDock` was called; before, no process has a
    /// discovery and the stand-in Dock's path is all there is.
    FakeLauncherDock launcherDock;
    std::optional<std::optional<DockKind>> sessionDock;

    /// From now on each process started finds `dock` in the session.
    void useLauncherDock(std::optional<DockKind> dock = DockKind::plank) { sessionDock = dock; }
    /// The dock of the session changes; every running process notices.
    void switchDock(std::optional<DockKind> dock) {
        sessionDock = dock;
        for (SimulatedProcess& process : m_processes) {
            if (process.docks) {
                process.docks->switchTo(dock);
            }
        }
    }
    [[nodiscard]] QString applicationsDirectory() const { return home.path() + "/.local/share/applications"; }

private:
    friend struct SimulatedProcess;
    std::list<SimulatedProcess> m_processes;
};

inline SimulatedProcess::SimulatedProcess(const QString& bundlePath, const QStringList& arguments,
                                          ShellWorld& world)
    : bundle(bundlePath, arguments), distributed(world.bus, world.time), workspace(world.time) {
    if (world.sessionDock) {
        docks = std::make_unique<FakeDockDiscovery>(world.launcherDock, *world.sessionDock);
    }
    PlatformServices services{world.home.paths(),
                              bundle,
                              world.defaults,
                              world.time,
                              world.time,
                              world.console,
                              world.console,
                              notifications,
                              distributed,
                              loginItems,
                              workspace,
                              processes,
                              attributes,
                              world.dock,
                              QStringLiteral("/usr/bin/codesign"),
                              application,
                              world.screens,
                              world.pointer,
                              tile,
                              symbols,
                              icons,
                              &updater,
                              arguments,
                              &world.fileWatchers,
                              docks.get(),
                              world.applicationsDirectory(),
                              [this] { ++memoryReleases; }};
    settings = makeProcessSettings(services);
    process = std::make_unique<TesslyProcess>(
        services, *settings,
        [](const PopupViewRequest& request, AppSettings&) {
            return std::make_unique<StubPopupView>(request);
        },
        [this](NavigationPage page) { revealedPages.append(page); });
}

} // namespace tessly::testing
