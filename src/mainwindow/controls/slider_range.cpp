#include "mainwindow/controls/slider_range.h"

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {

// Snapping works in whole steps from the minimum, so that 0.5 + 3 × 0.1 is stored as 0.8 and not as
// 0.8000000000000003: the stored value then reads back as exactly what the label shows.
double snapped(const SliderRange& range, double value) {
    const double clamped = clampedSliderValue(range, value);
    if (range.step <= 0) {
        return clamped;
    }
    const double steps = std::round((clamped - range.minimum) / range.step);
    const double decimals = std::pow(10.0, std::max(0.0, std::ceil(-std::log10(range.step))) + 2);
    const double result = std::round((range.minimum + steps * range.step) * decimals) / decimals;
    return std::clamp(result, range.minimum, range.maximum);
}

} // namespace

double clampedSliderValue(const SliderRange& range, double value) {
    if (std::isnan(value)) {
        return range.minimum;
    }
    return std::clamp(value, range.minimum, range.maximum);
}

double sliderFraction(const SliderRange& range, double value) {
    const double span = range.maximum - range.minimum;
    if (span <= 0) {
        return 0;
    }
    return (clampedSliderValue(range, value) - range.minimum) / span;
}

double sliderValueAtFraction(const SliderRange& range, double fraction) {
    const double f = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    return snapped(range, range.minimum + f * (range.maximum - range.minimum));
}

double steppedSliderValue(const SliderRange& range, double value, int steps) {
    return snapped(range, snapped(range, value) + steps * range.step);
}

} // namespace tessly
