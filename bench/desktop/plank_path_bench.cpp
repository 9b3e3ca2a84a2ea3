// The whole program in a dock people use: the real Plank and Tessly from the built bundle on a virtual X
// server with a window manager and the compositor, on the session bus, in a temporary home whose folders each
// hold nine applications. Folders in the Dock are Plank launchers; no helper runs until one is clicked.
//   - A click on a launcher to its popup on screen, cold (no helper running): the pointer rests on the item
//     (Plank's label of it shown), then from the click (xdotool, so its start-up is included; the counter
//     xdotool_ms says how long one takes) until a pixel inside where the popup shows has changed on the
//     screen, read back from the X server. Between samples the popup is closed by a click on the empty
//     desktop and the helper is left to quit by itself; helper_quit_s is how long it took after its popup
//     went, and helper_started_ms when the helper's process began after the click (to the kernel's 10 ms
//     tick).
//   - Memory with 30 folders kept in Plank, once settled: Private_Dirty and Pss from /proc/PID/smaps_rollup
//   of
//     every process of Tessly (the main application alone, helpers counted apart) and of Plank.
//   - A tile change to the new icon in Plank: the user clicks the theme switch of the main window's title bar
//     (the folders' glass tiles follow the theme, so the main application redraws every launcher's icon), and
//     the time runs until the pixels of the last folder's item in Plank have changed; entry_written_ms is
//     when that folder's desktop entry on disk named the new icon.
//
//   dbus-run-session -- build/bench/desktop/plank_path_bench
//   dbus-run-session -- build/bench/desktop/plank_path_bench --benchmark_filter=Click
#include "desktop/screen_pixel.h"
#include "helpers/launcher_entries.h"
#include "model/folder_json.h"
#include "model/uuid_text.h"
#include "platform/linux/application_linux.h"
#include "platform/paths.h"
#include "platform/property_list.h"
#include "shell/bench_support.h"
#include "support/temp_home.h"
#include "support/virtual_desktop.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QPoint>
#include <QRect>
#include <QStandardPaths>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tessly {
namespace {

using bench::monotonicNanoseconds;
using bench::percentile;
using bench::procField;
using bench::ScreenPixel;
using testing::VirtualDesktop;

constexpr int kDeadlineMs = 60'000;
constexpr std::int64_t kDeadlineNanoseconds = std::int64_t{kDeadlineMs} * 1'000'000;
constexpr int kClickSamples = 18;
constexpr int kTileChangeSamples = 12;
/// Plank's 48-point items stand this far below the point GetHoverPosition gives, at their middle.
constexpr int kItemMiddleBelowHover = 33;
/// Where a click lands on nothing: the empty desktop, away from every window.
constexpr int kAwayX = 40;
constexpr int kAwayY = 40;
const QString kPlankService = QStringLiteral("net.launchpad.plank");
const QString kBundleIdentifier = QStringLiteral("app.tessly.Tessly");

/// Sleeps about a millisecond: the screen is read often, yet the two cores stay free for the programs.
void nap() {
    ::usleep(1'000);
}

/// Waits, reading `current` every millisecond, until it differs from `before`: the nanoseconds since `start`,
/// or -1 past the deadline. `alongside` runs at every reading.
template <typename Value>
std::int64_t untilChanged(const Value& before, const std::function<Value()>& current, std::int64_t start,
                          const std::function<void()>& alongside = {}) {
    while (current() == before) {
        if (monotonicNanoseconds() - start > kDeadlineNanoseconds) {
            return -1;
        }
        if (alongside) {
            alongside();
        }
        nap();
    }
    return monotonicNanoseconds() - start;
}

/// The time since boot, in nanoseconds: the clock a process's start time in /proc/PID/stat counts on.
[[nodiscard]] std::int64_t bootTimeNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

/// When the process started, in nanoseconds since boot (to the kernel's clock tick, 10 ms here); -1 when
/// unknown.
[[nodiscard]] std::int64_t processStartNanoseconds(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    // After the parenthesised name: the state is the third field, the start time the twenty-second.
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20) {
        return -1;
    }
    return fields.at(19).toLongLong() * (1'000'000'000 / sysconf(_SC_CLK_TCK));
}

/// Plank and Tessly running on a desktop of their own, with `folderCount` folders in the Dock.
class PlankSession {
public:
    /// Empty when the session runs and Plank shows every folder's launcher in place; else why not.
    QString start(int folderCount, const std::function<void(TileStyleSettings&)>& style = {}) {
        if (const QString missing = VirtualDesktop::missingTools(VirtualDesktop::withCompositor);
            !missing.isEmpty()) {
            return missing;
        }
        if (QStandardPaths::findExecutable("plank").isEmpty()) {
            return QStringLiteral("needs plank (scripts/install-deps)");
        }
        if (QDBusConnection::sessionBus().interface()->isServiceRegistered(kPlankService)) {
            return QStringLiteral("another Plank runs on this bus");
        }
        const Paths paths(m_home.path());
        if (!bench::writeFolderOfApplications(paths, m_home.path(), makeUuid())) {
            return QStringLiteral("cannot write the folder file");
        }
        // The nine applications, in as many folders as asked.
        const auto written = decodeFolderList(testing::TempHome::read(paths.folderFile()), Date());
        for (int index = 1; index <= folderCount; ++index) {
            AppFolder folder = written.folders->first();
            folder.id = makeUuid();
            folder.name = QStringLiteral("Folder %1").arg(index);
            if (style) {
                style(folder.tileStyle);
            }
            m_folders.append(folder);
        }
        m_home.write("Library/Application Support/Tessly/folders.json", encodeFolderList(m_folders));

        if (!m_desktop.start(m_home.path(), VirtualDesktop::withCompositor)) {
            return QStringLiteral("the virtual desktop did not start");
        }
        m_screen = std::make_unique<ScreenPixel>(m_desktop.environment().value("DISPLAY"));
        QProcessEnvironment environment = m_desktop.environment();
        environment.insert("XDG_CONFIG_HOME", m_home.path() + "/.config");
        environment.insert("XDG_DATA_HOME", m_home.path() + "/.local/share");
        environment.remove("XDG_CURRENT_DESKTOP");
        // Plank's own settings stay in its process: this bus has no dconf of this home.
        environment.insert("GSETTINGS_BACKEND", "memory");
        for (QProcess* process : {&m_plank, &m_tessly}) {
            process->setProcessEnvironment(environment);
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        }
        m_plank.start(QStandardPaths::findExecutable("plank"), {});
        // The name comes first, the items object a moment later.
        if (!bench::runEventsUntil([] { return plank("GetCount").type() == QDBusMessage::ReplyMessage; },
                                   kDeadlineMs)) {
            return QStringLiteral("Plank did not offer its items on the bus");
        }
        m_tessly.start(QStringLiteral(TESSLY_BUNDLE_DIR "/Contents/MacOS/Tessly"), {});
        if (!bench::runEventsUntil(
                [&] {
                    const QStringList kept = keptLaunchers();
                    return std::all_of(m_folders.cbegin(), m_folders.cend(), [&](const AppFolder& folder) {
                        return kept.contains(entryUri(folder));
                    });
                },
                kDeadlineMs)) {
            return QStringLiteral("not every folder's launcher is among Plank's items");
        }
        // Plank slides new items in from the screen's edge: their places are read once they stay put.
        QList<QPoint> last;
        const bool settled = bench::runEventsUntil(
            [&] {
                QList<QPoint> now;
                for (const AppFolder& folder : m_folders) {
                    now.append(hoverPoint(folder).value_or(QPoint(-1, -1)));
                }
                const bool same = now == last && !now.contains(QPoint(-1, -1));
                last = now;
                bench::runEventsUntil([] { return false; }, 150);
                return same;
            },
            kDeadlineMs);
        if (!settled) {
            return QStringLiteral("Plank's items did not come to rest");
        }
        m_places = last;
        return {};
    }
    ~PlankSession() {
        for (QProcess* process : {&m_tessly, &m_plank}) {
            process->terminate();
            process->waitForFinished(10'000);
        }
        m_screen.reset();
        m_desktop.stop();
    }

    /// Where Plank said the folder's item is once it came to rest: the point just above it (y down).
    [[nodiscard]] QPoint place(int index) const { return m_places.value(index); }
    /// The folder's desktop entry as it is on disk now.
    [[nodiscard]] QByteArray entry(int index) const {
        return testing::TempHome::read(m_home.path() + "/.local/share/applications/" +
                                       launcherEntryId(kBundleIdentifier, m_folders.value(index).id));
    }
    [[nodiscard]] int folderCount() const { return static_cast<int>(m_folders.size()); }
    [[nodiscard]] const VirtualDesktop& desktop() const { return m_desktop; }
    [[nodiscard]] const ScreenPixel& screen() const { return *m_screen; }
    [[nodiscard]] qint64 plankProcess() const { return m_plank.processId(); }
    [[nodiscard]] qint64 mainProcess() const { return m_tessly.processId(); }

    /// The processes whose program lies in a helper bundle.
    [[nodiscard]] QList<qint64> helperProcesses() const {
        const QString helpers =
            QFileInfo(m_home.path()).canonicalFilePath() + "/Library/Application Support/Tessly/Helpers/";
        return processesWhere([&](const QString& program) { return program.startsWith(helpers); });
    }
    /// Every process of Tessly's: the main application's bundle and the helpers.
    [[nodiscard]] QList<qint64> tesslyProcesses() const {
        const QString bundle = QFileInfo(QStringLiteral(TESSLY_BUNDLE_DIR)).canonicalFilePath() + "/";
        QList<qint64> processes =
            processesWhere([&](const QString& program) { return program.startsWith(bundle); });
        return processes + helperProcesses();
    }

    /// Moves the pointer there, and clicks when asked; both in one run of xdotool.
    void pointAt(QPoint point, bool click) const {
        QStringList arguments{"mousemove", QString::number(point.x()), QString::number(point.y())};
        if (click) {
            arguments += QStringList{"click", "1"};
        }
        m_desktop.run("xdotool", arguments);
    }
    void click() const { m_desktop.run("xdotool", {"click", "1"}); }

    /// Asks the main application to show its window, as a click on its icon does; its frame once steady, or
    /// nothing when it did not show.
    std::optional<QHash<QString, int>> openMainWindow() const {
        QDBusMessage reopen =
            QDBusMessage::createSignal(kApplicationPath, kApplicationInterface, kApplicationReopenMember);
        reopen << QFileInfo(QStringLiteral(TESSLY_BUNDLE_DIR)).canonicalFilePath();
        QDBusConnection::sessionBus().send(reopen);
        if (!bench::runEventsUntil([&] { return m_desktop.visibleWindowsOf(mainProcess()).size() == 1; },
                                   kDeadlineMs)) {
            return std::nullopt;
        }
        // Its resize animation over.
        QHash<QString, int> last;
        QElapsedTimer steady;
        steady.start();
        bench::runEventsUntil(
            [&] {
                const QHash<QString, int> now =
                    m_desktop.geometry(m_desktop.visibleWindowsOf(mainProcess()).value(0));
                if (now != last) {
                    last = now;
                    steady.restart();
                }
                return steady.elapsed() > 500;
            },
            kDeadlineMs);
        return last;
    }

    /// The main application's stored theme ("dark", "light"), or nothing when it stored none.
    [[nodiscard]] QString storedTheme() const {
        const auto defaults =
            readPropertyListFile(m_home.path() + "/Library/Preferences/" + kBundleIdentifier + ".plist");
        const PlistValue* theme = defaults && defaults->root.asDictionary()
                                      ? defaults->root.asDictionary()->find("appTheme")
                                      : nullptr;
        return theme && theme->asString() ? *theme->asString() : QString();
    }

private:
    static QDBusMessage plank(const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(kPlankService, "/net/launchpad/plank/dock1",
                                                           "net.launchpad.plank.Items", method);
        call.setArguments(arguments);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, 2'000);
    }
    [[nodiscard]] static QStringList keptLaunchers() {
        const QDBusMessage reply = plank("GetPersistentApplications");
        return reply.arguments().isEmpty() ? QStringList() : reply.arguments().first().toStringList();
    }
    [[nodiscard]] QString entryUri(const AppFolder& folder) const {
        return QUrl::fromLocalFile(m_home.path() + "/.local/share/applications/" +
                                   launcherEntryId(kBundleIdentifier, folder.id))
            .toString();
    }
    [[nodiscard]] std::optional<QPoint> hoverPoint(const AppFolder& folder) const {
        const QList<QVariant> answer = plank("GetHoverPosition", {entryUri(folder)}).arguments();
        if (answer.size() != 4 || !answer.at(3).toBool()) {
            return std::nullopt;
        }
        return QPoint(answer.at(0).toInt(), answer.at(1).toInt());
    }
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
    std::unique_ptr<ScreenPixel> m_screen;
    QProcess m_plank;
    QProcess m_tessly;
    QList<AppFolder> m_folders;
    QList<QPoint> m_places;
};

/// Private_Dirty and Pss of the processes together, in kB.
void reportMemory(benchmark::State& state, const std::string& prefix, const QList<qint64>& processes) {
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
}

/// The one visible window of the first helper that runs, or nothing.
std::optional<QString> helperWindow(const PlankSession& session) {
    for (const qint64 helper : session.helperProcesses()) {
        const QStringList windows = session.desktop().visibleWindowsOf(helper);
        if (windows.size() == 1) {
            return windows.first();
        }
    }
    return std::nullopt;
}

/// Closes the open popup with a click on the empty desktop and waits until its helper has quit by itself: the
/// seconds from the popup gone to the helper gone, or -1 when either did not happen.
double closePopupAndWaitForTheHelperToQuit(const PlankSession& session) {
    session.pointAt(QPoint(kAwayX, kAwayY), true);
    if (!bench::runEventsUntil([&] { return !helperWindow(session); }, kDeadlineMs)) {
        return -1;
    }
    const std::int64_t closed = monotonicNanoseconds();
    if (!bench::runEventsUntil([&] { return session.helperProcesses().isEmpty(); }, kDeadlineMs, 20)) {
        return -1;
    }
    return static_cast<double>(monotonicNanoseconds() - closed) / 1e9;
}

void BM_PlankClickOnALauncherToItsPopupOnScreen_Cold(benchmark::State& state) {
    for (auto _ : state) {
        PlankSession session;
        if (const QString error = session.start(1); !error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        if (!session.helperProcesses().isEmpty()) {
            state.SkipWithError("a helper runs before any click");
            return;
        }
        const QPoint item = session.place(0) + QPoint(0, kItemMiddleBelowHover);

        // Where the popup shows: learnt from a first opening, once it followed Plank's bounce of the item.
        session.pointAt(item, true);
        if (!bench::runEventsUntil([&] { return helperWindow(session).has_value(); }, kDeadlineMs)) {
            state.SkipWithError("the popup did not open");
            return;
        }
        QHash<QString, int> frame;
        QElapsedTimer steady;
        steady.start();
        bench::runEventsUntil(
            [&] {
                const QHash<QString, int> now =
                    session.desktop().geometry(helperWindow(session).value_or(""));
                if (now != frame) {
                    frame = now;
                    steady.restart();
                }
                return steady.elapsed() > 600;
            },
            kDeadlineMs);
        // Inside the plate, between the header and the grid, clear of the transparent margin and far above
        // Plank's label of the item.
        const int x = frame["X"] + frame["WIDTH"] / 2;
        const int y = frame["Y"] + frame["HEIGHT"] / 3;
        if (closePopupAndWaitForTheHelperToQuit(session) < 0) {
            state.SkipWithError("the popup did not close, or its helper did not quit");
            return;
        }

        std::vector<double> samples;
        std::vector<double> quits;
        std::vector<double> helperStarts;
        for (int sample = 0; sample < kClickSamples; ++sample) {
            // On the item, its label shown, before the press.
            session.pointAt(item, false);
            bench::runEventsUntil([] { return false; }, 600);
            const std::uint32_t closed = session.screen().at(x, y);
            const std::int64_t bootStart = bootTimeNanoseconds();
            const std::int64_t start = monotonicNanoseconds();
            session.click();
            const std::int64_t elapsed = untilChanged<std::uint32_t>(
                closed, [&] { return session.screen().at(x, y); }, start);
            if (elapsed < 0) {
                state.SkipWithError("the popup never showed");
                return;
            }
            samples.push_back(static_cast<double>(elapsed) / 1e6);
            if (!bench::runEventsUntil([&] { return helperWindow(session).has_value(); }, kDeadlineMs)) {
                state.SkipWithError("what changed on screen was not the helper's popup");
                return;
            }
            if (const std::int64_t started = processStartNanoseconds(session.helperProcesses().value(0));
                started >= 0) {
                helperStarts.push_back(static_cast<double>(started - bootStart) / 1e6);
            }
            const double quit = closePopupAndWaitForTheHelperToQuit(session);
            if (quit < 0) {
                state.SkipWithError("the popup did not close, or its helper did not quit");
                return;
            }
            quits.push_back(quit);
        }
        // What one run of xdotool costs, included in every sample.
        std::vector<double> runs;
        for (int run = 0; run < 10; ++run) {
            const std::int64_t start = monotonicNanoseconds();
            session.desktop().run("xdotool", {"getmouselocation"});
            runs.push_back(static_cast<double>(monotonicNanoseconds() - start) / 1e6);
        }
        state.counters["median_ms"] = percentile(samples, 0.5);
        state.counters["p90_ms"] = percentile(samples, 0.9);
        state.counters["min_ms"] = percentile(samples, 0.0);
        state.counters["max_ms"] = percentile(samples, 1.0);
        state.counters["helper_quit_s"] = percentile(quits, 0.5);
        state.counters["helper_started_ms"] = percentile(helperStarts, 0.5);
        state.counters["xdotool_ms"] = percentile(runs, 0.5);
    }
}
BENCHMARK(BM_PlankClickOnALauncherToItsPopupOnScreen_Cold)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ThirtyFoldersInPlank_Memory(benchmark::State& state) {
    for (auto _ : state) {
        PlankSession session;
        if (const QString error = session.start(30); !error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        // The launchers' icons written and drawn, the start-up's delayed work over.
        bench::runEventsUntil([] { return false; }, 6'000);
        reportMemory(state, "tessly_", session.tesslyProcesses());
        reportMemory(state, "main_", {session.mainProcess()});
        reportMemory(state, "helpers_", session.helperProcesses());
        reportMemory(state, "plank_", {session.plankProcess()});
    }
}
BENCHMARK(BM_ThirtyFoldersInPlank_Memory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_PlankTileChangeToTheNewIconShown(benchmark::State& state) {
    const int folderCount = static_cast<int>(state.range(0));
    for (auto _ : state) {
        PlankSession session;
        // Glass tiles: white whatever the colour, more or less opaque with the theme.
        const QString error = session.start(folderCount, [](TileStyleSettings& style) {
            style.backgroundMode = TileBackgroundMode::glass;
            style.opacity = 1.0;
        });
        if (!error.isEmpty()) {
            state.SkipWithError(error.toUtf8().constData());
            return;
        }
        const std::optional<QHash<QString, int>> window = session.openMainWindow();
        if (!window) {
            state.SkipWithError("the main window did not open");
            return;
        }
        // The theme switch ends the title bar: 5 points of resize band, 9 of margin, half its 35-point width;
        // level with the 46-point bar.
        const QPoint themeSwitch((*window)["X"] + (*window)["WIDTH"] - 5 - 9 - 17, (*window)["Y"] + 23);
        // The upper middle of the last folder's item: the icon whatever size Plank gives it to fit them all.
        const QPoint above = session.place(folderCount - 1);
        const QRect icon(above.x() - 6, above.y() + 14, 12, 16);
        const auto iconPixels = [&] {
            return session.screen().area(icon.x(), icon.y(), icon.width(), icon.height());
        };
        session.pointAt(themeSwitch, false);

        std::vector<double> samples;
        std::vector<double> entryWrites;
        for (int sample = 0; sample < kTileChangeSamples; ++sample) {
            // The item at rest: unchanged for half a second.
            QByteArray before;
            QElapsedTimer still;
            still.start();
            bench::runEventsUntil(
                [&] {
                    const QByteArray now = iconPixels();
                    if (now != before) {
                        before = now;
                        still.restart();
                    }
                    return still.elapsed() > 500;
                },
                kDeadlineMs, 20);
            const QString theme = session.storedTheme();
            const QByteArray entryBefore = session.entry(folderCount - 1);
            std::int64_t written = -1;
            const std::int64_t start = monotonicNanoseconds();
            session.click();
            const std::int64_t elapsed = untilChanged<QByteArray>(before, iconPixels, start, [&] {
                if (written < 0 && session.entry(folderCount - 1) != entryBefore) {
                    written = monotonicNanoseconds() - start;
                }
            });
            if (elapsed < 0) {
                state.SkipWithError(session.storedTheme() == theme
                                        ? "the click did not reach the theme switch"
                                        : "Plank never showed the new icon");
                return;
            }
            samples.push_back(static_cast<double>(elapsed) / 1e6);
            if (written >= 0) {
                entryWrites.push_back(static_cast<double>(written) / 1e6);
            }
        }
        state.counters["median_ms"] = percentile(samples, 0.5);
        state.counters["p90_ms"] = percentile(samples, 0.9);
        state.counters["min_ms"] = percentile(samples, 0.0);
        state.counters["max_ms"] = percentile(samples, 1.0);
        state.counters["entry_written_ms"] = percentile(entryWrites, 0.5);
        state.counters["entry_seen_written"] = static_cast<double>(entryWrites.size());
    }
}
BENCHMARK(BM_PlankTileChangeToTheNewIconShown)
    ->ArgName("folders")
    ->Arg(1)
    ->Arg(30)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
