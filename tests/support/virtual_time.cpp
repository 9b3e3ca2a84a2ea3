#include "support/virtual_time.h"

#include <algorithm>

namespace tessly::testing {

void VirtualTime::schedule(WorkItemPtr item, double delaySeconds) {
    const double due = m_now.timeIntervalSinceReferenceDate() + std::max(0.0, delaySeconds);
    m_entries.push_back({due, m_sequence++, std::move(item)});
}

void VirtualTime::advance(double seconds) {
    const double target = m_now.timeIntervalSinceReferenceDate() + std::max(0.0, seconds);
    for (;;) {
        auto next = std::min_element(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
            return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
        });
        if (next == m_entries.end() || next->due > target) {
            break;
        }
        const Entry entry = *next;
        m_entries.erase(next);
        m_now = Date::fromTimeIntervalSinceReferenceDate(std::max(entry.due, m_now.timeIntervalSinceReferenceDate()));
        entry.item->perform();
    }
    m_now = Date::fromTimeIntervalSinceReferenceDate(target);
}

std::size_t VirtualTime::pendingCount() const {
    return static_cast<std::size_t>(
        std::count_if(m_entries.begin(), m_entries.end(), [](const Entry& e) { return !e.item->isCancelled(); }));
}

std::optional<double> VirtualTime::nextDelay() const {
    std::optional<double> earliest;
    for (const auto& entry : m_entries) {
        if (!entry.item->isCancelled() && (!earliest || entry.due < *earliest)) {
            earliest = entry.due;
        }
    }
    if (!earliest) {
        return std::nullopt;
    }
    return *earliest - m_now.timeIntervalSinceReferenceDate();
}

} // namespace tessly::testing
