// The folders page in this process, on the offscreen platform, with 1,000 folders of 20 applications each
// (their bundles do not exist: the generic icon is drawn, from the program's resources):
//   - shown: from making the page to its first paint done;
//   - a keystroke in the search field: the list filtered and painted again, for each letter of a search;
//   - scrolling: one step of 40 points, the icons read for the cards that came into view, and the paint,
//     down the whole list (on the real main queue).
//
//   build/bench/mainwindow/folders_page_bench
#include "mainwindow/folders/folders_list_view.h"
#include "mainwindow/main_window_bench_support.h"
#include "shell/bench_support.h"

#include <QApplication>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>

#include <benchmark/benchmark.h>

namespace tessly {
namespace {

using bench::monotonicNanoseconds;
using bench::percentile;

constexpr int kFolders = 1000;
constexpr int kAppsPerFolder = 20;

struct Page : bench::MainWindowBenchProcess {
    Page() { store.setFoldersForTesting(bench::benchFolders(kFolders, kAppsPerFolder)); }
    [[nodiscard]] FoldersListView* make() {
        // The page's own work (reading icons after a frame) on the real main queue.
        return new FoldersListView(FolderCardContext{store,
                                                     settings,
                                                     l10n,
                                                     symbols,
                                                     icons,
                                                     harness.distributed,
                                                     harness.center,
                                                     queue,
                                                     {},
                                                     {},
                                                     {},
                                                     {},
                                                     {}});
    }
};

double millisecondsSince(std::int64_t start) {
    return static_cast<double>(monotonicNanoseconds() - start) / 1e6;
}

void BM_FoldersPageShown(benchmark::State& state) {
    Page page;
    std::vector<double> samples;
    for (auto _ : state) {
        const std::int64_t start = monotonicNanoseconds();
        std::unique_ptr<FoldersListView> view(page.make());
        view->resize(560, 480);
        view->show();
        QCoreApplication::sendPostedEvents();
        view->repaint();
        samples.push_back(millisecondsSince(start));
    }
    state.counters["median_ms"] = percentile(samples, 0.5);
    state.counters["p90_ms"] = percentile(samples, 0.9);
}
BENCHMARK(BM_FoldersPageShown)->Iterations(9)->Unit(benchmark::kMillisecond);

void BM_SearchKeystroke(benchmark::State& state) {
    Page page;
    std::unique_ptr<FoldersListView> view(page.make());
    view->resize(560, 480);
    view->show();
    bench::runEventsUntil([] { return false; }, 200);
    std::vector<double> samples;
    const QString search = QStringLiteral("application 99");
    for (auto _ : state) {
        for (qsizetype length = 1; length <= search.size(); ++length) {
            const std::int64_t start = monotonicNanoseconds();
            view->searchField()->setText(search.left(length));
            QCoreApplication::sendPostedEvents();
            view->repaint();
            samples.push_back(millisecondsSince(start));
        }
        view->searchField()->clear();
        QCoreApplication::sendPostedEvents();
    }
    state.counters["median_ms"] = percentile(samples, 0.5);
    state.counters["p90_ms"] = percentile(samples, 0.9);
    state.counters["max_ms"] = percentile(samples, 1.0);
}
BENCHMARK(BM_SearchKeystroke)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_ScrollStep(benchmark::State& state) {
    Page page;
    std::unique_ptr<FoldersListView> view(page.make());
    view->resize(560, 480);
    view->show();
    bench::runEventsUntil([] { return false; }, 200);
    QScrollBar* bar = view->findChild<QScrollArea*>()->verticalScrollBar();
    std::vector<double> samples;
    for (auto _ : state) {
        for (int value = 0; value < bar->maximum(); value += 40) {
            const std::int64_t start = monotonicNanoseconds();
            bar->setValue(value);
            QCoreApplication::processEvents(); // the icons read for the cards that came into view
            view->repaint();
            samples.push_back(millisecondsSince(start));
        }
        bar->setValue(0);
    }
    state.counters["median_ms"] = percentile(samples, 0.5);
    state.counters["p90_ms"] = percentile(samples, 0.9);
    state.counters["max_ms"] = percentile(samples, 1.0);
    state.counters["steps"] = static_cast<double>(samples.size());
}
BENCHMARK(BM_ScrollStep)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
