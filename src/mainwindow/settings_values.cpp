#include "mainwindow/settings_values.h"

#include "settings/localization.h"

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {

// Snapping works in whole steps from the minimum, so that 0.5 + 3 × 0.1 is stored as 0.8 and not as
// 0.8000000000000003: the stored value then reads back as exactly what the label shows.
double snapped(const SliderSpec& spec, double value) {
    const double clamped = clampedSliderValue(spec, value);
    if (spec.step <= 0) {
        return clamped;
    }
    const double steps = std::round((clamped - spec.minimum) / spec.step);
    const double decimals = std::pow(10.0, std::max(0.0, std::ceil(-std::log10(spec.step))) + 2);
    const double result = std::round((spec.minimum + steps * spec.step) * decimals) / decimals;
    return std::clamp(result, spec.minimum, spec.maximum);
}

} // namespace

double clampedSliderValue(const SliderSpec& spec, double value) {
    if (std::isnan(value)) {
        return spec.minimum;
    }
    return std::clamp(value, spec.minimum, spec.maximum);
}

double sliderFraction(const SliderSpec& spec, double value) {
    const double span = spec.maximum - spec.minimum;
    if (span <= 0) {
        return 0;
    }
    return (clampedSliderValue(spec, value) - spec.minimum) / span;
}

double sliderValueAtFraction(const SliderSpec& spec, double fraction) {
    const double f = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    return snapped(spec, spec.minimum + f * (spec.maximum - spec.minimum));
}

double steppedSliderValue(const SliderSpec& spec, double value, int steps) {
    return snapped(spec, snapped(spec, value) + steps * spec.step);
}

QString percentLabel(const Localization& l10n, double fraction) {
    if (!std::isfinite(fraction)) {
        fraction = 0;
    }
    // The platform's percent style in both languages writes the sign right after the number.
    return l10n.formatNumber(std::round(fraction * 100.0), 0) + QLatin1Char('%');
}

QString sliderValueLabel(const Localization& l10n, const SliderSpec& spec, double value) {
    switch (spec.label) {
    case SliderLabelStyle::points:
        // The value as it is, also outside the slider's range: the label says what is stored.
        return l10n.pointsLabel(std::isfinite(value) ? std::llround(value) : 0);
    case SliderLabelStyle::oneDecimal:
        return l10n.formatNumber(value, 1);
    case SliderLabelStyle::percent:
        return percentLabel(l10n, value);
    }
    return {};
}

QString languageDisplayName(AppLanguage language) {
    switch (language) {
    case AppLanguage::english:
        return QStringLiteral("English");
    case AppLanguage::ukrainian:
        return QStringLiteral("Українська");
    }
    return {};
}

} // namespace tessly
