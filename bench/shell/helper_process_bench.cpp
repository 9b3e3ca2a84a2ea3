// The program's processes as the user's session runs them, started from the built bundle in a temporary home
// on the offscreen platform:
//   - a helper's cold start: from starting it (as the main application does: "-group <UUID>" and a fresh
//     launch marker, so no popup opens) until its tile is published on the session bus (TileContentChanged
//     from its process);
//   - a helper's idle memory: started as a click on its tile starts it (the popup opens at once), its popup
//     closed by reopen requests on the bus, then Private_Dirty and Pss from /proc/PID/smaps_rollup once the
//     helper has let go of what only the popup needed (and, with the popup open, before the close);
//   - the idle wake-ups of that helper and of a main application with an empty folder file: the context
//     switches of all the process's threads over 20 s in which nothing happens;
//   - the memory of a helper whose folder holds 5,000 applications, each with an icns of four sizes, with its
//     popup open (started by a click) and its peak resident memory until then.
// The helper bundle is a copy of the built Tessly.app in the home's Helpers folder with the folder's
// identifier in its Info.plist; the folder holds nine applications unless said otherwise.
//
// Needs the session bus:
//
//   dbus-run-session -- build/bench/shell/helper_process_bench
//   dbus-run-session -- build/bench/shell/helper_process_bench --benchmark_filter=ColdStart
#include "model/uuid_text.h"
#include "platform/linux/application_linux.h"
#include "platform/linux/dock_tile_linux.h"
#include "shell/bench_support.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>
#include <QDirIterator>
#include <QHash>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdio>
#include <map>

namespace tessly {
namespace {

using bench::monotonicNanoseconds;
using bench::percentile;
using bench::procField;
using bench::ProgramProcess;
using bench::runEventsUntil;

constexpr int kStartDeadlineMs = 20'000;
// The process has done its start-up work and settled; what it holds now is what it keeps while idle.
constexpr int kSettleMs = 1'000;
/// How long after its popup's close a helper has let go of what the popup needed.
constexpr int kIdleReleaseMs = 2'500;
// The main application settles once the Dock monitoring's start-up grace has ended.
constexpr int kMainStartupSettleMs = 7'000;
// The idle period whose wake-ups are counted.
constexpr int kIdleMs = 20'000;
// A folder of this many applications, each with an icns of four sizes; its helper may take long to start.
constexpr int kLargeFolderApplications = 5'000;
constexpr int kLargeFolderDeadlineMs = 120'000;

/// The TileContentChanged signals on the session bus, by the process that sent them: when the first arrived.
class TileListener final : public QObject {
    Q_OBJECT

public:
    TileListener() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        m_connected = bus.isConnected() &&
                      bus.connect(QString(), kDockTilePath, kDockTileInterface, kDockTileContentChangedMember,
                                  this, SLOT(receive(QDBusMessage)));
        // The match rule reaches the bus with the next call that waits for an answer.
        if (m_connected) {
            (void)bus.interface()->isServiceRegistered(bus.baseService());
        }
    }

    [[nodiscard]] bool isConnected() const { return m_connected; }
    /// When the first tile of `pid` arrived (monotonic nanoseconds); 0 before.
    [[nodiscard]] std::int64_t firstTileOf(qint64 pid) const { return m_firstTile.value(pid, 0); }

public slots:
    void receive(const QDBusMessage& message) {
        const std::int64_t now = monotonicNanoseconds();
        const qint64 pid = message.arguments().value(1).toLongLong();
        if (!m_firstTile.contains(pid)) {
            m_firstTile.insert(pid, now);
        }
    }

private:
    bool m_connected = false;
    QHash<qint64, std::int64_t> m_firstTile;
};

/// A temporary home with a folder of applications (nine, without icons of their own, unless told otherwise)
/// and its helper, a copy of the built bundle.
class HelperHome {
public:
    explicit HelperHome(int applications = bench::kApplicationsInFolder, const QByteArray& icon = {})
        : m_folderId(makeUuid()) {
        QDir().mkpath(m_paths.helpersDirectory());
        m_ready =
            QProcess::execute(QStringLiteral("cp"),
                              {QStringLiteral("-a"), QStringLiteral(TESSLY_BUNDLE_DIR), helperPath()}) == 0 &&
            bench::writeHelperInfo(helperPath(), m_folderId) &&
            bench::writeFolderOfApplications(m_paths, m_home.path(), m_folderId, applications, icon) &&
            // Pages of a file just written stay dirty in the page cache until written back, and smaps
            // counts the executable's mapped pages as the process's private dirty memory meanwhile
            // (some 700 kB): the copy is written out first, as a helper built a while ago would be.
            QProcess::execute(QStringLiteral("sync"), {QStringLiteral("-f"), helperPath()}) == 0;
    }

    [[nodiscard]] bool isReady() const { return m_ready; }
    [[nodiscard]] QString home() const { return m_home.path(); }
    [[nodiscard]] QString helperPath() const {
        return m_paths.helpersDirectory() + QStringLiteral("/Work.app");
    }
    [[nodiscard]] QString folderIdText() const { return uuidText(m_folderId); }

    /// The marker the main application writes just before it starts a helper: the time, as decimal text.
    [[nodiscard]] bool writeFreshLaunchMarker() const {
        return bench::writeFreshLaunchMarker(m_paths, folderIdText());
    }

private:
    QTemporaryDir m_home;
    Paths m_paths{m_home.path()};
    QUuid m_folderId;
    bool m_ready = false;
};

/// The context switches of each thread of `pid`, voluntary and not, by thread name and number.
std::map<QString, qint64> contextSwitchesByThread(qint64 pid) {
    std::map<QString, qint64> switches;
    QDirIterator it(QStringLiteral("/proc/%1/task").arg(pid), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString status = it.filePath() + QStringLiteral("/status");
        QFile comm(it.filePath() + QStringLiteral("/comm"));
        const QString name = (comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll().trimmed())
                                                             : QStringLiteral("?")) +
                             QLatin1Char('/') + it.fileName();
        switches[name] =
            procField(status, "voluntary_ctxt_switches") + procField(status, "nonvoluntary_ctxt_switches");
    }
    return switches;
}

/// Counts the process's wake-ups over the idle period and reports them per minute; the threads that woke are
/// printed.
void reportIdleWakeups(benchmark::State& state, const char* who, qint64 pid) {
    const std::map<QString, qint64> before = contextSwitchesByThread(pid);
    // The deliberate idle period being measured: nothing is asked of the process meanwhile.
    QThread::msleep(kIdleMs);
    const std::map<QString, qint64> after = contextSwitchesByThread(pid);
    qint64 total = 0;
    QStringList woke;
    for (const auto& [thread, count] : after) {
        const auto was = before.find(thread);
        const qint64 delta = count - (was == before.end() ? 0 : was->second);
        total += delta;
        if (delta > 0) {
            woke.append(QStringLiteral("%1 %2").arg(thread).arg(delta));
        }
    }
    state.counters["idle_wakeups_per_min"] = static_cast<double>(total) * 60'000.0 / kIdleMs;
    state.counters["threads"] = static_cast<double>(after.size());
    std::fprintf(stderr, "%s: %lld wake-ups in %d s of idleness over %zu threads%s%s\n", who,
                 static_cast<long long>(total), kIdleMs / 1000, after.size(), woke.isEmpty() ? "" : ": ",
                 woke.join(QStringLiteral(", ")).toUtf8().constData());
}

void reportMemory(benchmark::State& state, const std::string& prefix, qint64 pid) {
    bench::writeBackFileCache();
    const QString rollup = QStringLiteral("/proc/%1/smaps_rollup").arg(pid);
    state.counters[prefix + "private_dirty_kB"] = static_cast<double>(procField(rollup, "Private_Dirty"));
    state.counters[prefix + "pss_kB"] = static_cast<double>(procField(rollup, "Pss"));
    state.counters[prefix + "rss_kB"] = static_cast<double>(procField(rollup, "Rss"));
}

/// Sends the bus's Reopen for `bundlePath`, as the Dock does on a click on the bundle's tile.
void sendReopen(const QString& bundlePath) {
    QDBusMessage reopen =
        QDBusMessage::createSignal(kApplicationPath, kApplicationInterface, kApplicationReopenMember);
    reopen << QFileInfo(bundlePath).canonicalFilePath();
    QDBusConnection::sessionBus().send(reopen);
}

/// Skips the benchmark, saying why, unless the bus and the helper's home are there.
bool readyToMeasure(benchmark::State& state, const TileListener& tiles, const HelperHome& home) {
    if (!tiles.isConnected()) {
        state.SkipWithError("no session bus; run under dbus-run-session");
        return false;
    }
    if (!home.isReady()) {
        state.SkipWithError("the helper could not be set up in a temporary home");
        return false;
    }
    return true;
}

void BM_HelperColdStartToTilePublished(benchmark::State& state) {
    TileListener tiles;
    HelperHome home;
    if (!readyToMeasure(state, tiles, home)) {
        return;
    }
    std::vector<double> samples;
    for (auto _ : state) {
        if (!home.writeFreshLaunchMarker()) {
            state.SkipWithError("the launch marker could not be written");
            return;
        }
        const std::int64_t start = monotonicNanoseconds();
        ProgramProcess helper(home.home(), home.helperPath(),
                              {QStringLiteral("-group"), home.folderIdText()});
        if (!runEventsUntil([&] { return tiles.firstTileOf(helper.pid()) != 0 || !helper.isRunning(); },
                            kStartDeadlineMs, 20) ||
            tiles.firstTileOf(helper.pid()) == 0) {
            state.SkipWithError("the helper published no tile");
            return;
        }
        const double ms = static_cast<double>(tiles.firstTileOf(helper.pid()) - start) / 1e6;
        state.SetIterationTime(ms / 1000.0);
        samples.push_back(ms);
    }
    state.counters["median_ms"] = percentile(samples, 0.5);
    state.counters["p90_ms"] = percentile(samples, 0.9);
    state.counters["max_ms"] = percentile(samples, 1.0);
}
BENCHMARK(BM_HelperColdStartToTilePublished)->UseManualTime()->Iterations(15)->Unit(benchmark::kMillisecond);

void BM_HelperIdleMemoryAndWakeups(benchmark::State& state) {
    TileListener tiles;
    HelperHome home;
    if (!readyToMeasure(state, tiles, home)) {
        return;
    }
    for (auto _ : state) {
        // As a click on its tile starts it: no marker, no "-group"; the popup opens at once.
        ProgramProcess helper(home.home(), home.helperPath(), {});
        if (!runEventsUntil([&] { return tiles.firstTileOf(helper.pid()) != 0 || !helper.isRunning(); },
                            kStartDeadlineMs, 20) ||
            !helper.isRunning()) {
            state.SkipWithError("the helper published no tile");
            return;
        }
        // The popup opens in the same start-up step that publishes the tile.
        (void)runEventsUntil([] { return false; }, kSettleMs, 100);
        reportMemory(state, "popup_open_", helper.pid());
        // The first reopen after a start by a click belongs to that click and is swallowed; the second closes
        // the popup. (Were the first to close it, the second would fall within the reopen debounce.)
        sendReopen(home.helperPath());
        sendReopen(home.helperPath());
        // 2 s after the close the helper lets go of the popup's view and hands back its free memory: idle
        // means after that.
        (void)runEventsUntil([] { return false; }, kSettleMs + kIdleReleaseMs, 100);
        reportMemory(state, "", helper.pid());
        reportIdleWakeups(state, "helper", helper.pid());
    }
}
BENCHMARK(BM_HelperIdleMemoryAndWakeups)->Iterations(1)->Unit(benchmark::kSecond);

void BM_HelperMemoryWithAFolderOf5000Applications(benchmark::State& state) {
    TileListener tiles;
    HelperHome home(kLargeFolderApplications, bench::smallApplicationIcns());
    if (!readyToMeasure(state, tiles, home)) {
        return;
    }
    for (auto _ : state) {
        const std::int64_t start = monotonicNanoseconds();
        // As a click on its tile starts it: the popup opens at once.
        ProgramProcess helper(home.home(), home.helperPath(), {});
        if (!runEventsUntil([&] { return tiles.firstTileOf(helper.pid()) != 0 || !helper.isRunning(); },
                            kLargeFolderDeadlineMs, 20) ||
            !helper.isRunning()) {
            state.SkipWithError("the helper published no tile");
            return;
        }
        state.counters["start_to_tile_ms"] =
            static_cast<double>(tiles.firstTileOf(helper.pid()) - start) / 1e6;
        (void)runEventsUntil([] { return false; }, kSettleMs, 100);
        reportMemory(state, "popup_open_", helper.pid());
        state.counters["popup_open_peak_rss_kB"] =
            static_cast<double>(procField(QStringLiteral("/proc/%1/status").arg(helper.pid()), "VmHWM"));
    }
}
BENCHMARK(BM_HelperMemoryWithAFolderOf5000Applications)->Iterations(1)->Unit(benchmark::kSecond);

void BM_MainApplicationIdleWakeups(benchmark::State& state) {
    QTemporaryDir home;
    const Paths paths(home.path());
    QDir().mkpath(QFileInfo(paths.folderFile()).absolutePath());
    QFile folders(paths.folderFile());
    if (!folders.open(QIODevice::WriteOnly) || folders.write("[]") != 2) {
        state.SkipWithError("the folder file could not be written");
        return;
    }
    folders.close();
    const QString preferences = home.path() + QStringLiteral("/Library/Preferences/app.tessly.Tessly.plist");
    for (auto _ : state) {
        ProgramProcess main(home.path(), QStringLiteral(TESSLY_BUNDLE_DIR), {});
        // Its start-up writes the language defaults: from then on it only waits for events.
        if (!runEventsUntil([&] { return QFileInfo::exists(preferences) || !main.isRunning(); },
                            kStartDeadlineMs, 20) ||
            !main.isRunning()) {
            state.SkipWithError("the main application did not start");
            return;
        }
        // Dock monitoring's one reconciliation after the start-up grace (6.1 s after start) is part of the
        // start, not of idleness: counted, that one wake-up reads as three a minute.
        (void)runEventsUntil([] { return false; }, kMainStartupSettleMs, 100);
        reportMemory(state, "", main.pid());
        reportIdleWakeups(state, "main application", main.pid());
    }
}
BENCHMARK(BM_MainApplicationIdleWakeups)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
} // namespace tessly

#include "helper_process_bench.moc"
