#include "mainwindow/settings_pages/custom_color.h"

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {

double unit(double value) {
    return std::isnan(value) ? 0.0 : std::clamp(value, 0.0, 1.0);
}

// The largest hue below 1: the strip's right edge is the same red as its left edge, but stored as the left
// edge's hue it would make the marker jump back to the start.
constexpr double kLastHue = 1.0 - 1.0 / 3600.0;

} // namespace

std::optional<QString> customHexText(const QColor& color) {
    if (!color.isValid()) {
        return std::nullopt;
    }
    const QColor rgb = color.toRgb();
    // std::lround rounds halves away from zero, as the stored form asks.
    const auto byte = [](float component) {
        return static_cast<int>(std::lround(unit(static_cast<double>(component)) * 255.0));
    };
    return QString::asprintf("%02X%02X%02X", byte(rgb.redF()), byte(rgb.greenF()), byte(rgb.blueF()));
}

HsvColor hsvFromColor(const QColor& color, double fallbackHue) {
    if (!color.isValid()) {
        return HsvColor{unit(fallbackHue), 0, 0};
    }
    const QColor hsv = color.toHsv();
    const double hue = hsv.hsvHueF();
    // A grey, and anything without saturation or brightness, reports no hue (−1).
    const bool hasHue = hue >= 0 && hsv.hsvSaturationF() > 0 && hsv.valueF() > 0;
    return HsvColor{hasHue ? std::min(hue, kLastHue) : unit(fallbackHue), hsv.hsvSaturationF(), hsv.valueF()};
}

QColor colorFromHsv(const HsvColor& hsv) {
    double hue = unit(hsv.hue);
    if (hue >= 1.0) {
        hue = 0.0;
    }
    return QColor::fromHsvF(static_cast<float>(hue), static_cast<float>(unit(hsv.saturation)),
                            static_cast<float>(unit(hsv.brightness)))
        .toRgb();
}

HsvColor hsvAtSquarePoint(const HsvColor& current, QSizeF square, QPointF point) {
    HsvColor result = current;
    result.saturation = square.width() > 0 ? unit(point.x() / square.width()) : 0.0;
    result.brightness = square.height() > 0 ? unit(1.0 - point.y() / square.height()) : 1.0;
    return result;
}

QPointF squarePointOf(const HsvColor& hsv, QSizeF square) {
    return QPointF(unit(hsv.saturation) * square.width(), (1.0 - unit(hsv.brightness)) * square.height());
}

double hueAtStripPosition(double width, double x) {
    if (!(width > 0)) {
        return 0;
    }
    return std::min(unit(x / width), kLastHue);
}

double stripPositionOfHue(double width, double hue) {
    return unit(hue) * std::max(width, 0.0);
}

QList<QColor> customColorSwatches() {
    // A row of clear hues and a row of quieter tones, each ending in a neutral, so that a pleasant colour is
    // one click away before anyone touches the square.
    return {
        QColor(0xFF, 0x3B, 0x30), QColor(0xFF, 0x95, 0x00), QColor(0xFF, 0xCC, 0x00),
        QColor(0x34, 0xC7, 0x59), QColor(0x00, 0xC7, 0xBE), QColor(0x00, 0x7A, 0xFF),
        QColor(0x58, 0x56, 0xD6), QColor(0xAF, 0x52, 0xDE), QColor(0x8E, 0x4B, 0x3B),
        QColor(0xC9, 0x8B, 0x5E), QColor(0x6B, 0x8E, 0x23), QColor(0x2F, 0x6F, 0x73),
        QColor(0x3A, 0x4E, 0x7A), QColor(0x7A, 0x4E, 0x9A), QColor(0x8E, 0x8E, 0x93),
        QColor(0x1C, 0x1C, 0x1E),
    };
}

} // namespace tessly
