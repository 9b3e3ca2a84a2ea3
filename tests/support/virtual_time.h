// Virtual time for tests: a main queue and a clock that move only when the test says so.
//
//     VirtualTime time;
//     FolderStore store(..., time /* MainQueue */, time /* Clock */, ...);
//     time.advance(0.2);               // runs everything due within the next 0.2 s, in time order
//     EXPECT_EQ(time.pendingCount(), 0u);
#pragma once

#include "platform/clock.h"
#include "platform/main_queue.h"

#include <optional>
#include <vector>

namespace tessly::testing {

class VirtualTime final : public MainQueue, public Clock {
public:
    explicit VirtualTime(Date start = Date::fromTimeIntervalSinceReferenceDate(800'000'000.0)) : m_now(start) {}

    void schedule(WorkItemPtr item, double delaySeconds) override;
    [[nodiscard]] Date now() const override { return m_now; }

    /// Moves time forward by `seconds`, running each item as its time comes: earlier first, equal times in the
    /// order they were scheduled. Items scheduled meanwhile run too when they fall due within the span.
    void advance(double seconds);
    /// Runs what is due now (work handed to async()), without moving time.
    void runDue() { advance(0.0); }

    /// Items scheduled and neither run nor cancelled.
    [[nodiscard]] std::size_t pendingCount() const;
    /// Seconds until the next pending item is due, or nothing when none is pending.
    [[nodiscard]] std::optional<double> nextDelay() const;

private:
    struct Entry {
        double due;
        std::uint64_t sequence;
        WorkItemPtr item;
    };
    Date m_now;
    std::vector<Entry> m_entries;
    std::uint64_t m_sequence = 0;
};

} // namespace tessly::testing
