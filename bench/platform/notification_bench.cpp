// How long a distributed notification takes from post() to the observer in another process, and back to the
// poster, over the session bus. Figures per post: the median and the 99th percentile, as counters.
//
//   dbus-run-session -- build/bench/platform/notification_bench
#include "platform/linux/dbus_notification_center_linux.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

namespace tessly {
namespace {

class SilentConsole final : public Console {
public:
    void printLine(const QString&) override {}
};

std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

double percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(index, samples.size() - 1)];
}

void reportMicroseconds(benchmark::State& state, const char* name, const std::vector<double>& nanoseconds) {
    state.counters[std::string(name) + "_median_us"] = percentile(nanoseconds, 0.5) / 1000.0;
    state.counters[std::string(name) + "_p99_us"] = percentile(nanoseconds, 0.99) / 1000.0;
}

/// Posts a ping, the echo process answers, and the time each way is taken.
void BM_PostToDeliveryInAnotherProcess(benchmark::State& state) {
    SilentConsole console;
    DBusDistributedNotificationCenter center(console);
    if (!center.isConnected()) {
        state.SkipWithError("no session bus; run under dbus-run-session");
        return;
    }
    QProcess echo;
    echo.start(TESSLY_NOTIFICATION_ECHO, {});
    if (!echo.waitForReadyRead(10'000) || !echo.readLine().startsWith("ready")) {
        state.SkipWithError("the echo process did not start");
        return;
    }

    QEventLoop loop;
    // Restarted for every post: one that never arrives ends the benchmark instead of hanging it.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setInterval(5'000);
    QObject::connect(&watchdog, &QTimer::timeout, &loop, [&] { loop.exit(1); });
    std::int64_t expected = 0;
    std::int64_t receivedAt = 0;
    center.addObserver("TSBenchPong", [&](const DistributedNotification& pong) {
        const PlistValue* seq = pong.userInfo.find("seq");
        const PlistValue* at = pong.userInfo.find("receivedAt");
        if (seq && seq->asInteger() && *seq->asInteger() == expected && at && at->asInteger()) {
            receivedAt = *at->asInteger();
            loop.quit();
        }
    });
    const QString folderId = QStringLiteral("3F2504E0-4F89-41D3-9A0C-0305E82C3301");
    std::vector<double> oneWay;
    std::vector<double> roundTrip;
    for (auto _ : state) {
        ++expected;
        const std::int64_t postedAt = monotonicNanoseconds();
        // The shape of the program's busiest payload: a folder's UUID text and a flag.
        center.post("TSBenchPing", std::nullopt,
                    PlistDictionary{{"id", folderId}, {"hide", true}, {"seq", PlistValue(expected)}});
        watchdog.start();
        const int answered = loop.exec();
        watchdog.stop();
        if (answered != 0) {
            state.SkipWithError("a ping went unanswered");
            break;
        }
        const std::int64_t answeredAt = monotonicNanoseconds();
        oneWay.push_back(static_cast<double>(receivedAt - postedAt));
        roundTrip.push_back(static_cast<double>(answeredAt - postedAt));
        state.SetIterationTime(static_cast<double>(answeredAt - postedAt) / 1e9);
    }
    reportMicroseconds(state, "one_way", oneWay);
    reportMicroseconds(state, "round_trip", roundTrip);
    center.post("TSBenchQuit");
    echo.closeWriteChannel();
    if (!echo.waitForFinished(5'000)) {
        echo.kill();
        echo.waitForFinished();
    }
}
BENCHMARK(BM_PostToDeliveryInAnotherProcess)
    ->UseManualTime()
    ->Iterations(5000)
    ->Unit(benchmark::kMicrosecond);

/// The poster hears its own post: one trip through the bus and back.
void BM_PostToDeliveryInThePoster(benchmark::State& state) {
    SilentConsole console;
    DBusDistributedNotificationCenter center(console);
    if (!center.isConnected()) {
        state.SkipWithError("no session bus; run under dbus-run-session");
        return;
    }
    QEventLoop loop;
    // Restarted for every post: one that never arrives ends the benchmark instead of hanging it.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.setInterval(5'000);
    QObject::connect(&watchdog, &QTimer::timeout, &loop, [&] { loop.exit(1); });
    std::int64_t expected = 0;
    center.addObserver("TSBenchSelf", [&](const DistributedNotification& n) {
        const PlistValue* seq = n.userInfo.find("seq");
        if (seq && seq->asInteger() && *seq->asInteger() == expected) {
            loop.quit();
        }
    });
    std::vector<double> delivery;
    for (auto _ : state) {
        ++expected;
        const std::int64_t postedAt = monotonicNanoseconds();
        center.post("TSBenchSelf", std::nullopt, PlistDictionary{{"seq", PlistValue(expected)}});
        watchdog.start();
        const int answered = loop.exec();
        watchdog.stop();
        if (answered != 0) {
            state.SkipWithError("a post never came back");
            break;
        }
        const std::int64_t heardAt = monotonicNanoseconds();
        delivery.push_back(static_cast<double>(heardAt - postedAt));
        state.SetIterationTime(static_cast<double>(heardAt - postedAt) / 1e9);
    }
    reportMicroseconds(state, "delivery", delivery);
}
BENCHMARK(BM_PostToDeliveryInThePoster)->UseManualTime()->Iterations(5000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace tessly
