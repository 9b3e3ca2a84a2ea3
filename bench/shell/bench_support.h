// What the shell's benchmarks share: a monotonic clock, percentiles of samples, and waiting for a condition
// with a deadline while the event loop runs.
//
//     const std::int64_t start = monotonicNanoseconds();
//     if (!runEventsUntil([&] { return painted; }, 5'000)) state.SkipWithError("never painted");
//     state.counters["median_ms"] = percentile(samples, 0.5);
//
// Main thread only.
#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

namespace tessly::bench {

[[nodiscard]] inline std::int64_t monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

/// The sample at `fraction` (0.5: the median) of the sorted samples; 0 without any.
[[nodiscard]] inline double percentile(std::vector<double> samples, double fraction) {
    if (samples.empty()) {
        return 0.0;
    }
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(index, samples.size() - 1)];
}

/// Runs the event loop until `done` holds or `timeoutMs` has passed; returns `done()`. The condition is
/// checked after every batch of events and at least every `pollMs` (a wake-up so that conditions that no
/// event announces, like the passing of time, are seen).
inline bool runEventsUntil(const std::function<bool()>& done, int timeoutMs, int pollMs = 2) {
    const QDeadlineTimer deadline(timeoutMs);
    QTimer poll;
    poll.start(pollMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return done();
}

} // namespace tessly::bench
