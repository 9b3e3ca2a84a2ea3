// Virtual time for tests: a main queue and a clock that move only when the test says so.
//
//     VirtualTime time;
//     FolderStore store(..., time /* MainQueue */, time /* Clock */, ...);
//     time.advance(0.2);               // runs everything due within the next 0.2 s, in time order
//     EXPECT_EQ(time.pendingCount(), 0u);
#pragma once

#include "platform/clock.h"
#include "platform/main_queue.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tessly::testing {

class VirtualTime final : public MainQueue, public Clock {
public:
    explicit VirtualTime(Date start = Date::fromTimeIntervalSinceReferenceDate(800'000'000.0))
        : m_start(start) {}

    void schedule(WorkItemPtr item, double delaySeconds) override;
    [[nodiscard]] Date now() const override {
        return m_start.addingTimeInterval(static_cast<double>(m_elapsedMicroseconds) / 1e6);
    }

    /// Moves time forward by `seconds`, running each item as its time comes: earlier first, equal times in
    /// the order they were scheduled. Items scheduled meanwhile run too when they fall due within the span.
    void advance(double seconds);
    /// Runs what is due now (work handed to async()), without moving time.
    void runDue() { advance(0.0); }

    /// Items scheduled and neither run nor cancelled.
    [[nodiscard]] std::size_t pendingCount() const;
    /// Seconds until the next pending item is due, or nothing when none is pending.
    [[nodiscard]] std::optional<double> nextDelay() const;

private:
    // Time is counted in whole microseconds, so that 1.999 s and then 0.001 s land exactly on 2.0 s.
    struct Entry {
        std::int64_t due;
        std::uint64_t sequence;
        WorkItemPtr item;
    };
    Date m_start;
    std::int64_t m_elapsedMicroseconds = 0;
    std::vector<Entry> m_entries;
    std::uint64_t m_sequence = 0;
};

} // namespace tessly::testing
