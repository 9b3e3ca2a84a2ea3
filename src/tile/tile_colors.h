// The colours of a folder's tile plate: the colour each background style stands for, the custom colour's
// text, and the fills of the three background modes.
//
//     PlateFill fill = plateFill(folder.tileStyle, settings.appTheme());
//     canvas.fillRoundedRect(plate.rect, plate.radius, fill);
//
// Plain functions of plain values; use them from any thread.
#pragma once

#include "model/app_folder.h"
#include "model/enumerations.h"

#include <QColor>
#include <QList>
#include <QStringView>
#include <optional>

namespace tessly {

/// How the plate is filled: one colour, or a vertical gradient through evenly spaced colours from the top
/// edge (first) to the bottom edge (last).
struct PlateFill {
    QList<QColor> colors;

    [[nodiscard]] bool isGradient() const { return colors.size() > 1; }
    friend bool operator==(const PlateFill&, const PlateFill&) = default;
};

/// The colour of a custom plate's text ("#FF8800", "ff8800", " FF8800 "): six hexadecimal digits once the
/// characters that are neither letters nor digits are trimmed from both ends; opaque. Nothing for any other
/// text.
[[nodiscard]] std::optional<QColor> parseCustomHex(QStringView text);

/// The plate's base colour for the style's background and opacity; a custom colour that does not parse falls
/// back to the light plate.
[[nodiscard]] QColor plateBaseColor(const TileStyleSettings& style);

/// The border's colour: white at the style's border opacity.
[[nodiscard]] QColor borderColor(const TileStyleSettings& style);

/// `color` moved toward `other` by `fraction` (0 keeps it, 1 gives `other`), component by component.
[[nodiscard]] QColor blended(const QColor& color, const QColor& other, double fraction);

/// The plate's fill for the style's mode; the glass mode's alphas follow the application's theme.
[[nodiscard]] PlateFill plateFill(const TileStyleSettings& style, AppThemeMode theme);

} // namespace tessly
