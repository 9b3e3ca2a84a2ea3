// What the settings pages offer: the ranges and steps of their sliders, how each slider's value is labelled
// in the interface language, the choices of their pickers and the names of the languages.
//
//     const SliderRange& range = kCornerRadiusSlider;                 // 4 … 20 in steps of 1, in points
//     double value = sliderValueAtFraction(range, 0.5);              // 12
//     QString label = sliderValueLabel(l10n, range, value);          // "12 pt", or "12 пт" in Ukrainian
//     QString percent = percentLabel(l10n, 0.64);                   // "64%"
//
// Plain functions of plain values; the labels read the language from the localisation, so main thread only.
#pragma once

#include "model/enumerations.h"

#include <QString>
#include <array>

namespace tessly {

class Localization;

/// How a slider's value is written beside it.
enum class SliderLabelStyle {
    /// A whole number of points: "12 pt".
    points,
    /// One fraction digit in the language's decimal style: "1.5", "1,5".
    oneDecimal,
    /// A fraction of 1 as a whole percentage: "64%".
    percent,
};

/// A slider's closed range, the step its values snap to and how its value is labelled.
struct SliderRange {
    double minimum = 0;
    double maximum = 1;
    double step = 0.01;
    SliderLabelStyle label = SliderLabelStyle::percent;
};

inline constexpr SliderRange kCornerRadiusSlider{4.0, 20.0, 1.0, SliderLabelStyle::points};
inline constexpr SliderRange kTileOpacitySlider{0.3, 1.0, 0.01, SliderLabelStyle::percent};
inline constexpr SliderRange kBorderWidthSlider{0.5, 15.0, 0.1, SliderLabelStyle::oneDecimal};
inline constexpr SliderRange kBorderOpacitySlider{0.0, 1.0, 0.01, SliderLabelStyle::percent};
inline constexpr SliderRange kPopupIconSizeSlider{40.0, 72.0, 1.0, SliderLabelStyle::points};
inline constexpr SliderRange kPopupOpacitySlider{0.5, 1.0, 0.01, SliderLabelStyle::percent};

/// The popup's column counts the popup page offers, in order.
inline constexpr std::array<int, 4> kPopupColumnChoices{3, 4, 5, 6};

/// `value` within the slider's range; a value that is not a number counts as the minimum.
[[nodiscard]] double clampedSliderValue(const SliderRange& range, double value);

/// Where `value` lies along the slider's track, from 0 at the minimum to 1 at the maximum.
[[nodiscard]] double sliderFraction(const SliderRange& range, double value);

/// The value at `fraction` of the track (clamped to 0…1), snapped to the slider's step counted from its
/// minimum.
[[nodiscard]] double sliderValueAtFraction(const SliderRange& range, double fraction);

/// `value` moved by `steps` steps (negative: down), snapped to the step and kept within the range: what an
/// arrow key or a page key does.
[[nodiscard]] double steppedSliderValue(const SliderRange& range, double value, int steps);

/// The whole percentage of `fraction` in the current language: "64%".
[[nodiscard]] QString percentLabel(const Localization& l10n, double fraction);

/// The slider's value as it is written beside it, in the current language.
[[nodiscard]] QString sliderValueLabel(const Localization& l10n, const SliderRange& range, double value);

/// The language's own name, the same whatever the interface language: "English", "Українська".
[[nodiscard]] QString languageDisplayName(AppLanguage language);

} // namespace tessly
