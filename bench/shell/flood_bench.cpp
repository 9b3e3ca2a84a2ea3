// Floods on the session bus, as any process of the user's session can send them, against the program's
// processes started from the built bundle in a temporary home on the offscreen platform:
//   - TileSizeChanged: a helper is sent 2,000 of them for its tile (each asks for the tile at 1,024 pixels),
//     then a click on its tile (Reopen): how long until its popup opens (its TSCloseNonPinnedPopups), how
//     many tiles it published meanwhile, and how long SIGTERM takes when sent right after another flood;
//   - TileAppearance: the same with 10,000 TSTileAppearanceChanged;
//   - MainTileAppearance: a main application with 20,000 folders is sent 1,000 TSTileAppearanceChanged: how
//     long until it is idle again (no CPU time used for 0.5 s);
//   - PinStates: a main application is sent 200,000 TSDockTilePinStateChanged for random identifiers: its
//     memory before and after;
//   - DefaultsRewrites: a main application and a helper are sent 130 TSCloseNonPinnedPopups of another
//     helper, 20 ms apart: how often the defaults file they share was replaced meanwhile.
// The helper bundle is a copy of the built Tessly.app with the folder's identifier in its Info.plist, started
// as the main application starts it ("-group" and a fresh launch marker: no popup at start). Each run
// measures once, on a bus of its own: a program that answers every signal of a flood leaves thousands of
// tiles of 1,024 pixels queued on the bus, and another process started on it afterwards is not heard in time.
// For medians, run it several times; TESSLY_BENCH_BUNDLE names another build of Tessly.app to compare with.
//
//   dbus-run-session -- build/bench/shell/flood_bench
//   dbus-run-session -- build/bench/shell/flood_bench --benchmark_filter=PinStates
#include "model/notification_names.h"
#include "model/uuid_text.h"
#include "platform/linux/application_linux.h"
#include "platform/linux/dbus_notification_center_linux.h"
#include "platform/linux/dock_tile_linux.h"
#include "shell/bench_support.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDateTime>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <csignal>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace tessly {
namespace {

using bench::monotonicNanoseconds;
using bench::procField;
using bench::ProgramProcess;
using bench::runEventsUntil;
namespace names = notification_names;

constexpr int kStartDeadlineMs = 60'000;
constexpr int kSettleMs = 1'000;
// Long enough for the floods of today's program to drain; a run that takes longer reports a failure.
constexpr int kDrainDeadlineMs = 300'000;
// A process that has used no CPU time for this long has done the work it was given.
constexpr int kIdleQuietMs = 500;

constexpr int kTileSizeFlood = 2'000;
constexpr int kTileAppearanceFlood = 10'000;
constexpr int kMainTileAppearanceFlood = 1'000;
constexpr int kFoldersOfMainApplication = 20'000;
constexpr int kPinStateFlood = 200'000;
constexpr int kCloseBroadcasts = 130;
constexpr int kBroadcastSpacingMs = 20;

/// The bundle measured: the one built beside this benchmark, or another (an earlier build, to compare with)
/// named by TESSLY_BENCH_BUNDLE.
QString bundleDir() {
    return qEnvironmentVariable("TESSLY_BENCH_BUNDLE", QStringLiteral(TESSLY_BUNDLE_DIR));
}

double msSince(std::int64_t start, std::int64_t end) {
    return static_cast<double>(end - start) / 1e6;
}

/// What the program's processes say on the bus: their tiles (by process) and their close-popup broadcasts.
class BusWatch final : public QObject {
    Q_OBJECT

public:
    BusWatch() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        m_connected =
            bus.isConnected() &&
            bus.connect(QString(), kDockTilePath, kDockTileInterface, kDockTileContentChangedMember, this,
                        SLOT(receiveTile(QDBusMessage))) &&
            bus.connect(QString(), kDistributedNotificationsPath, kDistributedNotificationsInterface,
                        kDistributedNotificationsMember, this, SLOT(receivePost(QDBusMessage)));
        // The match rules reach the bus with the next call that waits for an answer.
        if (m_connected) {
            (void)bus.interface()->isServiceRegistered(bus.baseService());
        }
    }

    [[nodiscard]] bool isConnected() const { return m_connected; }
    [[nodiscard]] int tilesOf(qint64 pid) const { return m_tiles.value(pid, 0); }
    /// When the last close-popup broadcast with `object` arrived (monotonic nanoseconds); 0 before.
    [[nodiscard]] std::int64_t lastCloseBroadcastOf(const QString& object) const {
        return m_closeBroadcasts.value(object, 0);
    }

public slots:
    void receiveTile(const QDBusMessage& message) {
        const qint64 pid = message.arguments().value(1).toLongLong();
        m_tiles[pid] += 1;
    }
    void receivePost(const QDBusMessage& message) {
        const QList<QVariant> arguments = message.arguments();
        if (arguments.value(0).toString() == names::kTSCloseNonPinnedPopups &&
            message.service() != QDBusConnection::sessionBus().baseService()) {
            m_closeBroadcasts[arguments.value(2).toString()] = monotonicNanoseconds();
        }
    }

private:
    bool m_connected = false;
    QHash<qint64, int> m_tiles;
    QHash<QString, std::int64_t> m_closeBroadcasts;
};

void post(const QString& name, const std::optional<QString>& object = std::nullopt,
          const PlistDictionary& userInfo = {}) {
    QDBusMessage signal = QDBusMessage::createSignal(
        kDistributedNotificationsPath, kDistributedNotificationsInterface, kDistributedNotificationsMember);
    signal << name << object.has_value() << object.value_or(QString())
           << (userInfo.isEmpty() ? QByteArray()
                                  : writePropertyList(PlistValue(userInfo), PlistFormat::Binary));
    QDBusConnection::sessionBus().send(signal);
}

/// The Dock's TileSizeChanged for the bundle's tile: `side` points on a screen of `ratio` pixels per point.
void sendTileSize(const QString& bundlePath, double side, double ratio) {
    QDBusMessage signal =
        QDBusMessage::createSignal(kDockTilePath, kDockTileInterface, kDockTileSizeChangedMember);
    signal << QFileInfo(bundlePath).canonicalFilePath() << side << ratio;
    QDBusConnection::sessionBus().send(signal);
}

/// The Dock's click on the bundle's tile.
void sendReopen(const QString& bundlePath) {
    QDBusMessage reopen =
        QDBusMessage::createSignal(kApplicationPath, kApplicationInterface, kApplicationReopenMember);
    reopen << QFileInfo(bundlePath).canonicalFilePath();
    QDBusConnection::sessionBus().send(reopen);
}

/// The CPU time the process has used, in clock ticks; -1 once it is gone.
qint64 cpuTicks(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray stat = file.readAll();
    // After the command's closing parenthesis: state is field 3, utime 14 and stime 15.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields.at(11).toLongLong() + fields.at(12).toLongLong() : -1;
}

/// Runs the event loop until the process has used no CPU time for kIdleQuietMs; returns when it last did
/// (monotonic nanoseconds), or 0 when it is still busy at the deadline.
std::int64_t waitUntilIdle(qint64 pid, int timeoutMs = kDrainDeadlineMs) {
    qint64 ticks = cpuTicks(pid);
    std::int64_t lastBusy = monotonicNanoseconds();
    const bool idle = runEventsUntil(
        [&] {
            const qint64 now = cpuTicks(pid);
            if (now != ticks) {
                ticks = now;
                lastBusy = monotonicNanoseconds();
            }
            return msSince(lastBusy, monotonicNanoseconds()) >= kIdleQuietMs;
        },
        timeoutMs, 20);
    return idle ? lastBusy : 0;
}

/// A temporary home with a folder of nine applications, optionally among many empty folders, and that
/// folder's helper, a copy of the built bundle.
class FloodHome {
public:
    explicit FloodHome(int otherFolders = 0, bool inDock = true) : m_folderId(makeUuid()) {
        QDir().mkpath(m_paths.helpersDirectory());
        m_ready =
            QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), bundleDir(), helperPath()}) == 0 &&
            bench::writeHelperInfo(helperPath(), m_folderId) &&
            bench::writeFolderOfApplications(m_paths, m_home.path(), m_folderId) &&
            ((otherFolders == 0 && inDock) || addFolders(otherFolders, inDock));
    }

    [[nodiscard]] bool isReady() const { return m_ready; }
    [[nodiscard]] QString home() const { return m_home.path(); }
    [[nodiscard]] const Paths& paths() const { return m_paths; }
    [[nodiscard]] QString helperPath() const {
        return m_paths.helpersDirectory() + QStringLiteral("/Work.app");
    }
    [[nodiscard]] QString folderIdText() const { return uuidText(m_folderId); }

    [[nodiscard]] bool writeFreshLaunchMarker() const {
        return bench::writeFreshLaunchMarker(m_paths, folderIdText());
    }

private:
    /// Empty folders after the helper's, and the helper's own in the Dock or not (a main application leaves
    /// the helpers of folders outside the Dock alone only when they live elsewhere).
    bool addFolders(int count, bool inDock) {
        QFile written(m_paths.folderFile());
        if (!written.open(QIODevice::ReadOnly)) {
            return false;
        }
        QList<AppFolder> folders = decodeFolderList(written.readAll(), Date::fromTimeIntervalSince1970(0))
                                       .folders.value_or(QList<AppFolder>{});
        written.close();
        for (AppFolder& folder : folders) {
            folder.isInDock = inDock;
        }
        for (int i = 0; i < count; ++i) {
            AppFolder folder;
            folder.id = makeUuid();
            folder.name = QStringLiteral("Folder %1").arg(i);
            folders.append(folder);
        }
        QFile file(m_paths.folderFile());
        return file.open(QIODevice::WriteOnly) && file.write(encodeFolderList(folders)) > 0;
    }

    QTemporaryDir m_home;
    Paths m_paths{m_home.path()};
    QUuid m_folderId;
    bool m_ready = false;
};

/// Starts the helper of `home` as the main application does and waits for its first tile.
std::unique_ptr<ProgramProcess> startHelper(benchmark::State& state, const FloodHome& home,
                                            const BusWatch& bus) {
    if (!home.writeFreshLaunchMarker()) {
        state.SkipWithError("the launch marker could not be written");
        return nullptr;
    }
    auto helper = std::make_unique<ProgramProcess>(
        home.home(), home.helperPath(), QStringList{QStringLiteral("-group"), home.folderIdText()});
    if (!runEventsUntil([&] { return bus.tilesOf(helper->pid()) > 0 || !helper->isRunning(); },
                        kStartDeadlineMs, 20) ||
        !helper->isRunning()) {
        state.SkipWithError("the helper published no tile");
        return nullptr;
    }
    // Its "ON" badge comes and goes, and the bundle icon is written: the helper is then idle.
    (void)runEventsUntil([] { return false; }, 2'500, 100);
    return helper;
}

bool readyToMeasure(benchmark::State& state, const BusWatch& bus, const FloodHome& home) {
    if (!bus.isConnected()) {
        state.SkipWithError("no session bus; run under dbus-run-session");
        return false;
    }
    if (!home.isReady()) {
        state.SkipWithError("the program could not be set up in a temporary home");
        return false;
    }
    return true;
}

/// A helper flooded by `flood`, then clicked: until the popup opens; the tiles it published meanwhile; and
/// SIGTERM right after a second flood.
void measureHelperFlood(benchmark::State& state, const std::function<void(const FloodHome&)>& flood) {
    BusWatch bus;
    FloodHome home;
    if (!readyToMeasure(state, bus, home)) {
        return;
    }
    for (auto _ : state) {
        const std::unique_ptr<ProgramProcess> helper = startHelper(state, home, bus);
        if (!helper) {
            return;
        }
        const int tilesBefore = bus.tilesOf(helper->pid());
        const std::int64_t start = monotonicNanoseconds();
        flood(home);
        sendReopen(home.helperPath());
        if (!runEventsUntil([&] { return bus.lastCloseBroadcastOf(home.folderIdText()) > start; },
                            kDrainDeadlineMs, 20)) {
            state.SkipWithError("the popup did not open");
            return;
        }
        const double popupMs = msSince(start, bus.lastCloseBroadcastOf(home.folderIdText()));
        (void)waitUntilIdle(helper->pid());
        state.counters["popup_after_flood_ms"] = popupMs;
        state.counters["tiles_published"] = bus.tilesOf(helper->pid()) - tilesBefore;

        flood(home);
        // A call that waits for its answer: the flood has left the bench's connection before the signal.
        (void)QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QDBusConnection::sessionBus().baseService());
        state.counters["sigterm_in_flood_ms"] = helper->terminate(kDrainDeadlineMs);
        state.SetIterationTime(popupMs / 1000.0);
    }
}

void BM_HelperTileSizeFlood(benchmark::State& state) {
    measureHelperFlood(state, [](const FloodHome& home) {
        // A 128 or 129 point tile on a screen of 8 pixels per point: drawn at the largest size, 1,024 pixels.
        for (int i = 0; i < kTileSizeFlood; ++i) {
            sendTileSize(home.helperPath(), 128 + i % 2, 8.0);
        }
    });
}
BENCHMARK(BM_HelperTileSizeFlood)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_HelperTileAppearanceFlood(benchmark::State& state) {
    measureHelperFlood(state, [](const FloodHome&) {
        for (int i = 0; i < kTileAppearanceFlood; ++i) {
            post(names::kTSTileAppearanceChanged);
        }
    });
}
BENCHMARK(BM_HelperTileAppearanceFlood)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

/// Starts the main application of `home` and waits until its start-up is done.
std::unique_ptr<ProgramProcess> startMainApplication(benchmark::State& state, const FloodHome& home) {
    auto main = std::make_unique<ProgramProcess>(home.home(), bundleDir(), QStringList{});
    const QString preferences = home.home() + QStringLiteral("/Library/Preferences/app.tessly.Tessly.plist");
    if (!runEventsUntil([&] { return QFileInfo::exists(preferences) || !main->isRunning(); },
                        kStartDeadlineMs, 20) ||
        !main->isRunning() || waitUntilIdle(main->pid()) == 0) {
        state.SkipWithError("the main application did not start");
        return nullptr;
    }
    return main;
}

void BM_MainTileAppearanceFlood(benchmark::State& state) {
    BusWatch bus;
    // Outside the Dock: the main application launches no helper.
    FloodHome home(kFoldersOfMainApplication, false);
    if (!readyToMeasure(state, bus, home)) {
        return;
    }
    for (auto _ : state) {
        const std::unique_ptr<ProgramProcess> main = startMainApplication(state, home);
        if (!main) {
            return;
        }
        const std::int64_t start = monotonicNanoseconds();
        for (int i = 0; i < kMainTileAppearanceFlood; ++i) {
            post(names::kTSTileAppearanceChanged);
        }
        const std::int64_t lastBusy = waitUntilIdle(main->pid());
        if (lastBusy == 0) {
            state.SkipWithError("the main application stayed busy");
            return;
        }
        state.counters["busy_ms"] = msSince(start, lastBusy);
        state.SetIterationTime(msSince(start, lastBusy) / 1000.0);
    }
}
BENCHMARK(BM_MainTileAppearanceFlood)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void reportMemory(benchmark::State& state, const std::string& prefix, qint64 pid) {
    const QString rollup = QStringLiteral("/proc/%1/smaps_rollup").arg(pid);
    state.counters[prefix + "private_dirty_kB"] = static_cast<double>(procField(rollup, "Private_Dirty"));
    state.counters[prefix + "rss_kB"] = static_cast<double>(procField(rollup, "Rss"));
}

void BM_MainPinStatesFlood(benchmark::State& state) {
    BusWatch bus;
    FloodHome home(0, false);
    if (!readyToMeasure(state, bus, home)) {
        return;
    }
    for (auto _ : state) {
        const std::unique_ptr<ProgramProcess> main = startMainApplication(state, home);
        if (!main) {
            return;
        }
        reportMemory(state, "before_", main->pid());
        const std::int64_t start = monotonicNanoseconds();
        for (int i = 0; i < kPinStateFlood; ++i) {
            post(names::kTSDockTilePinStateChanged, std::nullopt,
                 PlistDictionary{{names::kKeyFolderID, uuidText(makeUuid())},
                                 {names::kKeyIsPinned, i % 2 == 0}});
            if (i % 1'000 == 0) {
                // Lets the bench's connection write out what it has queued.
                QCoreApplication::processEvents();
            }
        }
        const std::int64_t lastBusy = waitUntilIdle(main->pid());
        if (lastBusy == 0) {
            state.SkipWithError("the main application stayed busy");
            return;
        }
        state.SetIterationTime(msSince(start, lastBusy) / 1000.0);
        state.counters["busy_ms"] = msSince(start, lastBusy);
        reportMemory(state, "after_", main->pid());
    }
}
BENCHMARK(BM_MainPinStatesFlood)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

/// The replacements of one file, counted from the moves onto its name in its folder.
class FileReplacements {
public:
    explicit FileReplacements(const QString& path) : m_name(QFileInfo(path).fileName().toLocal8Bit()) {
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0) {
            QDir().mkpath(QFileInfo(path).absolutePath());
            ::inotify_add_watch(m_fd, QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                                IN_MOVED_TO | IN_CLOSE_WRITE);
        }
    }
    ~FileReplacements() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    FileReplacements(const FileReplacements&) = delete;
    FileReplacements& operator=(const FileReplacements&) = delete;

    /// The replacements since the last call.
    int take() {
        int count = 0;
        alignas(inotify_event) char buffer[64 * 1024];
        for (;;) {
            const ssize_t length = m_fd >= 0 ? ::read(m_fd, buffer, sizeof buffer) : -1;
            if (length <= 0) {
                return count;
            }
            for (ssize_t offset = 0; offset < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
                if (event->len > 0 && m_name == event->name) {
                    ++count;
                }
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }

private:
    QByteArray m_name;
    int m_fd = -1;
};

void BM_DefaultsRewritesPerBroadcast(benchmark::State& state) {
    BusWatch bus;
    // The folder outside the Dock, and its helper started from elsewhere: the main application leaves it be.
    FloodHome home(0, false);
    if (!readyToMeasure(state, bus, home)) {
        return;
    }
    const QString helperPath = home.home() + QStringLiteral("/Elsewhere/Work.app");
    if (!QDir().mkpath(home.home() + QStringLiteral("/Elsewhere")) ||
        !QDir().rename(home.helperPath(), helperPath)) {
        state.SkipWithError("the helper could not be moved");
        return;
    }
    FileReplacements replacements(home.home() +
                                  QStringLiteral("/Library/Preferences/app.tessly.Tessly.plist"));
    for (auto _ : state) {
        const std::unique_ptr<ProgramProcess> main = startMainApplication(state, home);
        if (!main) {
            return;
        }
        ProgramProcess helper(home.home(), helperPath, {QStringLiteral("-group"), home.folderIdText()});
        if (!runEventsUntil([&] { return bus.tilesOf(helper.pid()) > 0 || !helper.isRunning(); },
                            kStartDeadlineMs, 20) ||
            waitUntilIdle(helper.pid()) == 0) {
            state.SkipWithError("the helper did not start");
            return;
        }
        (void)replacements.take();
        const QString other = uuidText(makeUuid());
        for (int i = 0; i < kCloseBroadcasts; ++i) {
            post(names::kTSCloseNonPinnedPopups, other);
            // As popups are opened one after the other: each broadcast is handled before the next.
            (void)runEventsUntil([] { return false; }, kBroadcastSpacingMs, kBroadcastSpacingMs);
        }
        (void)waitUntilIdle(main->pid());
        (void)waitUntilIdle(helper.pid());
        state.counters["rewrites"] = replacements.take();
        state.counters["broadcasts"] = kCloseBroadcasts;
    }
}
BENCHMARK(BM_DefaultsRewritesPerBroadcast)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly

#include "flood_bench.moc"
