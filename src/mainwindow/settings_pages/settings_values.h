// What the settings pages offer: the ranges and steps of their sliders (slider_range.h has the arithmetic),
// how each slider's value is labelled in the interface language, the choices of their pickers and the names
// of the languages.
//
//     const SliderRange& range = kCornerRadiusSlider;                 // 4 … 20 in steps of 1, in points
//     double value = sliderValueAtFraction(range, 0.5);              // 12
//     QString label = sliderValueLabel(l10n, range, value);          // "12 pt", or "12 пт" in Ukrainian
//     QString percent = percentLabel(l10n, 0.64);                   // "64%"
//
// Plain functions of plain values; the labels read the language from the localisation, so main thread only.
#pragma once

#include "mainwindow/controls/slider_range.h"
#include "model/enumerations.h"

#include <QString>
#include <array>

namespace tessly {

class Localization;

inline constexpr SliderRange kCornerRadiusSlider{4.0, 20.0, 1.0, SliderLabelStyle::points};
inline constexpr SliderRange kTileOpacitySlider{0.3, 1.0, 0.01, SliderLabelStyle::percent};
inline constexpr SliderRange kBorderWidthSlider{0.5, 15.0, 0.1, SliderLabelStyle::oneDecimal};
inline constexpr SliderRange kBorderOpacitySlider{0.0, 1.0, 0.01, SliderLabelStyle::percent};
inline constexpr SliderRange kPopupIconSizeSlider{40.0, 72.0, 1.0, SliderLabelStyle::points};
inline constexpr SliderRange kPopupOpacitySlider{0.5, 1.0, 0.01, SliderLabelStyle::percent};

/// The popup's column counts the popup page offers, in order.
inline constexpr std::array<int, 4> kPopupColumnChoices{3, 4, 5, 6};

/// The whole percentage of `fraction` in the current language: "64%".
[[nodiscard]] QString percentLabel(const Localization& l10n, double fraction);

/// The slider's value as it is written beside it, in the current language.
[[nodiscard]] QString sliderValueLabel(const Localization& l10n, const SliderRange& range, double value);

/// The language's own name, the same whatever the interface language: "English", "Українська".
[[nodiscard]] QString languageDisplayName(AppLanguage language);

} // namespace tessly
