// The whole program as a user's session runs it: the stand-in Dock and Tessly from the built bundle on a
// virtual X server with a window manager (and, where asked, the compositor), on the session bus, in a
// temporary home whose folders each hold nine applications.
//   - Memory with 30 folders in the Dock, once every helper shows its tile and the start-up has settled:
//     Private_Dirty and Pss from /proc/PID/smaps_rollup of the Dock, of its plug-in hosts together (one per
//     tile) and each, of all 30 helpers together and each, and of the main application; read once the file
//     cache is written back, so that the helper bundles just copied do not count as the helpers' memory.
//   - A click on a helper's tile to its popup on screen: from the Dock's Click on its bus interface (which
//     moves the pointer there and sends the reopen to the helper) until a pixel inside where the popup shows
//     has changed on the screen, read back from the X server. Closed again by a second click between samples.
//
//   dbus-run-session -- build/bench/desktop/dock_path_bench
//   dbus-run-session -- build/bench/desktop/dock_path_bench --benchmark_filter=Click
#include "desktop/screen_pixel.h"
#include "model/folder_json.h"
#include "model/uuid_text.h"
#include "platform/paths.h"
#include "shell/bench_support.h"
#include "support/temp_home.h"
#include "support/virtual_desktop.h"

#include <QDirIterator>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace tessly {
namespace {

using bench::monotonicNanoseconds;
using bench::percentile;
using bench::procField;
using bench::ScreenPixel;
using testing::DockClient;
using testing::VirtualDesktop;

constexpr int kDeadlineMs = 60'000;
constexpr int kClickSamples = 30;

/// The Dock and Tessly running on a desktop of their own with `folderCount` folders in the Dock.
class Session {
public:
    /// Empty when the session runs; else why not.
    QString start(int folderCount, VirtualDesktop::Compositor compositor) {
        if (const QString missing = VirtualDesktop::missingTools(compositor); !missing.isEmpty()) {
            return missing;
        }
        if (DockClient::isRunning()) {
            return QStringLiteral("another Dock runs on this bus");
        }
        const Paths paths(m_home.path());
        if (!bench::writeFolderOfApplications(paths, m_home.path(), makeUuid())) {
            return QStringLiteral("cannot write the folder file");
        }
        // The nine applications, in as many folders as asked.
        const auto written = decodeFolderList(testing::TempHome::read(paths.folderFile()), Date());
        QList<AppFolder> folders;
        for (int index = 1; index <= folderCount; ++index) {
            AppFolder folder = written.folders->first();
            folder.id = makeUuid();
            folder.name = QStringLiteral("Folder %1").arg(index);
            folders.append(folder);
            m_folders.append(folder.id);
        }
        m_home.write("Library/Application Support/Tessly/folders.json", encodeFolderList(folders));

        if (!m_desktop.start(m_home.path(), compositor)) {
            return QStringLiteral("the virtual desktop did not start");
        }
        for (QProcess* process : {&m_dock, &m_tessly}) {
            process->setProcessEnvironment(m_desktop.environment());
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        }
        m_dock.start(QStringLiteral(TESSLY_DOCK), {DockClient::kControlOption, "--resources",
                                                   QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/Resources")});
        if (!bench::runEventsUntil([] { return DockClient::isRunning(); }, kDeadlineMs)) {
            return QStringLiteral("the Dock did not start");
        }
        m_tessly.start(QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/MacOS/Tessly"), {});
        if (!bench::runEventsUntil([&] { return helpersShown() == folderCount; }, kDeadlineMs)) {
            return QStringLiteral("%1 of %2 helpers show in the Dock").arg(helpersShown()).arg(folderCount);
        }
        return {};
    }
    ~Session() {
        for (QProcess* process : {&m_tessly, &m_dock}) {
            process->terminate();
            process->waitForFinished(10'000);
        }
    }

    /// The helpers whose tile the Dock draws with what they published.
    [[nodiscard]] int helpersShown() const {
        int shown = 0;
        for (const QJsonValue& tile : DockClient::tiles()) {
            shown += tile["bundlePath"].toString().contains("/Tessly/Helpers/") && tile["running"].toBool() &&
                             tile["hasContent"].toBool()
                         ? 1
                         : 0;
        }
        return shown;
    }
    [[nodiscard]] QString helperBundle(int index) const {
        return QFileInfo(
                   m_home.path() +
                   QStringLiteral("/Library/Application Support/Tessly/Helpers/Folder %1.app").arg(index + 1))
            .canonicalFilePath();
    }
    /// The processes whose program lies in the helpers' folder.
    [[nodiscard]] QList<qint64> helperProcesses() const {
        return processesWhere([&](const QString& program) { return program.contains("/Tessly/Helpers/"); });
    }
    /// The Dock's plug-in hosts.
    [[nodiscard]] QList<qint64> plugInHosts() const {
        return processesWhere(
            [](const QString& program) { return program.endsWith("/tessly-dock-plugin-host"); });
    }
    [[nodiscard]] qint64 dockProcess() const { return m_dock.processId(); }
    [[nodiscard]] qint64 mainProcess() const { return m_tessly.processId(); }
    [[nodiscard]] const VirtualDesktop& desktop() const { return m_desktop; }

private:
    template <typename Predicate> static QList<qint64> processesWhere(Predicate matches) {
        QList<qint64> processes;
        QDirIterator it(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            if (it.fileName().toLongLong() > 0 &&
                matches(QFileInfo(it.filePath() + "/exe").symLinkTarget())) {
                processes.append(it.fileName().toLongLong());
            }
        }
        return processes;
    }

    testing::TempHome m_home;
    VirtualDesktop m_desktop;
    QProcess m_dock;
    QProcess m_tessly;
    QList<QUuid> m_folders;
};

/// Private_Dirty and Pss of the processes together and per process, in kB.
void reportMemory(benchmark::State& state, const std::string& prefix, const QList<qint64>& processes) {
    bench::writeBackFileCache();
    double dirty = 0;
    double pss = 0;
    for (const qint64 pid : processes) {
        const QString rollup = QStringLiteral("/proc/%1/smaps_rollup").arg(pid);
        dirty += static_cast<double>(procField(rollup, "Private_Dirty"));
        pss += static_cast<double>(procField(rollup, "Pss"));
    }
    state.counters[prefix + "private_dirty_kB"] = dirty;
    state.counters[prefix + "pss_kB"] = pss;
    state.counters[prefix + "processes"] = static_cast<double>(processes.size());
    if (processes.size() > 1) {
        state.counters[prefix + "private_dirty_kB_each"] = dirty / static_cast<double>(processes.size());
    }
}

void BM_ThirtyHelpersInTheDock_Memory(benchmark::State& state) {
    for (auto _ : state) {
        Session session;
        if (const QString error = session.start(30, VirtualDesktop::withoutCompositor); !error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        // The badges over, the bundle icons written, the first paints done, and each helper idle since: it
        // hands back what its start freed 2 s after its last step (the bundle icon, 0.5 s after the badge).
        bench::runEventsUntil([] { return false; }, 10'000);
        reportMemory(state, "dock_", {session.dockProcess()});
        reportMemory(state, "plugin_hosts_", session.plugInHosts());
        reportMemory(state, "helpers_", session.helperProcesses());
        reportMemory(state, "main_", {session.mainProcess()});
    }
}
BENCHMARK(BM_ThirtyHelpersInTheDock_Memory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ClickOnATileToItsPopupOnScreen(benchmark::State& state) {
    const auto compositor =
        state.range(0) != 0 ? VirtualDesktop::withCompositor : VirtualDesktop::withoutCompositor;
    for (auto _ : state) {
        Session session;
        if (const QString error = session.start(1, compositor); !error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        const QString helper = session.helperBundle(0);
        const VirtualDesktop& desktop = session.desktop();
        const qint64 helperPid = session.helperProcesses().value(0);
        bench::runEventsUntil([] { return false; }, 2'500); // the "ON" badge over

        // Where the popup shows: learnt from a first opening.
        DockClient::call(QStringLiteral("Click"), {helper});
        if (!bench::runEventsUntil([&] { return desktop.visibleWindowsOf(helperPid).size() == 1; },
                                   kDeadlineMs)) {
            state.SkipWithError("the popup did not open");
            return;
        }
        const QHash<QString, int> frame = desktop.geometry(desktop.visibleWindowsOf(helperPid).first());
        // Inside the plate, between the header and the grid, clear of the transparent margin.
        const int x = frame["X"] + frame["WIDTH"] / 2;
        const int y = frame["Y"] + frame["HEIGHT"] / 3;
        const ScreenPixel screen(desktop.environment().value("DISPLAY"));
        DockClient::call(QStringLiteral("Click"), {helper});
        std::vector<double> samples;
        for (int sample = 0; sample < kClickSamples; ++sample) {
            // Closed, and past the guard that ignores a show right after a close.
            bench::runEventsUntil([] { return false; }, 300);
            const std::uint32_t closed = screen.at(x, y);
            const std::int64_t start = monotonicNanoseconds();
            DockClient::call(QStringLiteral("Click"), {helper});
            while (screen.at(x, y) == closed) {
                if (monotonicNanoseconds() - start > std::int64_t{kDeadlineMs} * 1'000'000) {
                    state.SkipWithError("the popup never showed");
                    return;
                }
            }
            samples.push_back(static_cast<double>(monotonicNanoseconds() - start) / 1e6);
            const std::uint32_t open = screen.at(x, y);
            DockClient::call(QStringLiteral("Click"), {helper});
            bench::runEventsUntil([&] { return screen.at(x, y) != open; }, kDeadlineMs);
        }
        state.counters["median_ms"] = percentile(samples, 0.5);
        state.counters["p90_ms"] = percentile(samples, 0.9);
        state.counters["max_ms"] = percentile(samples, 1.0);
    }
}
BENCHMARK(BM_ClickOnATileToItsPopupOnScreen)
    ->ArgName("compositor")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
