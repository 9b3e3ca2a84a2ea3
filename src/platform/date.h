// A point in time, as the program stores and compares it.
//
// Held as seconds (with fraction) since 2001-01-01 00:00:00 UTC, the reference date of the folder file;
// converts to and from seconds since 1970 for the launch markers.
//
//     Date launched = clock.now();
//     double age = clock.now().timeIntervalSince(launched);
//
// A plain value; use it from any thread.
#pragma once

#include <compare>

namespace tessly {

class Date {
public:
    /// Seconds between 1970-01-01 and 2001-01-01 (UTC).
    static constexpr double kReferenceDateSince1970 = 978307200.0;

    constexpr Date() = default;

    [[nodiscard]] static constexpr Date fromTimeIntervalSinceReferenceDate(double seconds) {
        return Date(seconds);
    }
    [[nodiscard]] static constexpr Date fromTimeIntervalSince1970(double seconds) {
        return Date(seconds - kReferenceDateSince1970);
    }
    /// A date long before anything the program records (the first day of year 1).
    [[nodiscard]] static constexpr Date distantPast() { return Date(-63114076800.0); }

    [[nodiscard]] constexpr double timeIntervalSinceReferenceDate() const { return m_seconds; }
    [[nodiscard]] constexpr double timeIntervalSince1970() const {
        return m_seconds + kReferenceDateSince1970;
    }
    /// Seconds from `other` to this date (positive when this one is later).
    [[nodiscard]] constexpr double timeIntervalSince(Date other) const { return m_seconds - other.m_seconds; }
    [[nodiscard]] constexpr Date addingTimeInterval(double seconds) const {
        return Date(m_seconds + seconds);
    }

    constexpr auto operator<=>(const Date&) const = default;

private:
    constexpr explicit Date(double seconds) : m_seconds(seconds) {}

    double m_seconds = 0.0;
};

} // namespace tessly
