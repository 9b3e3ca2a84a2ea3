#include "support/virtual_time.h"

#include <algorithm>
#include <cmath>

namespace tessly::testing {

namespace {

std::int64_t microseconds(double seconds) {
    return std::llround(std::max(0.0, seconds) * 1e6);
}

} // namespace

void VirtualTime::schedule(WorkItemPtr item, double delaySeconds) {
    m_entries.push_back({m_elapsedMicroseconds + microseconds(delaySeconds), m_sequence++, std::move(item)});
}

void VirtualTime::advance(double seconds) {
    const std::int64_t target = m_elapsedMicroseconds + microseconds(seconds);
    for (;;) {
        auto next = std::min_element(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
            return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
        });
        if (next == m_entries.end() || next->due > target) {
            break;
        }
        const Entry entry = *next;
        m_entries.erase(next);
        m_elapsedMicroseconds = std::max(entry.due, m_elapsedMicroseconds);
        entry.item->perform();
    }
    m_elapsedMicroseconds = target;
}

std::size_t VirtualTime::pendingCount() const {
    return static_cast<std::size_t>(std::count_if(m_entries.begin(), m_entries.end(),
                                                  [](const Entry& e) { return !e.item->isCancelled(); }));
}

std::optional<double> VirtualTime::nextDelay() const {
    std::optional<std::int64_t> earliest;
    for (const auto& entry : m_entries) {
        if (!entry.item->isCancelled() && (!earliest || entry.due < *earliest)) {
            earliest = entry.due;
        }
    }
    if (!earliest) {
        return std::nullopt;
    }
    return static_cast<double>(*earliest - m_elapsedMicroseconds) / 1e6;
}

} // namespace tessly::testing
