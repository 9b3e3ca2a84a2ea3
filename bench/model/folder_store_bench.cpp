// The folder file at the sizes a heavy user reaches: load and save of N folders of 20 applications each.
//
//   build/bench/model/folder_store_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include "model/folder_json.h"
#include "model/folder_store.h"
#include "model/uuid_text.h"
#include "platform/linux/system_linux.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace tessly {
namespace {

class SilentConsole final : public Console {
public:
    void printLine(const QString&) override {}
};

class NoHelpers final : public HelperActions {
public:
    void installHelper(const AppFolder&) override {}
    void removeHelper(const QUuid&, bool) override {}
    void syncHelpers(const QList<AppFolder>&) override {}
    void scheduleHelperOff(const AppFolder&, double) override {}
    void cancelHelperOff(const AppFolder&) override {}
    void removeLauncher(const QUuid&) override {}
};

QList<AppFolder> makeFolders(int count, int appsEach) {
    QList<AppFolder> folders;
    for (int f = 0; f < count; ++f) {
        AppFolder folder{makeUuid(),
                         QStringLiteral("Folder %1").arg(f),
                         "folder",
                         {},
                         f % 3 == 0,
                         {},
                         Date::fromTimeIntervalSinceReferenceDate(700'000'000.0 + f)};
        for (int a = 0; a < appsEach; ++a) {
            folder.apps.push_back(
                AppItem{makeUuid(), QStringLiteral("Application %1").arg(a),
                        QStringLiteral("com.example.application%1").arg(a),
                        QUrl::fromLocalFile(QStringLiteral("/Applications/Application %1.app/").arg(a))});
        }
        folders.push_back(folder);
    }
    return folders;
}

struct Fixture {
    QTemporaryDir home;
    SilentConsole console;
    NoHelpers helpers;
    NotificationCenter notifications;
    QtMainQueue queue;
    SystemClock clock;
    FolderStore store{Paths(home.path()), helpers, notifications, queue, clock, console};
};

void BM_FolderStoreSave(benchmark::State& state) {
    Fixture fixture;
    fixture.store.setFoldersForTesting(makeFolders(static_cast<int>(state.range(0)), 20));
    for (auto _ : state) {
        fixture.store.save();
    }
    state.SetComplexityN(state.range(0));
}

// A store reading a file that another process wrote: decoded, and found to be in the program's own form.
void BM_FolderStoreLoad(benchmark::State& state) {
    Fixture writer;
    writer.store.setFoldersForTesting(makeFolders(static_cast<int>(state.range(0)), 20));
    for (auto _ : state) {
        FolderStore reader(Paths(writer.home.path()), writer.helpers, writer.notifications, writer.queue,
                           writer.clock, writer.console);
        reader.load();
        benchmark::DoNotOptimize(reader.folders().size());
    }
    state.SetComplexityN(state.range(0));
}

// A helper reloading on an appearance change while the file is unchanged.
void BM_FolderStoreReloadUnchanged(benchmark::State& state) {
    Fixture fixture;
    fixture.store.setFoldersForTesting(makeFolders(static_cast<int>(state.range(0)), 20));
    for (auto _ : state) {
        fixture.store.load();
        benchmark::DoNotOptimize(fixture.store.folders().size());
    }
}

void BM_DecodeFolderList(benchmark::State& state) {
    const QByteArray bytes = encodeFolderList(makeFolders(static_cast<int>(state.range(0)), 20));
    for (auto _ : state) {
        auto decoded = decodeFolderList(bytes, Date());
        benchmark::DoNotOptimize(decoded.folders);
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}

BENCHMARK(BM_FolderStoreSave)
    ->RangeMultiplier(2)
    ->Range(125, 1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_FolderStoreLoad)
    ->RangeMultiplier(2)
    ->Range(125, 1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_FolderStoreReloadUnchanged)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeFolderList)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
