#include "mainwindow/settings_pages/settings_values.h"

#include "settings/localization.h"

#include <algorithm>
#include <cmath>

namespace tessly {

QString percentLabel(const Localization& l10n, double fraction) {
    if (!std::isfinite(fraction)) {
        fraction = 0;
    }
    // The platform's percent style in both languages writes the sign right after the number.
    return l10n.formatNumber(std::round(fraction * 100.0), 0) + QLatin1Char('%');
}

QString sliderValueLabel(const Localization& l10n, const SliderRange& range, double value) {
    switch (range.label) {
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
