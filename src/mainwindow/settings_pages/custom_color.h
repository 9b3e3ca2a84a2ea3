// The custom tile colour: the six-digit text a chosen colour is stored as, the hue, saturation and brightness
// the picker edits, where those sit in its saturation/brightness square and hue strip, and its swatches.
//
//     std::optional<QString> hex = customHexText(QColor(255, 0, 0));       // "FF0000"
//     HsvColor hsv = hsvFromColor(color, previousHue);
//     hsv = hsvAtSquarePoint(hsv, squareSize, mouse);                        // dragging in the square
//     QColor chosen = colorFromHsv(hsv);
//
// Plain functions of plain values; use them from any thread.
#pragma once

#include <QColor>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <optional>

namespace tessly {

/// A colour as the picker edits it; each component from 0 to 1.
struct HsvColor {
    double hue = 0;
    double saturation = 0;
    double brightness = 1;

    friend bool operator==(const HsvColor&, const HsvColor&) = default;
};

/// The text a custom colour is stored as: red, green and blue in device RGB, each multiplied by 255 and
/// rounded half away from zero, as two upper-case hexadecimal digits each ("FF8800", no "#"). Nothing for a
/// colour that cannot be converted (an invalid one).
[[nodiscard]] std::optional<QString> customHexText(const QColor& color);

/// The colour's hue, saturation and brightness. A grey has no hue of its own: it keeps `fallbackHue`, so that
/// dragging to the square's edge and back does not lose the hue the user chose.
[[nodiscard]] HsvColor hsvFromColor(const QColor& color, double fallbackHue = 0);

/// The opaque colour of `hsv`; components outside 0…1 are clamped, a hue of 1 is the hue of 0.
[[nodiscard]] QColor colorFromHsv(const HsvColor& hsv);

/// The square shows saturation growing to the right and brightness growing upwards: `point` (in the square's
/// own coordinates, y down, clamped to it) sets those two and keeps the hue.
[[nodiscard]] HsvColor hsvAtSquarePoint(const HsvColor& current, QSizeF square, QPointF point);
/// Where the square's marker for `hsv` sits.
[[nodiscard]] QPointF squarePointOf(const HsvColor& hsv, QSizeF square);

/// The hue at `x` along a strip of `width` (clamped to it), from 0 at the left edge to just below 1 at the
/// right.
[[nodiscard]] double hueAtStripPosition(double width, double x);
/// Where the strip's marker for `hue` sits.
[[nodiscard]] double stripPositionOfHue(double width, double hue);

/// The colours offered as swatches above the square, in order.
[[nodiscard]] QList<QColor> customColorSwatches();

} // namespace tessly
