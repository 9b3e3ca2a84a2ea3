// A slider's closed range of real values, the step they snap to and how the value is labelled, and where a
// value lies along the track.
//
//     constexpr SliderRange kCornerRadius{4.0, 20.0, 1.0, SliderLabelStyle::points};
//     double value = sliderValueAtFraction(kCornerRadius, 0.5);   // 12
//     double up = steppedSliderValue(kCornerRadius, value, 1);     // 13
//
// Plain functions of plain values; any thread.
#pragma once

namespace tessly {

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

} // namespace tessly
