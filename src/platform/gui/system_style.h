// The platform's named system colours and its system font, kept in one place.
//
//     QColor green = systemColor(SystemColor::green);
//     QFont font = boldSystemFont(152.64);
//
// Plain values; the font needs the application's Qt Gui objects, so main thread only.
#pragma once

#include <QColor>
#include <QFont>
#include <QStringView>

namespace tessly {

enum class SystemColor { blue, green, red, orange, pink, purple, yellow };

/// The colour the platform publishes for `color` (its light appearance), opaque, in sRGB.
[[nodiscard]] QColor systemColor(SystemColor color);

/// The bold system font at `pointSize`. Given the `text` it will draw, emoji that the platform shows as
/// pictures by default (such as U+2615, which the text font also has in outline) come out in colour.
[[nodiscard]] QFont boldSystemFont(double pointSize, QStringView text = {});

} // namespace tessly
