#include "popup/popup_appearance.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace tessly {

namespace {

// The theme's base colours: a light and a dark window ground.
const QColor kLightBase(246, 246, 247);
const QColor kDarkBase(36, 36, 40);
// What the opaque plate pretends lies behind it: a neutral ground a little darker (lighter) than the base, so
// the three strengths still read as three plates.
const QColor kLightGround(206, 206, 212);
const QColor kDarkGround(8, 8, 10);

double strength(PopupBlur style) {
    switch (style) {
    case PopupBlur::thin:
        return kPopupThinMaterialStrength;
    case PopupBlur::regular:
        return kPopupRegularMaterialStrength;
    case PopupBlur::dark:
        return kPopupThickMaterialStrength;
    }
    return kPopupThinMaterialStrength;
}

QColor over(const QColor& top, double alpha, const QColor& ground) {
    const auto mix = [alpha](double a, double b) { return a * alpha + b * (1 - alpha); };
    return QColor::fromRgbF(static_cast<float>(mix(top.redF(), ground.redF())),
                            static_cast<float>(mix(top.greenF(), ground.greenF())),
                            static_cast<float>(mix(top.blueF(), ground.blueF())));
}

// Three passes of a box blur of radius `radius` approximate a Gaussian of about that deviation; one
// direction at a time over an 8-bit alpha plane of `width` × `height`.
void boxBlur(std::vector<float>& plane, int width, int height, int radius) {
    if (radius < 1) {
        return;
    }
    std::vector<float> line;
    const auto pass = [&](int count, int length, auto at) {
        line.resize(static_cast<size_t>(length));
        const float scale = 1.0f / static_cast<float>(2 * radius + 1);
        for (int n = 0; n < count; ++n) {
            for (int i = 0; i < length; ++i) {
                line[static_cast<size_t>(i)] = at(n, i);
            }
            float sum = 0;
            for (int i = -radius; i <= radius; ++i) {
                sum += (i >= 0 && i < length) ? line[static_cast<size_t>(i)] : 0.0f;
            }
            for (int i = 0; i < length; ++i) {
                at(n, i) = sum * scale;
                const int out = i - radius;
                const int in = i + radius + 1;
                sum -= (out >= 0) ? line[static_cast<size_t>(out)] : 0.0f;
                sum += (in < length) ? line[static_cast<size_t>(in)] : 0.0f;
            }
        }
    };
    for (int k = 0; k < 3; ++k) {
        pass(height, width,
             [&](int y, int x) -> float& { return plane[static_cast<size_t>(y * width + x)]; });
        pass(width, height,
             [&](int x, int y) -> float& { return plane[static_cast<size_t>(y * width + x)]; });
    }
}

double presentationSpring(double progress) {
    return popupSpringProgress(progress * kPopupSpringDuration, kPopupSpringResponse, kPopupSpringDamping);
}

} // namespace

PopupMaterial popupMaterial(PopupBlur style, double opacity, AppThemeMode appearance,
                            bool compositorIsRunning) {
    const QColor base = appearance == AppThemeMode::light ? kLightBase : kDarkBase;
    const double alpha = strength(style) * std::clamp(opacity, 0.0, 1.0);
    if (!compositorIsRunning) {
        return {over(base, alpha, appearance == AppThemeMode::light ? kLightGround : kDarkGround), false};
    }
    QColor fill = base;
    fill.setAlphaF(static_cast<float>(alpha));
    return {fill, true};
}

QImage popupShadowImage(const QPainterPath& outline, const QSize& panelSize,
                        const std::array<PopupShadow, 2>& shadows, double devicePixelRatio) {
    const QSize pixels = (QSizeF(panelSize) * devicePixelRatio).toSize();
    QImage result(pixels, QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    if (pixels.isEmpty()) {
        return result;
    }
    const int width = pixels.width();
    const int height = pixels.height();
    std::vector<float> combined(static_cast<size_t>(width) * static_cast<size_t>(height), 0.0f);

    for (const PopupShadow& shadow : shadows) {
        // The outline's coverage, moved by the offset, as a plane of alpha.
        QImage mask(pixels, QImage::Format_Alpha8);
        mask.fill(0);
        {
            QPainter painter(&mask);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.scale(devicePixelRatio, devicePixelRatio);
            painter.translate(shadow.offset);
            painter.fillPath(outline, Qt::black);
        }
        std::vector<float> plane(combined.size());
        for (int y = 0; y < height; ++y) {
            const uchar* row = mask.constScanLine(y);
            for (int x = 0; x < width; ++x) {
                plane[static_cast<size_t>(y * width + x)] = row[x] / 255.0f;
            }
        }
        // A shadow's radius is about twice the deviation of its blur.
        boxBlur(plane, width, height, static_cast<int>(std::lround(shadow.radius / 2 * devicePixelRatio)));
        const auto alpha = static_cast<float>(shadow.color.alphaF());
        for (size_t i = 0; i < plane.size(); ++i) {
            const float a = plane[i] * alpha;
            combined[i] = combined[i] + a * (1 - combined[i]);
        }
    }

    // Shadows are black; premultiplied, a pixel is just its alpha.
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int a = std::clamp(
                static_cast<int>(std::lround(combined[static_cast<size_t>(y * width + x)] * 255)), 0, 255);
            row[x] = qRgba(0, 0, 0, a);
        }
    }
    {
        QPainter painter(&result);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(devicePixelRatio, devicePixelRatio);
        painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
        painter.fillPath(outline, Qt::black);
    }
    result.setDevicePixelRatio(devicePixelRatio);
    return result;
}

double popupSpringProgress(double seconds, double response, double damping) {
    if (seconds <= 0) {
        return 0;
    }
    const double omega = 2 * std::numbers::pi / response;
    if (damping >= 1) {
        return 1 - std::exp(-omega * seconds) * (1 + omega * seconds);
    }
    const double decay = damping * omega;
    const double ringing = omega * std::sqrt(1 - damping * damping);
    return 1 - std::exp(-decay * seconds) *
                   (std::cos(ringing * seconds) + decay / ringing * std::sin(ringing * seconds));
}

QEasingCurve popupSpringEasing() {
    QEasingCurve curve;
    curve.setCustomType(&presentationSpring);
    return curve;
}

} // namespace tessly
