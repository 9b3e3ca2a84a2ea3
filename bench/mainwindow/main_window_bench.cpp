// The main window in this process, on the offscreen platform (or the display QT_QPA_PLATFORM names), with the
// program's string tables, symbols and three folders:
//   - a change of tab: each frame of the window's resize animation (the window set to the next size of the
//     animation, laid out and painted at once), over every pair of pages;
//   - the memory the window adds: Private_Dirty of this process before the window, with the folders page, and
//     after each settings page has been shown (pages are made when first shown and kept).
//
//   build/bench/mainwindow/main_window_bench
#include "mainwindow/main_window_bench_support.h"
#include "mainwindow/main_window_maker.h"
#include "platform/software_updater.h"
#include "shell/bench_support.h"
#include "support/shell_doubles.h"

#include <QApplication>

#include <benchmark/benchmark.h>

namespace tessly {
namespace {

using bench::monotonicNanoseconds;
using bench::percentile;
using bench::procField;

/// The steps of a resize animation of a quarter of a second at 60 frames a second.
constexpr int kFramesPerChange = 15;
constexpr std::array<NavigationPage, 5> kPages{NavigationPage::allFolders, NavigationPage::general,
                                               NavigationPage::tile, NavigationPage::popup,
                                               NavigationPage::about};

class QuietUpdater final : public SoftwareUpdater {
public:
    void start() override {}
    void checkForUpdates() override {}
};

struct Program : bench::MainWindowBenchProcess {
    Program() {
        settings.setHasCompletedOnboarding(true);
        store.setFoldersForTesting(bench::benchFolders(3, 0));
    }
    [[nodiscard]] MainWindowView* makeWindow() {
        return makeMainWindow(MainWindowServices{settings,
                                                 store,
                                                 l10n,
                                                 bundle,
                                                 symbols,
                                                 icons,
                                                 updater,
                                                 controller,
                                                 queue,
                                                 harness.center,
                                                 harness.distributed,
                                                 {}});
    }

    QuietUpdater updater;
    testing::RecordingApplication application;
    MainWindowController controller{application, queue, harness.center, settings};
};

qint64 privateDirtyKilobytes() {
    return procField(QStringLiteral("/proc/self/smaps_rollup"), "Private_Dirty");
}

void BM_TabChangeResizeFrame(benchmark::State& state) {
    Program program;
    MainWindowView* window = program.makeWindow();
    window->show();
    bench::runEventsUntil([] { return false; }, 300);
    std::vector<double> frames;
    for (auto _ : state) {
        for (const NavigationPage from : kPages) {
            for (const NavigationPage to : kPages) {
                if (from == to) {
                    continue;
                }
                window->select(from);
                bench::runEventsUntil([] { return false; }, 300); // its own animation over
                const QRect start = window->geometry();
                window->select(to);
                bench::runEventsUntil([] { return false; }, 300);
                const QRect end = window->geometry();
                // The frames of that change again, one by one, each laid out and painted at once.
                for (int frame = 1; frame <= kFramesPerChange; ++frame) {
                    const double t = static_cast<double>(frame) / kFramesPerChange;
                    const QRect step(
                        start.topLeft(),
                        QSize(start.width() + static_cast<int>(t * (end.width() - start.width())),
                              start.height() + static_cast<int>(t * (end.height() - start.height()))));
                    const std::int64_t begin = monotonicNanoseconds();
                    window->setGeometry(step);
                    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
                    window->repaint();
                    frames.push_back(static_cast<double>(monotonicNanoseconds() - begin) / 1e6);
                }
            }
        }
    }
    state.counters["frame_median_ms"] = percentile(frames, 0.5);
    state.counters["frame_p90_ms"] = percentile(frames, 0.9);
    state.counters["frame_max_ms"] = percentile(frames, 1.0);
    delete window;
}
BENCHMARK(BM_TabChangeResizeFrame)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_MainWindowMemoryByPage(benchmark::State& state) {
    for (auto _ : state) {
        Program program;
        const qint64 before = privateDirtyKilobytes();
        MainWindowView* window = program.makeWindow();
        window->show();
        bench::runEventsUntil([] { return false; }, 500);
        state.counters["folders_added_kB"] = static_cast<double>(privateDirtyKilobytes() - before);
        for (const auto& [page, name] :
             {std::pair{NavigationPage::general, "general"}, std::pair{NavigationPage::tile, "appearance"},
              std::pair{NavigationPage::popup, "popup"}, std::pair{NavigationPage::about, "about"}}) {
            window->select(page);
            bench::runEventsUntil([] { return false; }, 500);
            state.counters[std::string("with_") + name + "_added_kB"] =
                static_cast<double>(privateDirtyKilobytes() - before);
        }
        state.counters["process_private_dirty_kB"] = static_cast<double>(privateDirtyKilobytes());
        delete window;
    }
}
BENCHMARK(BM_MainWindowMemoryByPage)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
