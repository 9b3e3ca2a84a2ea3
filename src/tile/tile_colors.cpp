#include "tile/tile_colors.h"

#include "model/uuid_text.h"
#include "platform/gui/system_style.h"

#include <algorithm>
#include <cmath>

namespace tessly {

namespace {

constexpr qsizetype kCustomHexDigits = 6;

// The plate's calibrated whites.
constexpr double kFrostedWhite = 0.9;
constexpr double kFrostedAlphaScale = 0.85;
constexpr double kDarkWhite = 0.1;
constexpr double kLightWhite = 0.95;

// The gradient's three stops: each the base colour blended toward white or black, with its own alpha.
constexpr double kGradientTopTowardWhite = 0.62;
constexpr double kGradientTopExtraAlpha = 0.12;
constexpr double kGradientMiddleTowardWhite = 0.18;
constexpr double kGradientBottomTowardBlack = 0.42;
constexpr double kGradientBottomAlphaScale = 0.92;
constexpr double kGradientBottomMinimumAlpha = 0.12;

// The glass mode's white, top and bottom alphas per unit of opacity, by theme.
constexpr double kGlassDarkTopAlpha = 0.45;
constexpr double kGlassDarkBottomAlpha = 0.2;
constexpr double kGlassLightTopAlpha = 0.88;
constexpr double kGlassLightBottomAlpha = 0.6;

/// Opacities come from the folder file; keep them where a colour's alpha can go.
double unitInterval(double value) {
    if (!std::isfinite(value)) {
        return 1.0;
    }
    return std::clamp(value, 0.0, 1.0);
}

QColor white(double level, double alpha) {
    return QColor::fromRgbF(level, level, level, unitInterval(alpha));
}

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(unitInterval(alpha)));
    return color;
}

QColor systemPlate(SystemColor color, double alpha) {
    return withAlpha(systemColor(color), alpha);
}

} // namespace

std::optional<QColor> parseCustomHex(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && !text[begin].isLetterOrNumber()) {
        ++begin;
    }
    while (end > begin && !text[end - 1].isLetterOrNumber()) {
        --end;
    }
    if (end - begin != kCustomHexDigits) {
        return std::nullopt;
    }
    int value = 0;
    for (qsizetype i = begin; i < end; ++i) {
        const int digit = hexDigitValue(text[i].unicode());
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return QColor::fromRgbF(static_cast<float>((value >> 16) & 0xFF) / 255.0f,
                            static_cast<float>((value >> 8) & 0xFF) / 255.0f,
                            static_cast<float>(value & 0xFF) / 255.0f, 1.0f);
}

QColor plateBaseColor(const TileStyleSettings& style) {
    const double o = style.opacity;
    switch (style.backgroundStyle) {
    case TileBackground::frosted:
        return white(kFrostedWhite, kFrostedAlphaScale * unitInterval(o));
    case TileBackground::dark:
        return white(kDarkWhite, o);
    case TileBackground::light:
        return white(kLightWhite, o);
    case TileBackground::blue:
        return systemPlate(SystemColor::blue, o);
    case TileBackground::green:
        return systemPlate(SystemColor::green, o);
    case TileBackground::red:
        return systemPlate(SystemColor::red, o);
    case TileBackground::orange:
        return systemPlate(SystemColor::orange, o);
    case TileBackground::pink:
        return systemPlate(SystemColor::pink, o);
    case TileBackground::purple:
        return systemPlate(SystemColor::purple, o);
    case TileBackground::yellow:
        return systemPlate(SystemColor::yellow, o);
    case TileBackground::custom:
        if (const auto parsed = style.customHex ? parseCustomHex(*style.customHex) : std::nullopt) {
            return withAlpha(*parsed, o);
        }
        return white(kLightWhite, o);
    }
    return white(kLightWhite, o);
}

QColor borderColor(const TileStyleSettings& style) {
    return white(1.0, style.borderOpacity);
}

QColor blended(const QColor& color, const QColor& other, double fraction) {
    const QColor a = color.toRgb();
    const QColor b = other.toRgb();
    const auto mix = [fraction](float x, float y) {
        return static_cast<float>(x + (y - x) * std::clamp(fraction, 0.0, 1.0));
    };
    return QColor::fromRgbF(mix(a.redF(), b.redF()), mix(a.greenF(), b.greenF()), mix(a.blueF(), b.blueF()),
                            mix(a.alphaF(), b.alphaF()));
}

PlateFill plateFill(const TileStyleSettings& style, AppThemeMode theme) {
    switch (style.backgroundMode) {
    case TileBackgroundMode::solid:
        return {{plateBaseColor(style)}};
    case TileBackgroundMode::gradient: {
        const QColor c = plateBaseColor(style);
        const double a = c.alphaF();
        return {{
            withAlpha(blended(c, Qt::white, kGradientTopTowardWhite),
                      std::min(a + kGradientTopExtraAlpha, 1.0)),
            withAlpha(blended(c, Qt::white, kGradientMiddleTowardWhite), a),
            withAlpha(blended(c, Qt::black, kGradientBottomTowardBlack),
                      std::max(a * kGradientBottomAlphaScale, kGradientBottomMinimumAlpha)),
        }};
    }
    case TileBackgroundMode::glass: {
        // Glass is white whatever the background colour; only the theme and the opacity change it.
        const double o = unitInterval(style.opacity);
        const bool dark = theme == AppThemeMode::dark;
        return {{white(1.0, (dark ? kGlassDarkTopAlpha : kGlassLightTopAlpha) * o),
                 white(1.0, (dark ? kGlassDarkBottomAlpha : kGlassLightBottomAlpha) * o)}};
    }
    }
    return {{plateBaseColor(style)}};
}

} // namespace tessly
