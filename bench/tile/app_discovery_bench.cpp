// Application discovery over a machine with 500 application bundles spread over the six scanned directories,
// each with a real application's Info.plist (its identifier made unique), alone and with 2,000 desktop
// entries in a user's and a system's application directory, copies of the entries installed on this machine
// (their identifiers made unique), read through the Linux adapter.
//
//   build/bench/tile/app_discovery_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "discovery/app_discovery.h"
#include "platform/linux/desktop_applications_linux.h"
#include "platform/property_list.h"

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

constexpr int kDesktopEntries = 2000;

/// The same machine with desktop entries besides the bundles; a tenth of them in the user's directory, of
/// which some override a system entry.
struct MachineWithEntries : Machine {
    MachineWithEntries() {
        const QDir installed(QStringLiteral("/usr/share/applications"));
        QList<QByteArray> templates;
        for (const QString& name : installed.entryList({QStringLiteral("*.desktop")}, QDir::Files)) {
            QFile file(installed.filePath(name));
            if (file.open(QIODevice::ReadOnly)) {
                templates.append(file.readAll());
            }
        }
        if (templates.isEmpty()) {
            return;
        }
        QDir().mkpath(user);
        QDir().mkpath(system);
        for (int i = 0; i < kDesktopEntries; ++i) {
            const QString directory = i % 10 == 0 ? user : system;
            QFile file(directory + QStringLiteral("/org.example.App%1.desktop").arg(i % 1900));
            if (file.open(QIODevice::WriteOnly)) {
                file.write(templates[i % templates.size()]);
            }
        }
    }

    QString user = root.path() + QStringLiteral("/home/.local/share/applications");
    QString system = root.path() + QStringLiteral("/usr/share/applications");
    LinuxDesktopApplications entries{{user, system}};
    AppDiscovery discoveryWithEntries{root.path() + QStringLiteral("/home"), queue,
                                      [] { return QLocale(QStringLiteral("uk")); }, &entries};
};

void BM_DiscoverApps500And2000DesktopEntries(benchmark::State& state) {
    static MachineWithEntries machine;
    machine.discoveryWithEntries.setSystemRootForTesting(machine.root.path());
    qsizetype found = 0;
    for (auto _ : state) {
        found = machine.discoveryWithEntries.discoverAppsNowForTesting().size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["apps"] = static_cast<double>(found);
}
BENCHMARK(BM_DiscoverApps500And2000DesktopEntries)->Unit(benchmark::kMillisecond);

void BM_DiscoverApps500(benchmark::State& state) {
    static Machine machine;
    qsizetype found = 0;
    for (auto _ : state) {
        found = machine.discovery.discoverAppsNowForTesting().size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["apps"] = static_cast<double>(found);
}
BENCHMARK(BM_DiscoverApps500)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
