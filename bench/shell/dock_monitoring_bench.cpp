// From a change of the Dock's preferences file to the main application's reconciliation done, with 30 folders
// in the Dock, each helper bundle kept in the Dock's "persistent-apps". The main application runs in this
// process on the real file watcher (inotify), main queue, clock, paths and Dock preferences domain, in a
// temporary home with the 30 helper bundles; the workspace, child processes and the graphical ports are the
// test doubles, so that no helper process is started (none is needed: every folder is pinned by the file).
//
// Each sample rewrites the file as the Dock does (a copy renamed over it) with another tile size, and waits
// until the delegate's report has run and the watcher is back on the new file. Two figures:
//   - "report_ms": from the watcher's report on the main queue (after the 0.03 s settle delay) until the
//     reconciliation and the Dock height refresh are done: the time the delegate spends;
//   - "write_to_done_ms": from the rename of the new file until the same point, minus the 0.03 s settle
//     delay: includes inotify's delivery and the event loop's wake-ups.
//
//   build/bench/shell/dock_monitoring_bench
#include "model/folder_json.h"
#include "model/uuid_text.h"
#include "platform/linux/file_watcher_linux.h"
#include "platform/linux/preferences_domain_linux.h"
#include "platform/linux/system_linux.h"
#include "platform/notification_center.h"
#include "shell/bench_support.h"
#include "shell/tessly_process.h"
#include "support/gui_doubles.h"
#include "support/helper_doubles.h"
#include "support/in_memory_notification_bus.h"
#include "support/in_memory_user_defaults.h"
#include "support/recording_console.h"
#include "support/recording_login_items.h"
#include "support/shell_doubles.h"

#include <QSaveFile>
#include <QTemporaryDir>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <memory>

namespace tessly {
namespace {

using bench::monotonicNanoseconds;
using bench::percentile;
using bench::runEventsUntil;

constexpr int kFoldersInDock = 30;
constexpr double kDockPreferencesSettleSeconds = 0.03;
constexpr int kDeadlineMs = 5'000;

/// The real main queue, noting how long each item took that changed the delegate's Dock height: that item is
/// the Dock preferences watcher's report.
class TimingQueue final : public MainQueue {
public:
    explicit TimingQueue(MainQueue& inner) : m_inner(inner) {}
    std::function<double()> dockHeight;
    std::int64_t reportStart = 0;
    std::int64_t reportEnd = 0;

    void schedule(WorkItemPtr item, double delaySeconds) override {
        m_inner.schedule(std::make_shared<WorkItem>([this, item] {
                             const double before = dockHeight ? dockHeight() : 0.0;
                             const std::int64_t start = monotonicNanoseconds();
                             item->perform();
                             const std::int64_t end = monotonicNanoseconds();
                             if (dockHeight && dockHeight() != before) {
                                 reportStart = start;
                                 reportEnd = end;
                             }
                         }),
                         delaySeconds);
    }

private:
    MainQueue& m_inner;
};

/// The main application with its folders in the Dock, in a temporary home.
class MainApplicationInProcess {
public:
    MainApplicationInProcess() {
        const QString bundle = m_home.path() + QStringLiteral("/Applications/Tessly.app");
        m_ready = QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS")) &&
                  writePropertyListFile(bundle + QStringLiteral("/Contents/Info.plist"),
                                        PlistDictionary{{"CFBundleIdentifier", "app.tessly.Tessly"},
                                                        {"CFBundleExecutable", "Tessly"},
                                                        {"CFBundleName", "Tessly"}},
                                        PlistFormat::Xml);
        QFile executable(bundle + QStringLiteral("/Contents/MacOS/Tessly"));
        m_ready = m_ready && executable.open(QIODevice::WriteOnly) && executable.write("#!/bin/sh\n") > 0;
        QList<AppFolder> folders;
        for (int i = 1; i <= kFoldersInDock; ++i) {
            AppFolder folder;
            folder.id = makeUuid();
            folder.name = QStringLiteral("Folder %1").arg(i);
            folder.isInDock = true;
            folders.append(folder);
        }
        m_folders = folders;
        QFile file(m_paths.folderFile());
        m_ready = m_ready && QDir().mkpath(QFileInfo(m_paths.folderFile()).absolutePath()) &&
                  file.open(QIODevice::WriteOnly) && file.write(encodeFolderList(folders)) > 0;
        file.close();
        if (!m_ready) {
            return;
        }
        m_bundle.emplace(bundle, QStringList{QStringLiteral("Tessly")});
        const PlatformServices services{m_paths,
                                        *m_bundle,
                                        m_defaults,
                                        m_timing,
                                        m_clock,
                                        m_console,
                                        m_console,
                                        m_notifications,
                                        m_distributed,
                                        m_loginItems,
                                        m_workspace,
                                        m_processes,
                                        m_attributes,
                                        m_dockPreferences,
                                        QStringLiteral("/usr/bin/codesign"),
                                        m_application,
                                        m_screens,
                                        m_pointer,
                                        m_dockTile,
                                        m_symbols,
                                        m_icons,
                                        nullptr,
                                        {},
                                        &m_fileWatchers};
        // The Dock keeps every helper that the main application builds at its start.
        m_ready = writeDockPreferences(48);
        m_settings = makeProcessSettings(services);
        m_process =
            std::make_unique<TesslyProcess>(services, *m_settings, PopupViewMaker{}, MainWindowReveal{});
        m_process->launch();
        m_timing.dockHeight = [this] { return m_process->delegate().cachedDockHeight(); };
        m_ready = m_ready && allHelpersBuilt() &&
                  m_process->delegate().dockPreferencesWatcherFileDescriptor() != -1;
    }

    [[nodiscard]] bool ready() const { return m_ready; }
    [[nodiscard]] AppDelegate& delegate() { return m_process->delegate(); }
    [[nodiscard]] TimingQueue& timing() { return m_timing; }
    [[nodiscard]] bool allInDock() const {
        for (const AppFolder& folder : m_process->store().folders()) {
            if (!folder.isInDock) {
                return false;
            }
        }
        return m_process->store().folders().size() == kFoldersInDock;
    }

    /// The Dock's preferences as the Dock replaces them: every helper kept.
    bool writeDockPreferences(std::int64_t tileSize) {
        PlistArray entries;
        for (const AppFolder& folder : m_folders) {
            const QString path =
                m_paths.helpersDirectory() + QLatin1Char('/') + helperBundleName(folder.name);
            const PlistDictionary fileData{
                {"_CFURLString", QString::fromLatin1(QUrl::fromLocalFile(path + "/").toEncoded())},
                {"_CFURLStringType", 15}};
            entries.push_back(PlistValue(PlistDictionary{
                {"tile-data", PlistDictionary{{"file-label", folder.name}, {"file-data", fileData}}}}));
        }
        const PlistDictionary root{{"tilesize", tileSize},
                                   {"largesize", std::int64_t{128}},
                                   {"magnification", true},
                                   {"persistent-apps", PlistValue(std::move(entries))}};
        const QString path = m_home.path() + QStringLiteral("/Library/Preferences/com.apple.dock.plist");
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile file(path);
        return file.open(QIODevice::WriteOnly) &&
               file.write(writePropertyList(root, PlistFormat::Binary)) > 0 && file.commit();
    }

private:
    [[nodiscard]] bool allHelpersBuilt() {
        for (const AppFolder& folder : m_folders) {
            if (!m_process->helpers().findHelper(folder.id)) {
                return false;
            }
        }
        return true;
    }

    QTemporaryDir m_home;
    Paths m_paths{m_home.path()};
    QList<AppFolder> m_folders;
    bool m_ready = false;
    std::optional<MainBundle> m_bundle;
    QtMainQueue m_queue;
    TimingQueue m_timing{m_queue};
    SystemClock m_clock;
    testing::RecordingConsole m_console;
    testing::InMemoryUserDefaults m_defaults;
    NotificationCenter m_notifications;
    testing::InMemoryNotificationBus m_bus;
    testing::InMemoryDistributedNotificationCenter m_distributed{m_bus, m_timing};
    testing::RecordingLoginItems m_loginItems;
    testing::RecordingWorkspace m_workspace{m_timing};
    testing::ScriptedChildProcesses m_processes;
    testing::InMemoryExtendedAttributes m_attributes;
    PlistFilePreferencesDomain m_dockPreferences{m_paths, QStringLiteral("com.apple.dock"), m_console};
    testing::RecordingApplication m_application;
    testing::FixedScreens m_screens;
    testing::ScriptedPointer m_pointer;
    testing::RecordingDockTile m_dockTile;
    testing::FakeSymbolImages m_symbols;
    testing::FakeWorkspaceIcons m_icons;
    InotifyFileWatcherFactory m_fileWatchers;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<TesslyProcess> m_process;
};

void BM_DockPreferencesChangedToReconciliationDone(benchmark::State& state) {
    MainApplicationInProcess main;
    if (!main.ready()) {
        state.SkipWithError("the main application with 30 folders in the Dock could not be set up");
        return;
    }
    std::vector<double> reports;
    std::vector<double> writeToDone;
    std::int64_t tileSize = 48;
    for (auto _ : state) {
        tileSize = tileSize == 48 ? 64 : 48;
        main.timing().reportEnd = 0;
        const std::int64_t written = monotonicNanoseconds();
        if (!main.writeDockPreferences(tileSize)) {
            state.SkipWithError("the Dock's file could not be written");
            return;
        }
        const bool done = runEventsUntil(
            [&] {
                return main.timing().reportEnd != 0 &&
                       main.delegate().dockPreferencesWatcherFileDescriptor() != -1;
            },
            kDeadlineMs);
        if (!done || main.delegate().cachedDockHeight() != static_cast<double>(tileSize) + 18) {
            state.SkipWithError("no reconciliation, or the watcher did not come back");
            return;
        }
        state.SetIterationTime(static_cast<double>(main.timing().reportEnd - main.timing().reportStart) /
                               1e9);
        reports.push_back(static_cast<double>(main.timing().reportEnd - main.timing().reportStart) / 1e6);
        writeToDone.push_back(static_cast<double>(main.timing().reportEnd - written) / 1e6 -
                              kDockPreferencesSettleSeconds * 1e3);
    }
    if (!main.allInDock()) {
        state.SkipWithError("a folder kept in the Dock was taken out");
        return;
    }
    state.counters["report_ms"] = percentile(reports, 0.5);
    state.counters["report_p90_ms"] = percentile(reports, 0.9);
    state.counters["write_to_done_ms"] = percentile(writeToDone, 0.5);
    state.counters["folders"] = kFoldersInDock;
}
BENCHMARK(BM_DockPreferencesChangedToReconciliationDone)
    ->UseManualTime()
    ->Iterations(40)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
