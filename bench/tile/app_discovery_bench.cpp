// Application discovery over a machine with 500 application bundles spread over the six scanned directories,
// each with a real application's Info.plist (its identifier made unique).
//
//   build/bench/tile/app_discovery_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "platform/property_list.h"
#include "tile/app_discovery.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace tessly {
namespace {

constexpr int kBundles = 500;

/// The scan is measured directly; nothing is queued.
class UnusedQueue final : public MainQueue {
public:
    void schedule(WorkItemPtr, double) override {}
};

struct Machine {
    Machine() {
        discovery.setSystemRootForTesting(root.path());
        auto info = readPropertyListFile(
            QStringLiteral(TESSLY_SOURCE_DIR "/tests/unit/tile/fixtures/built-bundle-name-only.plist"));
        if (!info || !info->root.isDictionary()) {
            return;
        }
        const QStringList directories = discovery.scanDirectories();
        for (int i = 0; i < kBundles; ++i) {
            info->root.asDictionary()->set("CFBundleIdentifier", QStringLiteral("com.example.app%1").arg(i));
            info->root.asDictionary()->set("CFBundleName", QStringLiteral("Application %1").arg(i));
            const QString contents =
                directories[i % directories.size()] + QStringLiteral("/Application %1.app/Contents").arg(i);
            QDir().mkpath(contents);
            (void)writePropertyListFile(contents + QStringLiteral("/Info.plist"), info->root,
                                        PlistFormat::Xml);
        }
    }

    QTemporaryDir root;
    UnusedQueue queue;
    AppDiscovery discovery{root.path() + QStringLiteral("/home"), queue,
                           [] { return QLocale(QStringLiteral("en")); }};
};

void BM_DiscoverApps500(benchmark::State& state) {
    static Machine machine;
    qsizetype found = 0;
    for (auto _ : state) {
        found = machine.discovery.discoverAppsNow().size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["apps"] = static_cast<double>(found);
}
BENCHMARK(BM_DiscoverApps500)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
