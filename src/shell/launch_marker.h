// The launch marker a helper finds at start: the time the main application launched it, as decimal text.
//
//     if (auto launched = parseLaunchMarker(bytes)) { elapsed = now.timeIntervalSince1970() - *launched; }
//
// A plain function; use it from any thread.
#pragma once

#include <QByteArray>
#include <optional>

namespace tessly {

/// The seconds since 1970 that the marker holds: UTF-8 text, white space and line ends at either end ignored,
/// the rest one decimal number in the C locale. Nothing for anything else ("", "12.5x", "1,5", bad UTF-8).
[[nodiscard]] std::optional<double> parseLaunchMarker(const QByteArray& bytes);

} // namespace tessly
