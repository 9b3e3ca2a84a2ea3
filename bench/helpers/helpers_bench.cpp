// Building helper bundles from the real application bundle of this build, and synchronising the helpers of
// many folders, with the real adapters in a temporary home (the code-signing stand-in runs for real).
//
//   dbus-run-session -- build/bench/helpers/helpers_bench --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true
//
// TESSLY_BENCH_BUNDLE=<a bundle> builds the helpers from that bundle instead (an installed one, say:
// /usr/lib/tessly/Tessly.app).
#include "helpers/helper_manager.h"
#include "model/uuid_text.h"
#include "platform/linux/child_process_linux.h"
#include "platform/linux/dbus_notification_center_linux.h"
#include "platform/linux/extended_attributes_linux.h"
#include "platform/linux/plist_file_user_defaults_linux.h"
#include "platform/linux/preferences_domain_linux.h"
#include "platform/linux/system_linux.h"
#include "platform/linux/workspace_linux.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace tessly {
namespace {

class SilentConsole final : public Console, public SystemLog {
public:
    void printLine(const QString&) override {}
    void log(const QString&) override {}
};

/// One main application's helper machinery in a temporary home, with the real adapters.
struct MainApplication {
    QTemporaryDir home;
    Paths paths{home.path()};
    SilentConsole console;
    MainBundle bundle{qEnvironmentVariable("TESSLY_BENCH_BUNDLE", QStringLiteral(TESSLY_BUNDLE_DIR)), {}};
    PlistFileUserDefaults defaults{paths, QStringLiteral("app.tessly.Tessly"), console};
    QtMainQueue queue;
    LinuxWorkspace workspace{queue};
    QtChildProcessRunner processes;
    LinuxExtendedAttributes attributes;
    PlistFilePreferencesDomain dock{paths, QStringLiteral("com.apple.dock"), console};
    NotificationCenter notifications;
    DBusDistributedNotificationCenter distributed{console};
    SystemClock clock;
    HelperManager helpers{HelperEnvironment{
        paths, bundle, defaults, workspace, processes, attributes, dock, notifications, distributed, queue,
        clock, console, console, bundle.bundlePath() + QStringLiteral("/Contents/Helpers/codesign")}};

    ~MainApplication() {
        // Whatever was started from this home ends with it.
        for (const RunningApplication& application : workspace.runningApplications()) {
            if (application.bundlePath &&
                application.bundlePath->startsWith(home.path() + QLatin1Char('/'))) {
                workspace.terminate(application);
            }
        }
    }
};

AppFolder folderNamed(const QString& name) {
    AppFolder folder;
    folder.id = makeUuid();
    folder.name = name;
    folder.isInDock = true;
    return folder;
}

void BM_BuildHelperFresh(benchmark::State& state) {
    MainApplication main;
    int n = 0;
    for (auto _ : state) {
        const auto helper = main.helpers.buildHelper(folderNamed(QStringLiteral("Folder %1").arg(++n)));
        if (!helper) {
            state.SkipWithError("the helper could not be built");
            return;
        }
        state.PauseTiming();
        QDir(*helper).removeRecursively();
        state.ResumeTiming();
    }
}

void BM_BuildHelperInPlace(benchmark::State& state) {
    MainApplication main;
    const AppFolder folder = folderNamed(QStringLiteral("Work"));
    if (!main.helpers.buildHelper(folder)) {
        state.SkipWithError("the helper could not be built");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(main.helpers.buildHelper(folder));
    }
}

/// 50 folders in the Dock whose helpers are built, current and running: a sync finds nothing to do.
void BM_SyncHelpersAllInPlace(benchmark::State& state) {
    MainApplication main;
    QList<AppFolder> folders;
    for (int i = 0; i < state.range(0); ++i) {
        folders.push_back(folderNamed(QStringLiteral("Folder %1").arg(i)));
    }
    main.helpers.syncHelpers(folders);
    // The helpers start detached; wait until every one of them is seen running.
    QElapsedTimer waited;
    waited.start();
    auto runningHelpers = [&] {
        qsizetype count = 0;
        for (const RunningApplication& application : main.workspace.runningApplications()) {
            count += application.bundlePath && application.bundlePath->startsWith(main.home.path()) ? 1 : 0;
        }
        return count;
    };
    while (runningHelpers() < folders.size() && waited.elapsed() < 30'000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    if (runningHelpers() < folders.size()) {
        state.SkipWithError("the helpers did not all start");
        return;
    }
    for (auto _ : state) {
        main.helpers.syncHelpers(folders);
    }
    if (runningHelpers() != folders.size()) {
        state.SkipWithError("a sync with everything in place started or stopped a helper");
    }
}

BENCHMARK(BM_BuildHelperFresh)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildHelperInPlace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SyncHelpersAllInPlace)->Arg(50)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tessly
