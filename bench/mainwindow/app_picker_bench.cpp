// The application picker over a machine of 500 applications (bundles with icons of their own, in a temporary
// folder), on the real main queue and workspace icons, offscreen unless QT_QPA_PLATFORM says otherwise:
//   - open to first paint: from making the picker (which scans the machine) until its grid has painted the
//     cells of the first screen, median of the runs; and until the icons of those cells are painted too;
//   - a keystroke in the search field: the text set, the grid filtered and repainted at once.
//
//   build/bench/mainwindow/app_picker_bench --benchmark_min_time=1x
#include "discovery/app_discovery.h"
#include "mainwindow/editor/app_picker_view.h"
#include "mainwindow/folders/app_icon_cache.h"
#include "mainwindow/main_window_bench_support.h"
#include "platform/property_list.h"
#include "shell/bench_support.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace tessly {
namespace {

using bench::monotonicNanoseconds;
using bench::percentile;

constexpr int kApplications = 500;
constexpr int kRuns = 15;

/// 500 bundles in `root`/Applications, each with an identifier, a name and a PNG icon; some share a word.
void writeMachine(const QString& root) {
    QImage icon(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int i = 0; i < kApplications; ++i) {
        const QString name =
            QStringLiteral("%1 App %2").arg(i % 3 == 0 ? "Studio" : "Tool").arg(i, 3, 10, QLatin1Char('0'));
        const QString contents =
            root + QStringLiteral("/Applications/") + name + QStringLiteral(".app/Contents");
        QDir().mkpath(contents + QStringLiteral("/Resources"));
        (void)writePropertyListFile(
            contents + QStringLiteral("/Info.plist"),
            PlistDictionary{{"CFBundleIdentifier", QStringLiteral("bench.app.%1").arg(i)},
                            {"CFBundleName", name},
                            {"CFBundleIconFile", QStringLiteral("AppIcon")}},
            PlistFormat::Xml);
        icon.fill(QColor::fromHsv(i * 7 % 360, 160, 220));
        icon.save(contents + QStringLiteral("/Resources/AppIcon.png"));
    }
}

/// Counts the paints of a widget.
class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

struct Machine : bench::MainWindowBenchProcess {
    Machine() { writeMachine(harness.home.path() + QStringLiteral("/machine")); }

    [[nodiscard]] AppPickerView* makePicker(const AppDiscovery& discovery) {
        return new AppPickerView(
            AppPickerView::Parts{settings, l10n, symbols, icons, queue,
                                 [&discovery](std::function<void(QList<AppItem>)> done) {
                                     discovery.discoverApps(std::move(done));
                                 }},
            {QStringLiteral("bench.app.3")}, [](const QList<AppItem>&) {}, [] {});
    }
};

void BM_AppPickerOpenToFirstPaint(benchmark::State& state) {
    Machine machine;
    AppDiscovery discovery(machine.harness.home.path(), machine.queue,
                           [] { return QLocale(QStringLiteral("en")); });
    discovery.setSystemRootForTesting(machine.harness.home.path() + QStringLiteral("/machine"));
    std::vector<double> firstPaint;
    std::vector<double> iconsPainted;
    std::vector<double> keystroke;
    for (auto _ : state) {
        for (int run = 0; run < kRuns; ++run) {
            PaintCounter counter;
            const std::int64_t begin = monotonicNanoseconds();
            AppPickerView* picker = machine.makePicker(discovery);
            picker->grid()->viewport()->installEventFilter(&counter);
            // Only a paint after the list arrived counts.
            QObject::connect(picker->grid()->model(), &QAbstractItemModel::modelReset, &counter,
                             [&counter] { counter.paints = 0; });
            picker->resize(picker->sizeHint());
            picker->show();
            // The first paint of the grid with the applications in it.
            const bool painted = bench::runEventsUntil(
                [&] { return picker->hasApplications() && counter.paints > 0; }, 10'000, 1);
            const std::int64_t listed = monotonicNanoseconds();
            if (!painted || picker->selection().applications().size() != kApplications) {
                state.SkipWithError("the picker did not list the machine's applications");
                delete picker;
                return;
            }
            firstPaint.push_back(static_cast<double>(listed - begin) / 1e6);
            // Then the icons of the cells on screen, read after the frame.
            const AppIconCache* cache = picker->findChild<AppIconCache*>();
            (void)bench::runEventsUntil(
                [&] { return cache && cache->pendingPaths().isEmpty() && counter.paints > 1; }, 10'000, 1);
            iconsPainted.push_back(static_cast<double>(monotonicNanoseconds() - begin) / 1e6);

            const std::int64_t typed = monotonicNanoseconds();
            picker->searchField()->setText(QStringLiteral("studio app 1"));
            picker->grid()->viewport()->repaint();
            keystroke.push_back(static_cast<double>(monotonicNanoseconds() - typed) / 1e6);
            delete picker;
            bench::runEventsUntil([] { return false; }, 20);
        }
    }
    state.counters["open_to_first_paint_median_ms"] = percentile(firstPaint, 0.5);
    state.counters["open_to_first_paint_max_ms"] = percentile(firstPaint, 1.0);
    state.counters["open_to_icons_painted_median_ms"] = percentile(iconsPainted, 0.5);
    state.counters["search_keystroke_median_ms"] = percentile(keystroke, 0.5);
}
BENCHMARK(BM_AppPickerOpenToFirstPaint)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
